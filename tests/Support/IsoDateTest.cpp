#include "Support/IsoDate.h"

#include <gtest/gtest.h>

using namespace mivora;

// The date is written from its count of seconds; the calendar's own parts of the same instant must agree,
// across leap days, century years, both ends of the writable range and instants before 1970 with a fraction
// (which is dropped towards the past).
TEST(IsoDate, FormatAgreesWithTheCalendarEverywhere) {
    const QDateTime instants[] = {
        QDateTime(QDate(1969, 12, 31), QTime(23, 59, 59, 500), Qt::UTC),
        QDateTime(QDate(1, 1, 1), QTime(0, 0), Qt::UTC),
        QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59, 999), Qt::UTC),
        QDateTime(QDate(2000, 2, 29), QTime(12, 30, 5), Qt::UTC),
        QDateTime(QDate(1900, 3, 1), QTime(0, 0, 1), Qt::UTC),
        QDateTime(QDate(2025, 3, 7), QTime(9, 15, 2), Qt::OffsetFromUTC, 8 * 3600),
    };
    for (const QDateTime& d : instants)
        EXPECT_EQ(IsoDate::format(d), d.toUTC().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss'Z'")))
            << d.toString(Qt::ISODateWithMs).toStdString();
}
