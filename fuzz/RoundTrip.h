#pragma once

#include "Support/JsonRead.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>
#include <QString>
#include <QStringList>

#include <map>

#include <unicode/locid.h>
#include <unicode/unistr.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>

// What the fuzz targets share: the input as bytes, and the check that stops the run (libFuzzer reports the
// abort with the input that caused it).
namespace mivora::fuzz {

inline QByteArray bytes(const uint8_t* data, size_t size) {
    return QByteArray(reinterpret_cast<const char*>(data), qsizetype(size));
}

inline void require(bool ok, const char* what, const QByteArray& detail = {}) {
    if (ok) return;
    std::fprintf(stderr, "round trip broken: %s\n%s\n", what, detail.constData());
    std::abort();
}

// The top-level value of a JSON document as the program reads one, or undefined when the bytes are not one.
inline QJsonValue json(const QByteArray& bytes) {
    const QJsonDocument doc = JsonRead::document(bytes);
    if (doc.isObject()) return doc.object();
    if (doc.isArray()) return doc.array();
    return QJsonValue(QJsonValue::Undefined);
}

// The text in full lower case as ICU gives it (root locale), lone surrogates kept.
inline QString icuLower(const QString& text) {
    icu::UnicodeString s(reinterpret_cast<const UChar*>(text.utf16()), int32_t(text.size()));
    s.toLower(icu::Locale::getRoot());
    return QString(reinterpret_cast<const QChar*>(s.getBuffer()), s.length());
}

// Text spelled from the input: each byte is one of `pieces`, except the bytes `lone` names, which stand for
// a single UTF-16 unit of their own (lone halves of surrogate pairs).
inline QString spell(QByteArrayView bytes, const QStringList& pieces,
                     const std::map<quint8, char16_t>& lone) {
    QString out;
    for (const char b : bytes) {
        const auto byte = quint8(b);
        if (const auto unit = lone.find(byte); unit != lone.end())
            out += QChar(unit->second);
        else
            out += pieces[byte % pieces.size()];
    }
    return out;
}

} // namespace mivora::fuzz
