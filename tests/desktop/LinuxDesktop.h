#pragma once

#include "Platform/Linux/LinuxPlatform.h"
#include "Support/Clock.h"
#include "Support/Scheduler.h"

#include "support/MemoryDefaults.h"

#include <gtest/gtest.h>

namespace mivora::test {

// The Linux platform on the session's desktop, and what it is made with.
struct LinuxDesktop : ::testing::Test {
    MemoryDefaults defaults;
    SystemClock clock;
    QtScheduler scheduler;
    const std::unique_ptr<Platform> platform = LinuxPlatform::make(defaults, clock, scheduler);
};

} // namespace mivora::test
