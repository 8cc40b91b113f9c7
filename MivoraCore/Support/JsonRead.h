#pragma once

#include <QByteArrayView>
#include <QDateTime>
#include <QJsonDocument>
#include <QJsonValue>
#include <QMap>
#include <QString>

#include <optional>

namespace mivora {

// Strict readers for values of a parsed JSON document: each answers nothing when the value is not of
// exactly the expected kind, so a record can reject a document instead of guessing.
namespace JsonRead {

// A parsed document whose texts keep every character. Qt's parser drops a U+FEFF at the start of each
// string (and member name); written as the escape "\ufeff" it keeps it, so every such sequence after the
// document's first bytes is handed over escaped. A byte-order mark before the document is skipped as before.
QJsonDocument document(QByteArrayView json, QJsonParseError* error = nullptr);

// A JSON number without a fraction that fits a signed 64-bit integer ("5" and "5.0" read as 5; "5.5" does
// not read).
std::optional<qint64> integer(const QJsonValue& value);
// A date string in the whole-second ISO 8601 form with a zone (see IsoDate::parse).
std::optional<QDateTime> date(const QJsonValue& value);
// An object whose every member is such a date, keyed by member name.
std::optional<QMap<QString, QDateTime>> dates(const QJsonValue& value);

} // namespace JsonRead
} // namespace mivora
