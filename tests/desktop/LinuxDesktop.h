#pragma once

#include "Platform/Linux/LinuxPlatform.h"
#include "Support/Clock.h"
#include "Support/Scheduler.h"

#include "support/MemoryDefaults.h"

#include <QProcess>

#include <gtest/gtest.h>

namespace mivora::test {

// The Linux platform on the session's desktop, and what it is made with.
struct LinuxDesktop : ::testing::Test {
    MemoryDefaults defaults;
    SystemClock clock;
    QtScheduler scheduler;
    const std::unique_ptr<Platform> platform = LinuxPlatform::make(defaults, clock, scheduler);
};

// The trimmed standard output of a desktop tool (xwininfo, xdotool), empty when it does not finish.
inline QString runTool(const QString& program, const QStringList& args) {
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(5000)) return {};
    return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
}

} // namespace mivora::test
