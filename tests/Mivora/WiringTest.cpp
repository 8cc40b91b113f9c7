// The suggestion and account wiring of the running program, on the fake platform, where it crosses
// controllers in ways the end-to-end tests do not reach.
#include "AccountWiring.h"
#include "AppDelegate.h"
#include "Audio/MicSource.h"
#include "Platform/KeyCodes.h"
#include "Platform/PlatformWords.h"
#include "SuggestWiring.h"
#include "Support/BundleInfo.h"
#include "Support/UserError.h"

#include "support/DelegateRig.h"
#include "support/FakeAccountServer.h"
#include "support/FakeAudioInput.h"
#include "support/FakeOpenAI.h"
#include "support/FakePlatform.h"
#include "support/FakeScheduler.h"
#include "support/FlakySecretStore.h"
#include "support/MemoryDefaults.h"
#include "support/Speech.h"
#include "support/TaskProbe.h"

#include "Support/HttpClient.h"

#include <gtest/gtest.h>

#include <functional>

using namespace mivora;
using namespace mivora::test;

namespace {

const QString ann = QStringLiteral("ann@example.com");

// The relay setting a test makes is dropped after the shell is gone: bases go in reverse order.
struct ResetsInfo {
    std::shared_ptr<void> resetInfo{nullptr, [](void*) { BundleInfo::reset(); }};
};

struct WiringTest : ::testing::Test, ResetsInfo, DelegateRig {

    static void relay(const QString& url) {
        BundleInfo::setOverride({{"YarrikProxyURL", url}, {"YarrikProxyToken", "relay-token"}});
    }
    bool up(int code) { return app.tap().process({KeyEvent::keyUp, code}); }
    bool fn(bool down) {
        return app.tap().process({KeyEvent::flagsChanged, KeyCode::fn, false, down ? KeyEvent::fnFlag : 0});
    }
    // A take: the hotkey held half a second over speech, then let go.
    void speak() {
        fn(true);
        ASSERT_TRUE(platform.microphone);
        platform.microphone->deliver(speech(1.0).samples);
        scheduler.advance(0.5);
        fn(false);
        scheduler.advance(MicSource::tail);
    }
    // The stored sign-in of `session`, its access token good for `seconds` more.
    QByteArray storedSignIn(const FakeAccountServer::Session& session, int seconds) {
        return AccountTokens{session.accessToken,
                             session.refreshToken,
                             clock.now().addSecs(seconds),
                             session.userId,
                             ann,
                             "email"}
            .toJson();
    }
    // The take failed with the notice that names the keyring, its recording kept and nothing sent.
    void keptForARetry(const FakeOpenAI& upstream) {
        const VoiceController& voice = app.controller();
        EXPECT_TRUE(voice.phase().isError);
        EXPECT_TRUE(voice.phase().text.contains(PlatformWords::keyring()))
            << voice.phase().text.toStdString();
        EXPECT_TRUE(voice.failedClip());
        EXPECT_EQ(upstream.count("/v1/audio/transcriptions"), 0);
    }
    // A retry is taken at once; once `answer` has the keyring answer, it lands. The token it reached the
    // relay with, or a null array.
    QByteArray retriedOnceAnswered(const FakeOpenAI& upstream, const std::function<void()>& answer) {
        VoiceController& voice = app.controller();
        voice.retryLast();
        EXPECT_EQ(voice.phase(), VoicePhase::processing());
        answer();
        if (!QTest::qWaitFor([&] { return !voice.phase().is(VoicePhase::Kind::processing); }, 10000)) {
            ADD_FAILURE() << "the retry never ended";
            return {};
        }
        EXPECT_EQ(voice.lastText(), "你好");
        EXPECT_FALSE(voice.failedClip());
        EXPECT_EQ(upstream.count("/v1/audio/transcriptions"), 1);
        return upstream.count("/v1/audio/transcriptions") ? upstream.log.last().header("Authorization")
                                                          : QByteArray();
    }
};

void finish(QCoro::Task<> task) {
    const TaskProbe<void> probe(std::move(task));
    ASSERT_TRUE(probe.wait());
    probe.get();
}

} // namespace

// Esc takes an offer down; Fn with an offer shown takes it down too and still starts the take, during
// which nothing is offered. With the offers gone, the suggestions answer nothing for Esc: it goes to the
// voice controller and cancels the take.
TEST_F(WiringTest, EscAndFnTakeTheOfferDownAndEscThenCancelsTheTake) {
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
    const auto press = [&](int code) {
        const bool swallowed = app.tap().process({KeyEvent::keyDown, code});
        up(code);
        return swallowed;
    };
    ASSERT_TRUE(typed("他的地址"));
    EXPECT_TRUE(press(KeyCode::escape));
    EXPECT_FALSE(suggest.controller().offer());

    ASSERT_TRUE(typed("你的地址"));
    fn(true);
    EXPECT_FALSE(suggest.controller().offer());
    ASSERT_FALSE(app.controller().phase().is(VoicePhase::Kind::idle));
    EXPECT_FALSE(typed("她的地址"));
    EXPECT_TRUE(press(KeyCode::escape));
    EXPECT_EQ(app.controller().phase(), VoicePhase::idle());
}

// Until the stored tokens are read the sign-in state is unknown: nothing is synced or reset, a take is not
// sent to sign in, and the stored account then counts once.
TEST_F(WiringTest, StoredTokensCountOnceRead) {
    FakeAccountServer server(clock);
    server.addReviewAccount(ann, "246810");
    relay(server.url().toString());
    platform.fake.secrets.items[{KeychainTokenStore::service, KeychainTokenStore::account}] =
        AccountTokens{"at-stored", "rt-stored", clock.now().addSecs(3600), "u1", std::nullopt, "email"}
            .toJson();
    int passes = 0, resets = 0;
    app.hooks.sync = {nullptr, [&] { ++passes; }, [&] { ++resets; }};
    AccountWiring wiring(app, platform, network, defaults, clock, scheduler);
    app.launch(true);
    EXPECT_EQ(passes + resets, 0);
    EXPECT_FALSE(app.controller().needsSignIn());
    wiring.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return wiring.restored(); }, 5000));
    EXPECT_FALSE(app.controller().needsSignIn());
    EXPECT_EQ(passes, 1);
    EXPECT_EQ(resets, 0);

    finish(wiring.account().signOut());
    EXPECT_EQ(resets, 1);
    EXPECT_TRUE(app.controller().needsSignIn());
    finish(wiring.account().verifyEmail(ann, "246810"));
    EXPECT_EQ(passes, 2);
    EXPECT_FALSE(app.controller().needsSignIn());
}

// A take pressed while the stored tokens are still being read starts (a user signed in is not told to sign
// in); when the tokens turn out to be missing, its relay request fails with the sign-in notice instead of
// reaching the relay without an account, and the next take is refused at its start.
TEST_F(WiringTest, ATakeBeforeTheStoredSignInIsKnownStartsAndNeedsTheAccountOnlyForItsRequest) {
    relay("https://relay.example/");
    AccountWiring wiring(app, platform, network, defaults, clock, scheduler);
    app.launch(true);
    fn(true);
    EXPECT_EQ(app.controller().phase(), VoicePhase::listening(false));
    const TaskProbe<std::optional<QString>> token(app.hooks.accountToken());
    wiring.start();
    ASSERT_TRUE(token.wait());
    EXPECT_EQ(UserError::messageOf(token.error()), "先登录 Veskel 才能用口述和「问」");
    EXPECT_TRUE(app.controller().needsSignIn());
}

// A take while the secret store does not answer (an unlock prompt nobody answers) waits a few seconds for
// the stored sign-in, then fails with a notice that names the keyring and keeps its recording; the retry is
// taken, and once the store answers it reaches the relay with the stored account's token.
TEST_F(WiringTest, ATakeWaitsAFewSecondsForTheStoredSignInAndKeepsItsRecordingForARetry) {
    FakeOpenAI upstream;
    upstream.respond("/v1/audio/transcriptions", FakeOpenAI::transcription("你好"));
    FakeAccountServer server(clock, upstream.url("/"));
    relay(server.url().toString());
    const FakeAccountServer::Session session = server.session(ann);
    platform.fake.secrets.items[{KeychainTokenStore::service, KeychainTokenStore::account}] =
        storedSignIn(session, 3600);
    AccountWiring wiring(app, platform, network, defaults, clock, scheduler);
    app.launch(true);
    VoiceController& voice = app.controller();
    ASSERT_NO_FATAL_FAILURE(speak());
    EXPECT_EQ(voice.phase(), VoicePhase::processing());
    scheduler.advance(4.5);
    EXPECT_EQ(voice.phase(), VoicePhase::processing());
    scheduler.advance(1);
    keptForARetry(upstream);
    EXPECT_EQ(retriedOnceAnswered(upstream, [&] { wiring.start(); }),
              "Bearer " + session.accessToken.toUtf8());
}

// A token near its expiry is refreshed at the take, and the new pair saved to the keyring before it is used;
// a save the keyring never answers counts against the same few seconds: the take fails with the keyring
// notice and keeps its recording. Once the keyring answers, the retry reaches the relay with the new token.
TEST_F(WiringTest, ATakeWhoseRefreshedTokenCannotBeSavedFailsByItsDeadlineAndKeepsItsRecording) {
    FakeOpenAI upstream;
    upstream.respond("/v1/audio/transcriptions", FakeOpenAI::transcription("你好"));
    FakeAccountServer server(clock, upstream.url("/"));
    relay(server.url().toString());
    const FakeAccountServer::Session session = server.session(ann);
    Platform::Parts parts;
    auto owned = std::make_unique<FlakySecretStore>();
    FlakySecretStore& keyring = *owned;
    parts.secrets = std::move(owned);
    Platform withKeyring(std::move(parts)); // the account's store only
    keyring.items.items[{KeychainTokenStore::service, KeychainTokenStore::account}] =
        storedSignIn(session, 30);
    AccountWiring wiring(app, withKeyring, network, defaults, clock, scheduler);
    app.launch(true);
    wiring.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return wiring.restored(); }, 5000));
    keyring.holdWrites = true;

    VoiceController& voice = app.controller();
    ASSERT_NO_FATAL_FAILURE(speak());
    // The refresh is answered; saving the new pair waits on the keyring.
    ASSERT_TRUE(QTest::qWaitFor([&] { return keyring.heldWrites() == 1; }, 10000));
    scheduler.advance(4.9);
    EXPECT_EQ(voice.phase(), VoicePhase::processing());
    voice.retryLast(); // refused while the take waits
    scheduler.advance(0.1);
    keptForARetry(upstream);

    const QByteArray sent = retriedOnceAnswered(upstream, [&] { keyring.releaseWrites(); });
    EXPECT_EQ(server.count("auth/refresh"), 1); // the retry joined the refresh that was waiting
    ASSERT_TRUE(wiring.account().tokens());
    EXPECT_EQ(sent, "Bearer " + wiring.account().tokens()->accessToken.toUtf8());
    EXPECT_NE(wiring.account().tokens()->accessToken, session.accessToken);
}

// A refresh the server is slow to answer is no keyring that stays silent: the take waits on it within its own
// deadline and goes through, with no notice blaming the keyring.
TEST_F(WiringTest, ATakeWaitsOnASlowRefreshWithoutBlamingTheKeyring) {
    FakeOpenAI upstream;
    upstream.respond("/v1/audio/transcriptions", FakeOpenAI::transcription("你好"));
    FakeAccountServer server(clock, upstream.url("/"));
    relay(server.url().toString());
    const FakeAccountServer::Session session = server.session(ann);
    server.fail("auth/refresh", FakeAccountServer::Fault{.delayMs = 1500});
    platform.fake.secrets.items[{KeychainTokenStore::service, KeychainTokenStore::account}] =
        storedSignIn(session, 30);
    AccountWiring wiring(app, platform, network, defaults, clock, scheduler);
    app.launch(true);
    wiring.start();
    ASSERT_TRUE(QTest::qWaitFor([&] { return wiring.restored(); }, 5000));

    VoiceController& voice = app.controller();
    ASSERT_NO_FATAL_FAILURE(speak());
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.count("auth/refresh") == 1; }, 10000));
    scheduler.advance(5.5); // past the keyring's few seconds, within the take's deadline
    EXPECT_EQ(voice.phase(), VoicePhase::processing()) << voice.phase().text.toStdString();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !voice.phase().is(VoicePhase::Kind::processing); }, 10000));
    EXPECT_FALSE(voice.phase().isError) << voice.phase().text.toStdString();
    EXPECT_EQ(voice.lastText(), "你好");
    EXPECT_NE(wiring.account().tokens()->accessToken, session.accessToken);
}
