// The suggestion, account and sync wiring of the running program, on the fake platform: what reaches which
// controller, and what the account tells the rest of the program.
#include "AccountWiring.h"
#include "AppDelegate.h"
#include "Audio/MicSource.h"
#include "Platform/KeyCodes.h"
#include "SuggestWiring.h"
#include "Support/BundleInfo.h"
#include "SyncWiring.h"

#include "support/FakeAccountServer.h"
#include "support/FakeOpenAI.h"
#include "support/FakePlatform.h"
#include "support/FakeScheduler.h"
#include "support/MemoryDefaults.h"
#include "support/Speech.h"
#include "support/TaskProbe.h"

#include <QNetworkAccessManager>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

struct WiringTest : ::testing::Test {
    // The relay setting a test makes is dropped after everything below is gone.
    std::shared_ptr<void> resetInfo{nullptr, [](void*) { BundleInfo::reset(); }};
    FakePlatform platform;
    MemoryDefaults defaults;
    FakeClock clock;
    FakeScheduler scheduler{clock};
    QNetworkAccessManager network;
    AppDelegate app{{platform, defaults, clock, scheduler, network, std::nullopt, nullptr}};

    static void relay(const QString& url) {
        BundleInfo::setOverride({{"YarrikProxyURL", url}, {"YarrikProxyToken", "relay-token"}});
    }
    bool down(int code) { return app.tap().process({KeyEvent::keyDown, code}); }
    bool up(int code) { return app.tap().process({KeyEvent::keyUp, code}); }
    bool fn(bool down) {
        return app.tap().process({KeyEvent::flagsChanged, KeyCode::fn, false, down ? KeyEvent::fnFlag : 0});
    }
    bool idle() { return app.controller().phase().is(VoicePhase::Kind::idle); }
};

void finish(QCoro::Task<> task) {
    const TaskProbe<void> probe(std::move(task));
    ASSERT_TRUE(probe.wait());
    probe.get();
}

} // namespace

TEST_F(WiringTest, TheSuggestionsTakeTheirKeysFirstAndLeaveEveryOtherToTheVoice) {
    relay("https://relay.example/");
    SuggestWiring suggest(app, platform, defaults, scheduler, clock, nullptr);
    app.memories().add("地址", "北京市朝阳区");
    app.launch(true);
    // The field holds `text` and a key comes up (a key-down while Fn is held would cancel the take).
    const auto typed = [&](const QString& text) {
        platform.fake.text.focus = FakeTextField{.text = text, .caret = text.size()};
        up(KeyCode::a);
        scheduler.advance(0.2);
        return suggest.controller().offer().has_value();
    };

    ASSERT_TRUE(typed("我的地址"));
    EXPECT_TRUE(down(KeyCode::escape));
    EXPECT_TRUE(up(KeyCode::escape));
    EXPECT_FALSE(suggest.controller().offer());

    ASSERT_TRUE(typed("你的地址"));
    EXPECT_TRUE(down(KeyCode::tab));
    EXPECT_TRUE(up(KeyCode::tab));
    EXPECT_EQ(app.stats().typedFills(), 1);
    EXPECT_EQ(app.model().lastSuccess()->lesson, WindowModel::Lesson::typing);

    // Fn takes the offer down and still starts the take; while it records nothing is offered.
    ASSERT_TRUE(typed("他的地址"));
    fn(true);
    EXPECT_FALSE(suggest.controller().offer());
    EXPECT_FALSE(idle());
    EXPECT_FALSE(typed("她的地址"));

    app.act(MenuRow::Action::toggleTyping);
    EXPECT_FALSE(suggest.controller().enabled());
}

TEST_F(WiringTest, StoredTokensCountOnceReadAndATakeThroughTheRelayCarriesTheAccountsToken) {
    FakeOpenAI upstream;
    upstream.respond("/v1/audio/transcriptions", FakeOpenAI::transcription("你好"));
    FakeAccountServer server(clock, upstream.url("/"));
    server.addReviewAccount("ann@example.com", "246810");
    relay(server.url().toString());
    platform.fake.secrets.items[{KeychainTokenStore::service, KeychainTokenStore::account}] =
        AccountTokens{"at-stored", "rt-stored", clock.now().addSecs(3600), "u1", std::nullopt, "email"}
            .toJson();
    int passes = 0, resets = 0;
    app.hooks.sync = {nullptr, [&] { ++passes; }, [&] { ++resets; }};
    AccountWiring wiring(app, platform, network, defaults, clock);

    // Until the stored tokens are read the sign-in state is unknown: nothing is synced or reset.
    app.launch(true);
    EXPECT_EQ(passes + resets, 0);
    EXPECT_FALSE(app.controller().needsSignIn());
    wiring.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return wiring.restored(); }, 5000));
    EXPECT_EQ(passes, 1);
    EXPECT_EQ(resets, 0);

    finish(wiring.account().signOut());
    EXPECT_EQ(resets, 1);
    EXPECT_TRUE(app.controller().needsSignIn());
    finish(wiring.account().verifyEmail("ann@example.com", "246810"));
    EXPECT_EQ(passes, 2);
    EXPECT_FALSE(app.controller().needsSignIn());

    fn(true);
    platform.microphone->deliver(speech(1.0).samples);
    scheduler.advance(0.5);
    fn(false);
    scheduler.advance(MicSource::tail);
    ASSERT_TRUE(QTest::qWaitFor([&] { return upstream.count("/v1/audio/transcriptions") == 1; }, 15000));
    ASSERT_TRUE(wiring.account().signedIn());
    const QByteArray bearer = "Bearer " + wiring.account().tokens()->accessToken.toUtf8();
    EXPECT_EQ(upstream.log.last().header("Authorization"), bearer);
}

// The sync: the account's sign-in state and the store's changes drive one engine whose data key lives in
// the platform's secret store.
TEST_F(WiringTest, SignInSyncsLocalChangesUploadAfterTheDebounceAndSignOutResets) {
    FakeAccountServer server(clock);
    server.addReviewAccount("ann@example.com", "246810");
    BundleInfo::setOverride(
        {{"YarrikProxyURL", server.url().toString()}, {"YarrikProxyToken", "relay-token"}});
    AccountWiring account(app, platform, network, defaults, clock);
    SyncWiring sync(app, account.account(), platform, clock, scheduler);
    using Kind = MemorySync::State::Kind;
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
