#include "MivoraUI/KeyCap.h"
#include "MivoraUI/KeyCombo.h"
#include "MivoraUI/PracticeField.h"
#include "MivoraUI/StatusDot.h"
#include "MivoraUI/SuccessBadge.h"

#include "support/FakeScheduler.h"
#include "support/Render.h"

#include <QLineEdit>
#include <QPlainTextEdit>
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
        render(page, dark);
        page.activateWindow();
        other->setFocus();
        scheduler.advance(0.29);
        EXPECT_FALSE(field->editor()->hasFocus());
        scheduler.advance(0.02);
        EXPECT_TRUE(waitFor([&] { return field->focusRing() == 1.0; }));
        saveArtefact(field->grab().toImage(), QString("kit-practicefield-%1").arg(dark ? "dark" : "light"));
    }
}
