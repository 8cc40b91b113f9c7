#include "MivoraUI/HUD/HUDPanel.h"
#include "MivoraUI/HUD/HUDView.h"

#include "LinuxDesktop.h"
#include "support/ChildProcess.h"

#include "MivoraUI/HUD/HUDPill.h"

#include <QApplication>
#include <QLineEdit>
#include <QMouseEvent>
#include <QScreen>
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

// The pixels of the pill, 2 px in from its drawn edge, where the screen differs from the panel as it draws
// itself (by more than a rounding of the colour).
int differingPixels(HUDPanel& panel) {
    const QImage drawn = panel.grab().toImage().convertToFormat(QImage::Format_ARGB32);
    const QImage screen = QGuiApplication::primaryScreen()
                              ->grabWindow(0, panel.x(), panel.y(), panel.width(), panel.height())
                              .toImage()
                              .convertToFormat(QImage::Format_RGB32);
    if (screen.size() != drawn.size()) return -1;
    const auto opaque = [&](int x, int y) { return drawn.valid(x, y) && qAlpha(drawn.pixel(x, y)) == 255; };
    int differing = 0;
    for (int y = 0; y < drawn.height(); ++y)
        for (int x = 0; x < drawn.width(); ++x) {
            if (!opaque(x - 2, y - 2) || !opaque(x + 2, y - 2) || !opaque(x - 2, y + 2) ||
                !opaque(x + 2, y + 2))
                continue;
            const QRgb a = drawn.pixel(x, y), b = screen.pixel(x, y);
            if (std::abs(qRed(a) - qRed(b)) > 8 || std::abs(qGreen(a) - qGreen(b)) > 8 ||
                std::abs(qBlue(a) - qBlue(b)) > 8)
                ++differing;
        }
    return differing;
}

} // namespace

// Without a compositor (the window cut to the pill), the longest notices the program shows appear on screen
// as the pill draws them, whole and once, also after their blur-fade has ended and after a take's level
// bars ran in the same window.
TEST(HUDPanelDesktop, TheLongestNoticesShowOnScreenWholeAndOnce) {
    HUDPanel panel({false, "右 Ctrl"}, /*composited=*/false);
    panel.move(100, 100);
    panel.setState(VoicePhase::listening(false), VoiceMode::dictate, 0.5f);
    panel.show();
    ASSERT_TRUE(waitUntil([&] { return panel.windowHandle() && panel.windowHandle()->isExposed(); },
                          desktopDeadlineMs));
    HUDPill* pill = panel.view()->pill();
    const QList<std::pair<QString, bool>> notices{
        {"麦克风没有声音：检查麦克风权限和「声音 → 输入」设备", true},
        {"先登录 Veskel 才能用口述和「问」，已打开设置", true},
        {QString("网络不太稳定，").repeated(8) + "可在菜单里重试", true},
        {"没出现的话，按 Ctrl+V 粘贴", false},
    };
    for (const auto& [text, isError] : notices) {
        panel.setState(VoicePhase::notice(text, isError), VoiceMode::dictate, 0);
        // The pill has come, grown to the notice, and the notice's blur-fade is over.
        ASSERT_TRUE(waitUntil(
            [&] {
                return panel.view()->shown() == 1.0 && pill->size() == pill->sizeHint() && pill->content() &&
                       !pill->content()->graphicsEffect() &&
                       pill->findChildren<QWidget*>(Qt::FindDirectChildrenOnly).size() == 1;
            },
            desktopDeadlineMs))
            << text.toStdString();
        QCoreApplication::sendPostedEvents();
        QApplication::processEvents();
        EXPECT_TRUE(QRect(QPoint(), panel.size()).contains(panel.view()->pillRect())) << text.toStdString();
        EXPECT_TRUE(waitUntil([&] { return differingPixels(panel) == 0; }, desktopDeadlineMs))
            << text.toStdString() << ": " << differingPixels(panel) << " pixels differ";
    }
}

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
