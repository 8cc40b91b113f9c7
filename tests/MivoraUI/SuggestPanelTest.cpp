#include "MivoraUI/SuggestPanel.h"
#include "MivoraUI/SuggestChip.h"

#include <gtest/gtest.h>

namespace mivora {
namespace {

using Desk = SuggestPanel::Desk;

// One 1440 × 900 screen with a dock at the bottom.
Desk dockedScreen() {
    Desk desk;
    desk.screens = {{QRectF(0, 0, 1440, 900), QRectF(0, 70, 1440, 805)}};
    desk.mouseScreen = desk.screens[0].visible;
    return desk;
}

TEST(SuggestPanel, CaretRuleFlipsAboveAndStopsAtTheRightEdge) {
    const Desk desk = dockedScreen();
    EXPECT_EQ(SuggestPanel::origin(QRectF(500, 300, 1, 18), desk), QPointF(490, 254));
    EXPECT_EQ(SuggestPanel::origin(QRectF(500, 100, 1, 18), desk), QPointF(490, 120));
    EXPECT_EQ(SuggestPanel::origin(QRectF(1400, 300, 1, 18), desk), QPointF(1080, 254));
    EXPECT_EQ(SuggestPanel::origin(QRectF(5, 300, 1, 18), desk), QPointF(-5, 254));
    EXPECT_EQ(SuggestPanel::origin(QRectF(2000, 20, 1, 18), desk), QPointF(1990, -26)); // on no screen
}

TEST(SuggestPanel, WithoutACaretTheFrontWindowThenTheScreenDecide) {
    Desk desk = dockedScreen();
    EXPECT_EQ(SuggestPanel::origin(QRectF(), desk), QPointF(570, 94));
    desk.frontWindow = QRectF(100, 200, 800, 600);
    EXPECT_EQ(SuggestPanel::origin(QRectF(), desk), QPointF(350, 224));
    desk.frontIdentifier = "WeChat";
    EXPECT_EQ(SuggestPanel::origin(QRectF(), desk), QPointF(380, 330));
    desk.frontWindow = QRectF(100, 200, 1200, 600);
    EXPECT_EQ(SuggestPanel::origin(QRectF(), desk).x(), 420);
}

TEST(SuggestPanel, LogLineAndChip) {
    EXPECT_EQ(
        SuggestPanel::logLine(QRectF(500.7, 300.2, 1, 18.9), QPointF(490.7, 254.2), true,
                              {{QRectF(0, 0, 1512, 982), QRectF()}, {QRectF(1512, 0, 1920, 1080), QRectF()}}),
        "提示条：光标 500,300 高 18 → 窗口 490,254 可见 true 屏幕 [\"1512x982@0,0\", \"1920x1080@1512,0\"]");

    SuggestChip chip;
    SuggestController::Offer offer{"id", "公司地址", QString(200, QChar(u'长')), true, false, QRectF()};
    chip.setOffer(offer);
    EXPECT_TRUE(chip.shownPreview().endsWith(QChar(0x2026)));
    EXPECT_EQ(chip.height(), SuggestChip::chipHeight);
    const int longWidth = chip.width();
    offer.armed = true;
    chip.setOffer(offer);
    EXPECT_EQ(chip.shownPreview(), SuggestChip::armedHint);
    EXPECT_LT(chip.width(), longWidth); // the capsule follows its text
    EXPECT_LT(longWidth, SuggestPanel::panelWidth);
}

} // namespace
} // namespace mivora
