#pragma once

#include <QDateTime>
#include <QString>

#include <optional>

namespace mivora {

// The one date form of every file and payload: ISO 8601 internet date-time in UTC with whole seconds,
// "2025-03-07T09:15:02Z".
namespace IsoDate {

// Writes the date in UTC, whole seconds ("Z" zone). Milliseconds are dropped.
QString format(const QDateTime& date);

// Reads "YYYY-MM-DDTHH:MM:SS" followed by "Z" or a "+HH:MM"/"-HH:MM" offset (up to 23:59). A fraction of a
// second, a missing zone, a UTC instant outside the years 1 to 9999 (which `format` could not write), or
// anything else is rejected.
std::optional<QDateTime> parse(QStringView text);

// The date cut to whole seconds (UTC), so it survives a round trip through a file unchanged.
QDateTime wholeSeconds(const QDateTime& date);

} // namespace IsoDate
} // namespace mivora
