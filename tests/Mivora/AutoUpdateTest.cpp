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
    QStringList log;
    int checks = 0;
    QStringList asked;
    bool restartNow = false;

    AutoUpdate make(bool hasFeed, bool platformHasUpdater = true) {
        AutoUpdate::Hooks hooks;
        hooks.hasFeed = hasFeed;
        if (platformHasUpdater) hooks.makeUpdater = [this] { return std::make_unique<FakeUpdater>(&checks); };
        hooks.askRestartNow = [this](const QString& version) { return asked << version, restartNow; };
        hooks.log = [this](const QString& line) { log << line; };
        return AutoUpdate(hooks, defaults, scheduler);
    }
};

} // namespace

TEST_F(AutoUpdateTest, AnUpdaterExistsOnlyWithAFeedAndAPlatformUpdater) {
    for (const auto& [feed, updater] : {std::pair{false, true}, std::pair{true, false}}) {
        AutoUpdate updates = make(feed, updater);
        updates.start();
        updates.checkForUpdates();
        EXPECT_EQ(updates.controller(), nullptr);
    }
    EXPECT_TRUE(log.isEmpty());
    AutoUpdate updates = make(true);
    updates.start();
    updates.checkForUpdates();
    EXPECT_EQ(checks, 1);
    EXPECT_EQ(log, QStringList{"自动更新已开启"});
}

TEST_F(AutoUpdateTest, ADownloadedUpdateAsksUnlessToldNotToAndInstallsAfterTheAnswer) {
    AutoUpdate updates = make(true);
    int installs = 0;
    EXPECT_FALSE(updates.willInstallUpdateOnQuit("1.2", "42", [&] { ++installs; }));
    EXPECT_EQ(asked, QStringList{"1.2"});
    EXPECT_EQ(log, QStringList({"新版本 1.2（42）已下载好", "用户选择稍后，退出时安装"}));

    restartNow = true;
    EXPECT_TRUE(updates.willInstallUpdateOnQuit("1.2", "42", [&] { ++installs; }));
    EXPECT_EQ(installs, 0) << "the install runs after the answer went back";
    scheduler.advance(0);
    EXPECT_EQ(installs, 1);

    defaults.setValue("MivoraUpdateNoPrompt", true);
    restartNow = false;
    log.clear();
    EXPECT_TRUE(updates.willInstallUpdateOnQuit("1.3", "43", [&] { ++installs; }));
    EXPECT_EQ(asked.size(), 2);
    EXPECT_EQ(log, QStringList({"新版本 1.3（43）已下载好", "现在更新"}));
}

TEST_F(AutoUpdateTest, FailuresAreLoggedButNoNewerVersionIsNot) {
    AutoUpdate updates = make(true);
    updates.didAbort(AutoUpdate::errorDomain, 1001);
    updates.didAbort("NSURLErrorDomain", 1001);
    updates.didAbort(AutoUpdate::errorDomain, 2001);
    scheduler.advance(0);
    EXPECT_EQ(log, QStringList({"更新出错：NSURLErrorDomain 1001", "更新出错：SUSparkleErrorDomain 2001"}));
}
