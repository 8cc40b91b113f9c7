#include "AutoUpdate.h"

#include "support/FakeScheduler.h"
#include "support/MemoryDefaults.h"

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

struct FakeUpdater final : AutoUpdate::Updater {
    int* checks;
    explicit FakeUpdater(int* c) : checks(c) {}
    void checkForUpdates() override { ++*checks; }
};

struct AutoUpdateTest : ::testing::Test {
    MemoryDefaults defaults;
    FakeClock clock;
    FakeScheduler scheduler{clock};
    int checks = 0;
    bool restartNow = false;

    AutoUpdate make(bool hasFeed, bool platformHasUpdater = true) {
        AutoUpdate::Hooks hooks;
        hooks.hasFeed = hasFeed;
        if (platformHasUpdater) hooks.makeUpdater = [this] { return std::make_unique<FakeUpdater>(&checks); };
        hooks.askRestartNow = [this](const QString&) { return restartNow; };
        return AutoUpdate(hooks, defaults, scheduler);
    }
};

} // namespace

// No updater without both a feed and a platform updater; with both, a downloaded update asks, and installs
// on the next turn of the loop, after the answer went back to the updater.
TEST_F(AutoUpdateTest, AnUpdaterNeedsAFeedAndAPlatformUpdaterAndInstallsAfterTheAnswer) {
    for (const auto& [feed, updater] : {std::pair{false, true}, std::pair{true, false}}) {
        AutoUpdate updates = make(feed, updater);
        updates.start();
        EXPECT_EQ(updates.controller(), nullptr);
    }
    AutoUpdate updates = make(true);
    updates.start();
    updates.checkForUpdates();
    EXPECT_EQ(checks, 1);

    int installs = 0;
    EXPECT_FALSE(updates.willInstallUpdateOnQuit("1.2", "42", [&] { ++installs; }));
    restartNow = true;
    EXPECT_TRUE(updates.willInstallUpdateOnQuit("1.2", "42", [&] { ++installs; }));
    EXPECT_EQ(installs, 0);
    scheduler.advance(0);
    EXPECT_EQ(installs, 1);
}
