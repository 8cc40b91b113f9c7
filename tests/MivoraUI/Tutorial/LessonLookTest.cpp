// How a lesson view looks with the sample memories: every chip shows its whole title inside the lesson's
// column, in the tutorial and in the welcome's compact form, and the secondary texts (the tips, "你的记忆：",
// the empty store's note) stay readable when the appearance turns dark while the view is open.
#include "Memories/Seed.h"
#include "MivoraUI/Kit/PracticeField.h"
#include "MivoraUI/Kit/SymbolView.h"
#include "MivoraUI/Tutorial/LessonView.h"
#include "MivoraUI/Tutorial/MemoryHint.h"
#include "MivoraUI/Tutorial/TagLabel.h"

#include "support/Render.h"
#include "support/WindowModelRig.h"

#include <QApplication>
#include <QFontMetricsF>

#include <gtest/gtest.h>

#include <cmath>

using namespace mivora;
using namespace mivora::test;

namespace {

struct LessonRig : WindowModelRig {
    LessonRig() {
        defaults.setValue("onboardingDone", true);
        defaults.setValue("reduceMotion", true); // the demonstration at rest
        make();
    }
    void holdSamples() {
        for (const Memory& m : Seed::samples(clock.now()))
            memories->upsert(m);
    }
};

// The brightest luminance drawn inside `rect` of `image`.
int brightest(const QImage& image, const QRect& rect) {
    int most = 0;
    for (int y = rect.top(); y <= rect.bottom(); ++y)
        for (int x = rect.left(); x <= rect.right(); ++x)
            most = std::max(most, qGray(image.pixel(x, y)));
    return most;
}

// `widget`'s rectangle in `root`, scaled to the drawing.
QRect placeIn(const QWidget& widget, const QWidget& root, const QImage& image) {
    const double scale = image.devicePixelRatio();
    const QRect r(widget.mapTo(&root, QPoint(0, 0)), widget.size());
    return QRect(qFloor(r.x() * scale), qFloor(r.y() * scale), qFloor(r.width() * scale),
                 qFloor(r.height() * scale))
        .intersected(image.rect());
}

// Each chip at least as wide as its title on one line (with its padding), inside the hint, beside no other.
void expectWholeChips(const LessonView& view, int expectedChips) {
    const MemoryHint* hint = view.memoryHint();
    ASSERT_TRUE(hint);
    const QList<TagLabel*> chips = hint->findChildren<TagLabel*>("chip");
    ASSERT_EQ(chips.size(), expectedChips);
    QList<QRect> taken;
    for (const TagLabel* chip : chips) {
        const QString title = chip->text();
        const double wanted = std::ceil(QFontMetricsF(chip->font()).horizontalAdvance(title)) + 14;
        EXPECT_TRUE(chip->isVisible()) << title.toStdString();
        EXPECT_GE(chip->width(), wanted) << title.toStdString();
        const QRect inHint(chip->mapTo(hint, QPoint(0, 0)), chip->size());
        EXPECT_TRUE(hint->rect().contains(inHint)) << title.toStdString();
        for (const QRect& other : taken)
            EXPECT_FALSE(other.intersects(inHint)) << title.toStdString();
        taken << inHint;
    }
    // The hint keeps to the lesson's column and ends above the practice field.
    EXPECT_LE(hint->width(), 330);
    const int hintBottom = hint->mapTo(&view, QPoint(0, hint->height())).y();
    EXPECT_LE(hintBottom, view.practice()->mapTo(&view, QPoint(0, 0)).y());
}

} // namespace

TEST(LessonLook, EveryChipShowsItsWholeTitleInTheTutorialAndTheWelcome) {
    LessonRig rig;
    rig.holdSamples();
    for (bool compact : {false, true}) {
        LessonView view(*rig.model, Lesson::recall, compact);
        view.resize(compact ? 960 : 760, 640);
        view.show();
        QApplication::processEvents();
        SCOPED_TRACE(compact ? "welcome" : "tutorial");
        expectWholeChips(view, 4);
        saveArtefact(view.grab().toImage(), compact ? "lesson-chips-welcome" : "lesson-chips-tutorial");
    }
}

TEST(LessonLook, ATitleWiderThanTheColumnWrapsInsideItsChip) {
    LessonRig rig;
    const QString title = "公司总部所在地的完整详细通讯地址和前台联系电话以及收件人姓名";
    rig.memories->upsert(Memory{.title = title, .value = "x"});
    LessonView view(*rig.model, Lesson::typing, false);
    view.resize(760, 640);
    view.show();
    QApplication::processEvents();
    const TagLabel* chip = view.memoryHint()->findChild<TagLabel*>("chip");
    ASSERT_TRUE(chip);
    EXPECT_LE(chip->width(), view.memoryHint()->width());
    const QRect inside = chip->contentsRect();
    const QRect needed =
        QFontMetrics(chip->font()).boundingRect(QRect(0, 0, inside.width(), 1000), Qt::TextWordWrap, title);
    EXPECT_LE(needed.height(), inside.height()) << "every line of the title is drawn";
    EXPECT_LE(needed.width(), inside.width());
}

TEST(LessonLook, SecondaryTextsTurnLightWhenTheAppearanceTurnsDark) {
    LessonRig rig;
    for (bool empty : {true, false}) {
        if (!empty) rig.holdSamples();
        LessonView view(*rig.model, Lesson::typing, false);
        view.resize(760, 640);
        render(view, false); // built and shown in the light appearance, then the desktop turns dark
        const QImage dark = render(view, true);
        const int background = qGray(darkPalette().color(QPalette::Window).rgb());
        QList<const QWidget*> secondary;
        for (const QWidget* w : view.memoryHint()->findChildren<QWidget*>("secondary"))
            secondary << w;
        if (!empty)
            for (const QWidget* w : view.tips()->findChildren<QWidget*>())
                secondary << w;
        for (const SymbolView* symbol : view.memoryHint()->findChildren<SymbolView*>())
            secondary << symbol;
        ASSERT_GE(secondary.size(), empty ? 2 : 7);
        for (const QWidget* w : secondary) {
            if (!w->isVisible() || w->findChildren<QWidget*>().size() > 0) continue;
            // Text at 55 % of white over the dark window is far brighter than the window.
            EXPECT_GT(brightest(dark, placeIn(*w, view, dark)), background + 60)
                << (empty ? "empty " : "") << w->metaObject()->className();
        }
        saveArtefact(dark, empty ? "lesson-secondary-dark-empty" : "lesson-secondary-dark");
    }
}
