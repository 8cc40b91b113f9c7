#include "MivoraUI/Steps/PermissionSteps.h"

#include "MivoraUI/Kit/WindowVisible.h"
#include "MivoraUI/Steps/StepRow.h"
#include "support/WindowModelRig.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <QLabel>
#include <QTest>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

class Steps : public ::testing::Test {
protected:
    Steps() {
        steps.resize(520, 360);
        steps.show();
    }
    // Each row as done / active / neither.
    QString states() const {
        QString out;
        for (StepRow* row : steps.rows())
            out += row->fields().done ? 'd' : row->fields().active ? 'a' : '-';
        return out;
    }
    // A key pressed while the row waits for one, as a window on the desktop reports it.
    void press(Qt::Key key, quint32 native) {
        QWidget* target = QWidget::keyboardGrabber() ? QWidget::keyboardGrabber() : &steps;
        QKeyEvent event(QEvent::KeyPress, key, Qt::NoModifier, 0, native, 0);
        QApplication::sendEvent(target, &event);
    }
    StepRow& hotkeyRow() const { return *steps.rows()[2]; }

    WindowModelRig rig;
    PermissionSteps steps{rig.setup, rig.permissions, rig.defaults, rig.platform.keyboard()};
};

} // namespace

TEST_F(Steps, TheFirstUnfinishedStepIsActiveWhateverTheRecogniserSays) {
    rig.setSetup(false, false, false, true);
    EXPECT_EQ(states(), "a--");
    EXPECT_TRUE(steps.rows()[0]->hint() && steps.rows()[0]->hint()->isVisible());
    ASSERT_TRUE(steps.rows()[0]->button());
    EXPECT_EQ(steps.rows()[0]->button()->text(), "允许");
    rig.setSetup(true, false, false, true);
    EXPECT_EQ(states(), "da-");
    EXPECT_EQ(steps.rows()[0]->button(), nullptr) << "a done step has no button";
    EXPECT_EQ(steps.rows()[0]->hint(), nullptr);
    rig.setSetup(false, true, true, false);
    EXPECT_EQ(states(), "add");
    rig.setSetup(true, true, true, false);
    EXPECT_EQ(states(), "ddd");
    EXPECT_EQ(steps.active(), 0);
}

TEST_F(Steps, TheHintHoldsStillWhileTheWindowCannotBeSeen) {
    rig.setSetup(false, false, false, true);
    PermissionHint* hint = steps.rows()[0]->hint();
    ASSERT_TRUE(hint);
    EXPECT_TRUE(hint->animating());
    WindowVisible::set(&steps, false);
    EXPECT_FALSE(hint->animating());
    WindowVisible::set(&steps, true);
    EXPECT_TRUE(hint->animating());
    steps.hide();
    EXPECT_FALSE(hint->animating());
}

// The desktop has no switch per program: the accessibility row names the session's one setting, the
// rest of its text as the other rows word it.
TEST_F(Steps, TheAccessibilityRowNamesTheSessionsSwitch) {
    rig.setSetup(true, false, false, true);
    EXPECT_EQ(steps.rows()[1]->fields().detail,
              "用来识别 右 Ctrl 键，并把文字填到光标处。在设置里打开「辅助技术」开关。");
}

// "允许" with a microphone there ticks the row off as soon as the answer comes, not at the next poll.
TEST_F(Steps, TheMicrophoneRowIsTickedWhenTheAnswerComes) {
    rig.platform.fake.audioInputs.present = false;
    rig.setup.refresh();
    ASSERT_EQ(states()[0], 'a');
    rig.platform.fake.audioInputs.present = true; // plugged in before the click
    ASSERT_TRUE(steps.rows()[0]->button());
    steps.rows()[0]->button()->click();
    QCoreApplication::processEvents();
    EXPECT_EQ(states()[0], 'd');
}

// While the row waits for a new key ("请按键…") it is the active step, even when the old key turns out to be
// free meanwhile; the key pressed then is still taken.
TEST_F(Steps, TheHotkeyRowWaitingForAKeyIsNeverShownDone) {
    rig.setSetup(true, true, false, true);
    hotkeyRow().button()->click();
    ASSERT_TRUE(steps.choosingHotkey());
    rig.setup.setFnFree(true); // the poll finds the old key free now
    EXPECT_EQ(states(), "dda");
    ASSERT_TRUE(hotkeyRow().button());
    EXPECT_EQ(hotkeyRow().button()->text(), "请按键…");
    press(Qt::Key_Alt, 0xffea);
    EXPECT_FALSE(steps.choosingHotkey());
    EXPECT_EQ(rig.defaults.value("fnKey"), QVariant("Alt_R"));
    EXPECT_EQ(states(), "ddd");
}

TEST_F(Steps, TheHotkeyRowTakesTheNextKeyPressedAndChecksItAgain) {
    rig.setSetup(true, true, false, true); // the key is only offered for change while it cannot serve
    EXPECT_EQ(hotkeyRow().fields().title, "右 Ctrl 键");
    hotkeyRow().button()->click();
    ASSERT_TRUE(steps.choosingHotkey());
    EXPECT_EQ(QWidget::keyboardGrabber(), &steps) << "the key is taken wherever the focus is";
    press(Qt::Key_Escape, 0xff1b);
    EXPECT_FALSE(steps.choosingHotkey());
    EXPECT_FALSE(rig.defaults.contains("fnKey")) << "Esc keeps the old key";

    // A key another program holds is stored, and the row says why it cannot serve yet.
    rig.platform.fake.keyboard.hotkeys["Control_L"] = KeyboardProbe::KeyState::taken;
    hotkeyRow().button()->click();
    press(Qt::Key_unknown, 0x12345678); // a key the desktop has no name for: the row waits on
    EXPECT_TRUE(steps.choosingHotkey());
    EXPECT_TRUE(hotkeyRow().fields().detail.startsWith("这个键认不出来"));
    press(Qt::Key_Control, 0xffe3);
    EXPECT_FALSE(steps.choosingHotkey());
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
    EXPECT_EQ(rig.defaults.value("fnKey"), QVariant("Control_L"));
    EXPECT_EQ(states(), "dda");
    EXPECT_TRUE(hotkeyRow().fields().detail.contains("被别的程序占作快捷键"))
        << hotkeyRow().fields().detail.toStdString();
    EXPECT_TRUE(steps.rows()[1]->fields().detail.contains("左 Ctrl")) << "every row names the key held";

    hotkeyRow().button()->click();
    press(Qt::Key_Alt, 0xffea);
    EXPECT_EQ(rig.defaults.value("fnKey"), QVariant("Alt_R"));
    EXPECT_EQ(hotkeyRow().fields().title, "右 Alt 键");
    EXPECT_EQ(states(), "ddd");
}

// A key that types or edits text would stop typing in every application once held to dictate (the Return
// that confirms the choice, a letter): it is refused with the reason and the wait goes on.
TEST_F(Steps, AKeyThatTypesIsRefusedAndTheWaitGoesOn) {
    rig.setSetup(true, true, false, true);
    hotkeyRow().button()->click();
    struct Typing {
        Qt::Key key;
        quint32 native;
        const char* text;
    };
    for (const Typing& k : {Typing{Qt::Key_Return, 0xff0d, "\r"}, Typing{Qt::Key_A, 0x61, "a"},
                            Typing{Qt::Key_1, 0xffb1, "1"}, Typing{Qt::Key_Space, 0x20, " "},
                            Typing{Qt::Key_Backspace, 0xff08, ""}, Typing{Qt::Key_Delete, 0xffff, ""},
                            Typing{Qt::Key_Tab, 0xff09, "\t"}, Typing{Qt::Key(0x436), 0x6d6, "ж"}}) {
        QWidget* target = QWidget::keyboardGrabber();
        ASSERT_TRUE(target);
        QKeyEvent event(QEvent::KeyPress, k.key, Qt::NoModifier, 0, k.native, 0, QString::fromUtf8(k.text));
        QApplication::sendEvent(target, &event);
        EXPECT_TRUE(steps.choosingHotkey()) << k.text;
        EXPECT_TRUE(hotkeyRow().fields().detail.startsWith("这个键用来打字，不能当按住说话的键"))
            << hotkeyRow().fields().detail.toStdString();
    }
    EXPECT_FALSE(rig.defaults.contains("fnKey"));

    // Keys that type nothing are taken: a function key.
    rig.platform.fake.keyboard.names[0xffc6] = "F9";
    press(Qt::Key_F9, 0xffc6);
    EXPECT_FALSE(steps.choosingHotkey());
    EXPECT_EQ(rig.defaults.value("fnKey"), QVariant("F9"));
}

TEST(StepsGone, WhileWaitingForAKeyTheyGiveTheKeyboardBack) {
    WindowModelRig rig;
    rig.setSetup(true, true, false, true);
    auto steps =
        std::make_unique<PermissionSteps>(rig.setup, rig.permissions, rig.defaults, rig.platform.keyboard());
    steps->show();
    steps->rows()[2]->button()->click();
    ASSERT_TRUE(steps->choosingHotkey());
    steps.reset(); // e.g. the welcome leaves while its hotkey row waits
    EXPECT_EQ(QWidget::keyboardGrabber(), nullptr);
    EXPECT_FALSE(rig.defaults.contains("fnKey"));
}
