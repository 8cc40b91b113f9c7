#include "MivoraUI/Kit/OneLine.h"

#include "MivoraUI/Kit/UI.h"

#include <gtest/gtest.h>

using namespace mivora;

namespace {
const QChar ellipsis(0x2026);
} // namespace

// A text longer than a line can show is laid out from its start only, and shows as the whole text would:
// elided at the same place, whatever the width. A megabyte on one line is cut to the bound.
TEST(OneLine, ALongTextShowsAsTheWholeWouldFromItsStartAlone) {
    // Wide characters, and narrow ones of which hundreds fit.
    for (const QString& line : {QString("上海市徐汇区漕溪北路 88 号 Wi-Fi；").repeated(800),
                                QString("il.,;:'|\u200a").repeated(2000)}) {
        for (qreal size : {10.5, 12.0, 13.0}) {
            const QFontMetricsF metrics(UI::font(size));
            for (qreal width : {1.0, 40.0, 218.0, 300.0})
                EXPECT_EQ(OneLine::elided(metrics, line, width),
                          metrics.elidedText(line, Qt::ElideRight, width))
                    << size << " " << width;
            const QFontMetrics whole(UI::font(size));
            EXPECT_EQ(OneLine::elided(whole, line, 272), whole.elidedText(line, Qt::ElideRight, 272));
        }
    }

    const QString megabyte = QString("a").repeated(1 << 20);
    const QString laidOut = OneLine::prefix(megabyte);
    EXPECT_LE(laidOut.size(), OneLine::shownAtMost + 1);
    EXPECT_TRUE(laidOut.endsWith(ellipsis));
    EXPECT_TRUE(megabyte.startsWith(laidOut.chopped(1)));

    // Up to the bound the text is itself, with no ellipsis.
    const QString fits = QString("a").repeated(OneLine::shownAtMost);
    EXPECT_EQ(OneLine::prefix(fits), fits);
}

// Where the bound falls inside a character (a surrogate pair, a flag of two), the character goes whole:
// the prefix keeps only whole characters before the ellipsis.
TEST(OneLine, TheCutKeepsOnlyWholeCharacters) {
    for (const QString& unit : {QString("😀"), QString("🇨🇳"), QString("👍🏽")}) {
        for (const QString& lead : {QString(), QString("a"), QString("ab"), QString("abc")}) {
            const QString text = lead + unit.repeated(400);
            const QString laidOut = OneLine::prefix(text);
            ASSERT_TRUE(laidOut.endsWith(ellipsis));
            const QString kept = laidOut.chopped(1);
            EXPECT_TRUE(kept.startsWith(lead));
            EXPECT_EQ((kept.size() - lead.size()) % unit.size(), 0)
                << unit.toStdString() << " after " << lead.size();
            EXPECT_EQ(kept.mid(lead.size()), unit.repeated((kept.size() - lead.size()) / unit.size()));
        }
    }
}
