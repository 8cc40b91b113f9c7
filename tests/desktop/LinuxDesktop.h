#pragma once

#include "Platform/Linux/LinuxPlatform.h"
#include "Support/Clock.h"
#include "Support/Scheduler.h"

#include "support/ChildProcess.h"
#include "support/MemoryDefaults.h"

#include <QProcess>

#include <algorithm>

#include <gtest/gtest.h>

namespace mivora::test {

// The Linux platform on the session's desktop, and what it is made with.
struct LinuxDesktop : ::testing::Test {
    MemoryDefaults defaults;
    SystemClock clock;
    QtScheduler scheduler;
    const std::unique_ptr<Platform> platform = LinuxPlatform::make(defaults, clock, scheduler);

    // Waits until the window of process `pid` is the front application.
    bool inFront(qint64 pid) {
        return waitUntil(
            [&] { return platform->frontApplication().current().value_or(FrontApp{}).pid == pid; },
            desktopDeadlineMs);
    }
};

// The trimmed standard output of a desktop tool (xwininfo, xdotool), empty when it does not finish.
inline QString runTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(5000)) return {};
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

// Whether process `pid` shows a window of `width` × `height` on the desktop.
inline bool windowShown(qint64 pid, int width, int height) {
    const QStringList windows = runTool("xdotool", {"search", "--onlyvisible", "--pid", QString::number(pid)})
                                    .split('\n', Qt::SkipEmptyParts);
    return std::any_of(windows.begin(), windows.end(), [&](const QString& id) {
        const QString info = runTool("xwininfo", {"-id", id});
        return info.contains(QString("Width: %1\n").arg(width)) &&
               info.contains(QString("Height: %1\n").arg(height)) && info.contains("IsViewable");
    });
}

// Gives the focus to the first window process `pid` shows, once it shows one (without a window manager a new
// window does not take the focus: the user clicks into it). False when none showed.
inline bool focusWindowOf(qint64 pid) {
    QString window;
    waitUntil(
        [&] {
            window = runTool("xdotool", {"search", "--onlyvisible", "--pid", QString::number(pid)})
                         .section('\n', 0, 0);
            return !window.isEmpty();
        },
        desktopDeadlineMs);
    if (window.isEmpty()) return false;
    runTool("xdotool", {"windowfocus", "--sync", window});
    return true;
}

} // namespace mivora::test
