#pragma once

#include "Support/JsonRead.h"

#include <QByteArray>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QJsonValue>

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

} // namespace mivora::fuzz
