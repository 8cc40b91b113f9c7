#include "MivoraUI/HUD/HUDPanel.h"
#include "MivoraUI/HUD/HUDView.h"

#include "LinuxDesktop.h"
#include "support/ChildProcess.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QWindow>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

// Counts the mouse presses a window receives.
struct PressCounter : QObject {
    int presses = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::MouseButtonPress) ++presses;
        return false;
    }
};

} // namespace

TEST(HUDPanelDesktop, ShowsOverAFocusedLineEditWithoutTakingTheFocusAndLetsClicksThrough) {
    QLineEdit edit;
    edit.setWindowTitle("dictation-target");
    edit.setGeometry(0, 0, 800, 600);
    edit.show();
    edit.activateWindow();
    edit.setFocus();
    ASSERT_TRUE(waitUntil([&] { return edit.isActiveWindow() && edit.hasFocus(); }, desktopDeadlineMs));
    PressCounter counter;
    edit.installEventFilter(&counter);

    HUDPanel panel({false, "右 Ctrl"}, false);
    panel.setState(VoicePhase::listening(false), VoiceMode::dictate, 0.5f);
    panel.move(100, 100);
    // Ordering the window front, even asking for it to be activated, leaves the keyboard where it is.
    panel.show();
    panel.raise();
    panel.activateWindow();
    ASSERT_TRUE(waitUntil([&] { return panel.windowHandle() && panel.windowHandle()->isExposed(); },
                          desktopDeadlineMs));
    // Give a focus change every chance to arrive.
    waitUntil([] { return false; }, 300);
    EXPECT_TRUE(edit.isActiveWindow());
    EXPECT_TRUE(edit.hasFocus());

    // A click in the middle of the pill lands on the line edit beneath it.
    ASSERT_TRUE(waitUntil([&] { return panel.view()->shown() == 1.0; }, desktopDeadlineMs));
    const QPoint centre = panel.mapToGlobal(panel.view()->pillRect().center());
    ASSERT_TRUE(QRect(edit.mapToGlobal(QPoint()), edit.size()).contains(centre));
    runTool("xdotool", {"mousemove", QString::number(centre.x()), QString::number(centre.y()), "click", "1"});
    EXPECT_TRUE(waitUntil([&] { return counter.presses > 0; }, desktopDeadlineMs));
    EXPECT_TRUE(edit.hasFocus());
}
