#pragma once

#include <QByteArray>
#include <QDateTime>
#include <QMap>
#include <QString>

#include <QStringView>

#include <vector>

namespace mivora {

// Writes one JSON document from a stream of calls, members in the order they are handed over unless the
// writer sorts them. Dates are written as whole-second UTC ISO 8601 text; texts come out as UTF-8 without
// escaping beyond what JSON requires, except that a lone UTF-16 surrogate (which UTF-8 cannot carry) is
// written as a "\uXXXX" escape so it reads back unchanged. Calls must be balanced; `data()` is the
// finished document.
class JsonWriter {
public:
    // `sortedKeys`: the members of every object, at every depth, in ascending key order.
    // `prettyPrinted`: one member or element per line, indented by two spaces; otherwise compact.
    JsonWriter(bool sortedKeys, bool prettyPrinted);

    bool sortedKeys() const { return sorted_; }
    bool prettyPrinted() const { return pretty_; }

    void beginObject();
    void endObject();
    void beginArray();
    void endArray();
    // The name of the next member of the open object.
    void key(const QString& name);

    void string(const QString& text);
    void integer(qint64 number);
    void boolean(bool flag);
    void date(const QDateTime& date);
    // An object of dates keyed by name (what JsonRead::dates reads).
    void dates(const QMap<QString, QDateTime>& dates);
    void null();

    // The document in UTF-8; empty until the top-level value is complete.
    QByteArray data() const { return done_ ? out_ : QByteArray(); }

private:
    // One open object or array. Its text is written straight into `out_` from `start` on; an object whose
    // keys did not arrive in ascending order is put in order when it closes.
    struct Member {
        QString key;
        qsizetype start; // of the quoted key in `out_`
        qsizetype end;   // after the value; set when the next member starts or the object closes
    };
    struct Frame {
        bool object = false;
        qsizetype start = 0; // after the opening bracket
        qsizetype count = 0;
        bool ascending = true;
        QString pendingKey;
        std::vector<Member> members; // objects of a sorting writer only
    };
    void beginValue();
    void open(bool object);
    void close(bool object);
    void indent(qsizetype depth);
    static void quote(QByteArray& out, QStringView text);

    bool sorted_;
    bool pretty_;
    std::vector<Frame> stack_;
    // UTF-8 all along: converting a whole document at the end costs as much as writing it.
    QByteArray out_;
    bool done_ = false;
};

} // namespace mivora
