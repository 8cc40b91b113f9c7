#pragma once

#include <QDateTime>
#include <QJsonValue>
#include <QMap>
#include <QString>

#include <optional>

namespace mivora {

// Strict readers for values of a parsed JSON document: each answers nothing when the value is not of
// exactly the expected kind, so a record can reject a document instead of guessing.
namespace JsonRead {

// A JSON number without a fraction that fits a signed 64-bit integer ("5" and "5.0" read as 5; "5.5" does
// not read).
std::optional<qint64> integer(const QJsonValue& value);
// A date string in the whole-second ISO 8601 form with a zone (see IsoDate::parse).
std::optional<QDateTime> date(const QJsonValue& value);
// An object whose every member is such a date, keyed by member name.
std::optional<QMap<QString, QDateTime>> dates(const QJsonValue& value);

} // namespace JsonRead
} // namespace mivora
