#pragma once

#include "AppDelegate.h"
#include "Support/HttpClient.h"

#include "support/FakePlatform.h"
#include "support/FakeScheduler.h"
#include "support/MemoryDefaults.h"

namespace mivora::test {

// The shell on a fake desktop, with settings in memory and time in the test's hands; not launched yet.
struct DelegateRig {
    FakePlatform platform;
    MemoryDefaults defaults;
    FakeClock clock;
    FakeScheduler scheduler{clock};
    QtScheduler networkTimers;
    HttpClient network{networkTimers};
    AppDelegate app{{platform, defaults, clock, scheduler, network, std::nullopt, nullptr}};
};

} // namespace mivora::test
