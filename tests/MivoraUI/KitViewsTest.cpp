#include "MivoraUI/KeyCap.h"
#include "MivoraUI/KeyCombo.h"
#include "MivoraUI/LayerEffect.h"
#include "MivoraUI/PageStack.h"
#include "MivoraUI/PracticeField.h"
#include "MivoraUI/StatusDot.h"
#include "MivoraUI/SuccessBadge.h"
#include "MivoraUI/WindowVisible.h"

#include "support/FakeScheduler.h"
#include "support/Render.h"

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPointer>
#include <QTest>
#include <QVBoxLayout>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

bool waitFor(const std::function<bool()>& condition) {
    return QTest::qWaitFor(condition, 2000);
}

} // namespace

TEST(KitViews, KeysDropWhenPressedAndFillWithTheAccentWhenHighlighted) {
    for (bool dark : {false, true}) {
        KeyCap key("fn", "globe", 54);
        const QImage rest = render(key, dark);
        key.setDown(true);
        key.setHighlight(true);
        EXPECT_TRUE(waitFor([&] { return key.capRect().top() == 2; }));
        const QImage pressed = key.grab().toImage();
        saveArtefact(rest, QString("kit-keycap-%1").arg(dark ? "dark" : "light"));
        saveArtefact(pressed, QString("kit-keycap-pressed-%1").arg(dark ? "dark" : "light"));
        // Released, the base shows below the cap; pressed, the cap covers it.
        EXPECT_NE(pixel(rest, {27, 31}), pixel(pressed, {27, 31}));

        KeyCombo two({"fn", "shift"});
        saveArtefact(render(two, dark), QString("kit-keycombo-%1").arg(dark ? "dark" : "light"));
    }
}

TEST(KitViews, BadgeRingsOnceAndTheDotPulsesOnlyWhenReady) {
    for (bool dark : {false, true}) {
        SuccessBadge badge("做到了");
        render(badge, dark);
        EXPECT_TRUE(waitFor([&] { return badge.ring() == 1.0; }));
        badge.setText("又做到了");
        badge.hide();
        badge.show();
        QApplication::processEvents();
        EXPECT_EQ(badge.ring(), 1.0) << "the ring plays once per badge";
        saveArtefact(badge.grab().toImage(), QString("kit-successbadge-%1").arg(dark ? "dark" : "light"));

        StatusDot waiting(false);
        const QImage orange = render(waiting, dark);
        EXPECT_FALSE(waiting.pulsing());
        waiting.setOk(true);
        EXPECT_TRUE(waiting.pulsing());
        EXPECT_NE(waiting.grab().toImage(), orange);
        saveArtefact(waiting.grab().toImage(), QString("kit-statusdot-%1").arg(dark ? "dark" : "light"));

        StatusDot ready(true);
        render(ready, dark);
        EXPECT_TRUE(ready.pulsing()) << "shown ready, it pulses too";
    }
}

TEST(KitViews, PracticeFieldTakesTheFocusAfterAMomentAndShowsItsRing) {
    for (bool dark : {false, true}) {
        FakeClock clock;
        FakeScheduler scheduler(clock);
        // Another control holds the focus when the window opens, as on a page.
        QWidget page;
        auto* layout = new QVBoxLayout(&page);
        auto* other = new QLineEdit(&page);
        auto* field = new PracticeField(scheduler, "按住 Fn 说一句话试试", 96, &page);
        layout->addWidget(other);
        layout->addWidget(field);
        page.resize(340, 160);
        const QImage empty = render(page, dark);
        page.activateWindow();
        other->setFocus();
        scheduler.advance(0.29);
        EXPECT_FALSE(field->editor()->hasFocus());
        scheduler.advance(0.02);
        EXPECT_TRUE(waitFor([&] { return field->focusRing() == 1.0; }));
        saveArtefact(field->grab().toImage(), QString("kit-practicefield-%1").arg(dark ? "dark" : "light"));
        EXPECT_NE(page.grab().toImage(), empty);
    }
}

TEST(KitViews, PagesSlideInFromTheSideTheyComeFrom) {
    PageStack stack;
    stack.resize(300, 200);
    stack.show();
    auto* first = new QLabel("首页");
    stack.setPage(first, true);
    EXPECT_TRUE(waitFor([&] { return first->graphicsEffect() == nullptr; }));

    auto* second = new QLabel("教程");
    stack.setPage(second, true);
    auto* in = qobject_cast<LayerEffect*>(second->graphicsEffect());
    ASSERT_TRUE(in && first->graphicsEffect());
    EXPECT_GT(in->look().offset.x(), 0);
    QPointer<QLabel> gone = first;
    EXPECT_TRUE(waitFor([&] { return gone.isNull(); }));
    EXPECT_EQ(stack.page(), second);

    auto* third = new QLabel("设置");
    stack.setPage(third, false);
    in = qobject_cast<LayerEffect*>(third->graphicsEffect());
    ASSERT_TRUE(in);
    EXPECT_LT(in->look().offset.x(), 0);
}

TEST(KitViews, TheWindowVisibleFlagReachesEveryChildOncePerChange) {
    QWidget root;
    auto* middle = new QWidget(&root);
    auto* leaf = new QWidget(middle);
    EXPECT_TRUE(WindowVisible::of(leaf));
    int told = 0;
    struct Watcher : QObject {
        int* count;
        explicit Watcher(int* c) : count(c) {}
        bool eventFilter(QObject*, QEvent* e) override {
            if (e->type() == WindowVisible::changedEvent()) ++*count;
            return false;
        }
    } watcher(&told);
    leaf->installEventFilter(&watcher);
    WindowVisible::set(&root, false);
    EXPECT_FALSE(WindowVisible::of(leaf));
    EXPECT_EQ(told, 1);
    WindowVisible::set(&root, false);
    EXPECT_EQ(told, 1) << "no news, no event";
    WindowVisible::set(&root, true);
    EXPECT_TRUE(WindowVisible::of(leaf));
}
