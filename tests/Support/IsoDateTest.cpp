#include "Support/IsoDate.h"

#include <gtest/gtest.h>

using namespace mivora;

TEST(IsoDate, ReadsWholeSecondsWithAZone) {
    const auto z = IsoDate::parse(u"2025-03-07T09:15:02Z");
    ASSERT_TRUE(z);
    EXPECT_EQ(z->toSecsSinceEpoch(), 1741338902);
    const auto offset = IsoDate::parse(u"2025-03-07T17:15:02+08:00");
    ASSERT_TRUE(offset);
    EXPECT_EQ(*offset, *z);
    EXPECT_EQ(IsoDate::format(*offset), "2025-03-07T09:15:02Z");
}

TEST(IsoDate, RejectsFractionsMissingZonesAndNonsense) {
    for (const char16_t* bad :
         {u"2025-03-07T09:15:02.5Z", u"2025-03-07T09:15:02", u"2025-03-07", u"2025-02-30T00:00:00Z",
          u"2025-03-07 09:15:02Z", u"2025-03-07T25:00:00Z", u"2025-03-07T09:15:02+0800",
          u"２０２５-03-07T09:15:02Z", u"", u"2025-03-07T09:15:02Zjunk"})
        EXPECT_FALSE(IsoDate::parse(bad)) << QString::fromUtf16(bad).toStdString();
}

TEST(IsoDate, WholeSecondsDropsTheFraction) {
    const QDateTime d = QDateTime::fromMSecsSinceEpoch(1741338902789, Qt::UTC);
    EXPECT_EQ(IsoDate::wholeSeconds(d).toMSecsSinceEpoch(), 1741338902000);
    EXPECT_EQ(*IsoDate::parse(IsoDate::format(d)), IsoDate::wholeSeconds(d));
}
