#include "MivoraUI/Suggest/SuggestPanel.h"
#include "MivoraUI/HUD/HUDPill.h"
#include "MivoraUI/Kit/UI.h"
#include "MivoraUI/Suggest/SuggestChip.h"
#include "MivoraUI/Suggest/SuggestView.h"

#include "support/Render.h"

#include <QTest>

#include <gtest/gtest.h>

namespace mivora::test {
namespace {

using Desk = SuggestPanel::Desk;
using Offer = SuggestController::Offer;

// One 1440 × 900 screen with a dock at the bottom.
Desk dockedScreen() {
    Desk desk;
    desk.screens = {{QRectF(0, 0, 1440, 900), QRectF(0, 70, 1440, 805)}};
    desk.mouseScreen = desk.screens[0].visible;
    return desk;
}

bool waitFor(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 2000);
}

// Orange, or orange blended into the dark capsule at a glyph's edge.
bool isOrange(QRgb c) {
    return qRed(c) > 120 && qRed(c) > qGreen(c) + 40 && qGreen(c) > qBlue(c) + 30;
}

// The strip is see-through: drawn here on the desktop colour of its appearance, so its shadow shows.
QImage onDesktop(QWidget& view) {
    QImage image(view.size(), QImage::Format_ARGB32);
    image.fill(view.palette().color(QPalette::Window));
    view.render(&image);
    return image;
}

// Whether any pixel of `box` in `image` is orange.
bool anyOrange(const QImage& image, const QRect& box) {
    for (int y = box.top(); y <= box.bottom(); ++y)
        for (int x = box.left(); x <= box.right(); ++x)
            if (isOrange(image.pixel(x, y))) return true;
    return false;
}

TEST(SuggestPanel, PlacedByTheCaretThenTheFrontWindowThenTheScreen) {
    Desk desk = dockedScreen();
    EXPECT_EQ(SuggestPanel::origin(QRectF(500, 300, 1, 18), desk), QPointF(490, 254));
    EXPECT_EQ(SuggestPanel::origin(QRectF(500, 100, 1, 18), desk), QPointF(490, 120));
    EXPECT_EQ(SuggestPanel::origin(QRectF(1400, 300, 1, 18), desk), QPointF(1080, 254));
    EXPECT_EQ(SuggestPanel::origin(QRectF(5, 300, 1, 18), desk), QPointF(-5, 254));
    EXPECT_EQ(SuggestPanel::origin(QRectF(2000, 20, 1, 18), desk), QPointF(1990, -26)); // on no screen
    // Without a caret the front window decides, then the screen.
    EXPECT_EQ(SuggestPanel::origin(QRectF(), desk), QPointF(570, 94));
    desk.frontWindow = QRectF(100, 200, 800, 600);
    EXPECT_EQ(SuggestPanel::origin(QRectF(), desk), QPointF(350, 224));
    desk.frontIdentifier = "WeChat";
    EXPECT_EQ(SuggestPanel::origin(QRectF(), desk), QPointF(380, 330));
    desk.frontWindow = QRectF(100, 200, 1200, 600);
    EXPECT_EQ(SuggestPanel::origin(QRectF(), desk).x(), 420);
}

// The chip is drawn dark in either appearance; a sensitive offer shows an orange
// lock and its bullets, a long preview is cut to one line and the capsule follows its text.
TEST(SuggestPanel, ChipRendersOneLineOnTheDarkCapsuleInBothAppearances) {
    const Offer plain{"a", "公司地址", QString(200, QChar(u'长')), false, false, QRectF()};
    const Offer secret{"b", "身份证号", QStringLiteral("••••••"), true, false, QRectF()};
    const QRgb fill = HUDPill::fill().rgb() & 0xffffff;
    for (bool dark : {false, true}) {
        for (const Offer& offer : {plain, secret}) {
            SuggestView view(false);
            view.setOffer(offer);
            const QImage image = render(view, dark);
            ASSERT_TRUE(waitFor([&] { return view.shown() == 1.0; }));
            const QImage settled = onDesktop(view);
            saveArtefact(settled, QString("suggest-chip-%1-%2")
                                      .arg(offer.sensitive ? "sensitive" : "plain", dark ? "dark" : "light"));
            const SuggestChip& chip = view.chip();
            EXPECT_EQ(pixel(settled, {10, 14}), fill) << "the capsule does not follow the appearance";
            EXPECT_EQ(anyOrange(settled, QRect(16, 8, 12, 12)), offer.sensitive) << "a lock in orange";
            if (offer.sensitive)
                EXPECT_EQ(chip.shownPreview(), secret.preview);
            else
                EXPECT_TRUE(chip.shownPreview().endsWith(QChar(0x2026)));
        }
    }

    SuggestChip chip;
    chip.setOffer(plain);
    const int longWidth = chip.width();
    EXPECT_LE(QFontMetrics(UI::font(12)).horizontalAdvance(chip.shownPreview()),
              SuggestChip::maxPreviewWidth);
    Offer armed = secret;
    armed.armed = true;
    chip.setOffer(armed);
    EXPECT_EQ(chip.shownPreview(), SuggestChip::armedHint);
    EXPECT_LT(chip.width(), longWidth);
    saveArtefact(render(chip, false), "suggest-chip-armed");
}

// Coming in, the chip grows from its top-left corner while dropping into place; going, it shrinks towards
// its left edge; a changed offer moves the width along. With reduced motion the chip only fades.
TEST(SuggestPanel, ChipSpringsInAndOutUnlessMotionIsReduced) {
    const Offer first{"a", "地址", "北京市朝阳区", false, false, QRectF()};
    Offer longer = first;
    longer.preview = "北京市朝阳区建国路 88 号 SOHO 现代城";
    for (bool reduced : {false, true}) {
        SuggestView view(reduced);
        render(view);
        view.setOffer(first);
        double smallest = 1, lifted = 0;
        const auto sample = [&] {
            smallest = std::min(smallest, view.pose().scale);
            lifted = std::min(lifted, view.pose().offset.y());
        };
        ASSERT_TRUE(waitFor([&] { return sample(), view.shown() == 1.0; }));
        EXPECT_EQ(smallest < 1, !reduced);
        EXPECT_EQ(lifted < 0, !reduced);
        EXPECT_DOUBLE_EQ(view.pose().scale, 1);

        const int before = view.chip().width();
        view.setOffer(longer);
        const int target = view.chip().sizeHint().width();
        EXPECT_EQ(view.chip().width(), reduced ? target : before);
        EXPECT_TRUE(waitFor([&] { return view.chip().width() == target; }));

        view.setOffer(std::nullopt);
        ASSERT_TRUE(waitFor([&] { return view.shown() == 0.0; }));
        EXPECT_EQ(view.pose().opacity, 0);
        EXPECT_DOUBLE_EQ(view.pose().scale, reduced ? 1 : 0.92);
        EXPECT_EQ(view.pose().anchor, reduced ? QPointF(0.5, 0.5) : QPointF(0, 0.5));
    }
}

} // namespace
} // namespace mivora::test
