// The developer's request for the test strip, sent on the session bus to the real program on the private
// desktop: the strip shows near the middle of the screen without anything typed.
#include "LinuxDesktop.h"
#include "support/ChildProcess.h"
#include "support/FakeOpenAI.h"
#include "support/RelayProgram.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTemporaryDir>

using namespace mivora;
using namespace mivora::test;

namespace {

// Whether process `pid` shows a window of `width` × `height` at the top left `at`.
bool windowShownAt(qint64 pid, int width, int height, QPoint at) {
    const QStringList windows = runTool("xdotool", {"search", "--onlyvisible", "--pid", QString::number(pid)})
                                    .split('\n', Qt::SkipEmptyParts);
    return std::any_of(windows.begin(), windows.end(), [&](const QString& id) {
        const QString info = runTool("xwininfo", {"-id", id});
        return info.contains(QString("Width: %1\n").arg(width)) &&
               info.contains(QString("Height: %1\n").arg(height)) &&
               info.contains(QString("Absolute upper-left X:  %1\n").arg(at.x())) &&
               info.contains(QString("Absolute upper-left Y:  %1\n").arg(at.y())) &&
               info.contains("IsViewable");
    });
}

// Whether the program owns its name on the session bus (it listens before it takes the name).
bool ownsItsName() {
    return runTool("dbus-send",
                   {"--session", "--print-reply", "--dest=org.freedesktop.DBus", "/org/freedesktop/DBus",
                    "org.freedesktop.DBus.NameHasOwner", "string:com.orvessan.yarrik.mac"})
        .contains("boolean true");
}

} // namespace

TEST(DebugChipDesktop, TheSessionBusSignalShowsTheTestStripInTheMiddleOfTheScreen) {
    FakeOpenAI server;
    QTemporaryDir dir;
    RelayProgram program(dir, server.url("/"));
    QProcess* mivora = program.start();
    ASSERT_TRUE(waitUntil(ownsItsName, desktopDeadlineMs)) << program.log().join('\n').toStdString();

    runTool("dbus-send", {"--session", "--type=signal", "--dest=com.orvessan.yarrik.mac",
                          "/com/orvessan/yarrik/mac", "com.orvessan.yarrik.mac.debugChip"});
    // The caret stands 120 left of the screen's middle, 16 high; the strip (360 × 44) hangs 10 to its left,
    // 2 below it.
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    const QPoint at(screen.width() / 2 - 120 - 10, screen.height() / 2 + 2);
    EXPECT_TRUE(waitUntil([&] { return windowShownAt(mivora->processId(), 360, 44, at); }, desktopDeadlineMs))
        << program.log().join('\n').toStdString();
    EXPECT_TRUE(program.logged(
        QString("提示条：光标 %1,%2 高 16").arg(screen.width() / 2 - 120).arg(screen.height() / 2)))
        << program.log().join('\n').toStdString();
    mivora->kill();
    mivora->waitForFinished();
}
