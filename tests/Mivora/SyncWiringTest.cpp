// The sync of the running program on the fake platform: the account's sign-in state and the store's
// changes drive one engine whose data key lives in the platform's secret store.
#include "SyncWiring.h"
#include "AccountWiring.h"
#include "AppDelegate.h"
#include "Support/BundleInfo.h"

#include "support/FakeAccountServer.h"
#include "support/FakePlatform.h"
#include "support/FakeScheduler.h"
#include "support/MemoryDefaults.h"
#include "support/TaskProbe.h"

#include <QNetworkAccessManager>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;
using Kind = MemorySync::State::Kind;

TEST(SyncWiring, SignInSyncsLocalChangesUploadAfterTheDebounceAndSignOutResets) {
    std::shared_ptr<void> resetInfo{nullptr, [](void*) { BundleInfo::reset(); }};
    FakePlatform platform;
    MemoryDefaults defaults;
    FakeClock clock;
    FakeScheduler scheduler{clock};
    QNetworkAccessManager network;
    FakeAccountServer server(clock);
    server.addReviewAccount("ann@example.com", "246810");
    BundleInfo::setOverride(
        {{"YarrikProxyURL", server.url().toString()}, {"YarrikProxyToken", "relay-token"}});
    AppDelegate app{{platform, defaults, clock, scheduler, network, std::nullopt, nullptr}};
    AccountWiring account(app, platform, network, defaults, clock);
    SyncWiring sync(app, account.account(), platform, clock, scheduler);
    const auto kind = [&] { return sync.engine().state().kind; };
    app.launch(true);
    account.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return account.restored(); }, 5000));
    EXPECT_EQ(kind(), Kind::off);

    TaskProbe<void>(account.account().verifyEmail("ann@example.com", "246810")).wait();
    ASSERT_TRUE(QTest::qWaitFor([&] { return kind() == Kind::showRecoveryCode; }, 5000));
    ASSERT_TRUE(TaskProbe<void>(sync.engine().confirmRecoveryCodeSaved()).wait());
    EXPECT_EQ(kind(), Kind::synced);

    app.memories().add("地址", "北京");
    scheduler.advance(2.9);
    EXPECT_EQ(server.count("vault"), 2); // the first pass's read and the vault's creation
    scheduler.advance(0.1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.count("vault") == 4; }, 5000));
    EXPECT_EQ(server.log.last().method, "PUT");

    TaskProbe<void>(account.account().signOut()).wait();
    EXPECT_EQ(kind(), Kind::off);
}
