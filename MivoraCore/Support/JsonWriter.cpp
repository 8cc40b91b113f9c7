#include "Support/JsonWriter.h"

#include "Support/IsoDate.h"

#include <algorithm>

namespace mivora {

JsonWriter::JsonWriter(bool sortedKeys, bool prettyPrinted) : sorted_(sortedKeys), pretty_(prettyPrinted) {}

void JsonWriter::beginObject() {
    open(true);
}

void JsonWriter::beginArray() {
    open(false);
}

void JsonWriter::endObject() {
    close(true);
}

void JsonWriter::endArray() {
    close(false);
}

void JsonWriter::key(const QString& name) {
    if (!stack_.empty()) stack_.back().pendingKey = name;
}

void JsonWriter::string(const QString& text) {
    beginValue();
    quote(out_, text);
}

void JsonWriter::integer(qint64 number) {
    beginValue();
    out_ += QString::number(number);
}

void JsonWriter::boolean(bool flag) {
    beginValue();
    out_ += flag ? QStringLiteral("true") : QStringLiteral("false");
}

void JsonWriter::date(const QDateTime& date) {
    string(IsoDate::format(date));
}

void JsonWriter::dates(const QMap<QString, QDateTime>& dates) {
    beginObject();
    for (auto it = dates.cbegin(); it != dates.cend(); ++it) {
        key(it.key());
        date(it.value());
    }
    endObject();
}

void JsonWriter::null() {
    beginValue();
    out_ += QStringLiteral("null");
}

void JsonWriter::indent(qsizetype depth) {
    out_ += u'\n';
    out_.append(QString(2 * depth, u' '));
}

// Everything before a value: the separator, the indentation and, inside an object, the key. A value at the
// top level completes the document once it is written (scalars) or closed (objects and arrays).
void JsonWriter::beginValue() {
    if (stack_.empty()) {
        out_.clear();
        done_ = true;
        return;
    }
    Frame& f = stack_.back();
    const bool sorting = f.object && sorted_;
    if (sorting && !f.members.empty()) f.members.back().end = out_.size();
    if (f.count > 0) out_ += u',';
    if (pretty_) indent(qsizetype(stack_.size()));
    if (f.object) {
        const QString name = std::exchange(f.pendingKey, QString());
        if (sorting) {
            if (!f.members.empty() && name < f.members.back().key) f.ascending = false;
            f.members.push_back(Member{name, out_.size(), -1});
        }
        quote(out_, name);
        out_ += pretty_ ? QStringLiteral(" : ") : QStringLiteral(":");
    }
    ++f.count;
}

void JsonWriter::open(bool object) {
    beginValue();
    done_ = false;
    out_ += object ? u'{' : u'[';
    stack_.push_back(Frame{.object = object, .start = out_.size()});
}

void JsonWriter::close(bool object) {
    if (stack_.empty() || stack_.back().object != object) return;
    Frame f = std::move(stack_.back());
    stack_.pop_back();
    const qsizetype depth = qsizetype(stack_.size());
    if (!f.ascending) {
        // Rewrite the members in key order; equal keys keep the order they came in.
        f.members.back().end = out_.size();
        std::vector<QString> texts;
        texts.reserve(f.members.size());
        for (const Member& m : f.members)
            texts.push_back(out_.mid(m.start, m.end - m.start));
        std::vector<qsizetype> order(f.members.size());
        for (qsizetype i = 0; i < qsizetype(order.size()); ++i)
            order[i] = i;
        std::stable_sort(order.begin(), order.end(),
                         [&](qsizetype a, qsizetype b) { return f.members[a].key < f.members[b].key; });
        out_.truncate(f.start);
        for (qsizetype i = 0; i < qsizetype(order.size()); ++i) {
            if (i > 0) out_ += u',';
            if (pretty_) indent(depth + 1);
            out_ += texts[order[i]];
        }
    }
    if (pretty_ && f.count > 0) indent(depth);
    out_ += object ? u'}' : u']';
    if (stack_.empty()) done_ = true;
}

void JsonWriter::quote(QString& out, QStringView text) {
    static const char16_t hex[] = u"0123456789abcdef";
    out += u'"';
    qsizetype plain = 0; // start of the run not yet copied
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text[i].unicode();
        if (u >= 0x20 && u != u'"' && u != u'\\' && !QChar::isSurrogate(u)) continue;
        if (QChar::isHighSurrogate(u) && i + 1 < text.size() &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            ++i;
            continue;
        }
        out.append(text.mid(plain, i - plain));
        plain = i + 1;
        switch (u) {
        case u'"':
            out += QStringLiteral("\\\"");
            break;
        case u'\\':
            out += QStringLiteral("\\\\");
            break;
        case u'\n':
            out += QStringLiteral("\\n");
            break;
        case u'\r':
            out += QStringLiteral("\\r");
            break;
        case u'\t':
            out += QStringLiteral("\\t");
            break;
        case u'\b':
            out += QStringLiteral("\\b");
            break;
        case u'\f':
            out += QStringLiteral("\\f");
            break;
        default:
            // Other control characters, and a lone surrogate, which has no UTF-8 form: escaped, it reads back
            // as the same code unit.
            out += QStringLiteral("\\u");
            for (int shift = 12; shift >= 0; shift -= 4)
                out += QChar(hex[(u >> shift) & 0xF]);
        }
    }
    out.append(text.mid(plain));
    out += u'"';
}

} // namespace mivora
