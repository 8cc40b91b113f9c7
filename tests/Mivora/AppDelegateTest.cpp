#include "AppDelegate.h"
#include "MivoraUI/Welcome/WelcomeFlow.h"
#include "MivoraUI/Window/MainView.h"
#include "Platform/KeyCodes.h"
#include "Support/BundleInfo.h"
#include "TrayIcon.h"

#include "Audio/MicSource.h"

#include "support/DelegateRig.h"
#include "support/FakeOpenAI.h"
#include "support/Speech.h"

#include "Support/HttpClient.h"

#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

struct AppDelegateTest : ::testing::Test, DelegateRig {

    bool fn(bool down) {
        return app.tap().process({KeyEvent::flagsChanged, KeyCode::fn, false, down ? KeyEvent::fnFlag : 0});
    }
    bool key(int code) { return app.tap().process({KeyEvent::keyDown, code}); }
};

} // namespace

TEST_F(AppDelegateTest, AnAnswerOfTheSuggestionsStopsTheKeyAndOnlyAbsentGoesOnToTheVoice) {
    BundleInfo::setOverride({{"YarrikProxyURL", "https://relay.example/"}, {"YarrikProxyToken", "t"}});
    const std::shared_ptr<void> resetInfo(nullptr, [](void*) { BundleInfo::reset(); });
    std::optional<bool> answer = false;
    std::vector<KeyInput> seen;
    app.hooks.suggest = [&](const KeyInput& input) {
        seen.push_back(input);
        return answer;
    };
    app.launch(/*selfTest*/ true);

    EXPECT_FALSE(fn(true));
    EXPECT_TRUE(app.controller().phase().is(VoicePhase::Kind::idle)) << "the voice never saw the press";
    answer = true;
    EXPECT_TRUE(key(KeyCode::tab));
    ASSERT_EQ(seen.size(), 2u);
    fn(false);

    answer = std::nullopt;
    fn(true);
    EXPECT_FALSE(app.controller().phase().is(VoicePhase::Kind::idle));
    // The voice now swallows Esc, and the tap knows it must be able to.
    EXPECT_TRUE(app.tap().swallowable().count(KeyCode::escape));
    EXPECT_TRUE(key(KeyCode::escape));
    EXPECT_EQ(app.controller().phase(), VoicePhase::idle());
}

TEST_F(AppDelegateTest, SyncRunsOnceForSignInOnLocalChangesAndEveryTenMinutes) {
    int passes = 0, soon = 0, resets = 0;
    app.hooks.sync = {[&] { ++soon; }, [&] { ++passes; }, [&] { ++resets; }};
    app.hooks.signedIn = [] { return true; };
    app.launch(true);
    EXPECT_EQ(passes, 1) << "the sign-in state at launch counts once";

    app.signedInChanged(true); // a refreshed token of the same user
    EXPECT_EQ(passes, 1);
    app.memories().add("地址", "北京市");
    EXPECT_EQ(soon, 1);
    app.memories().applySynced({1, {}, {}});
    EXPECT_EQ(soon, 1) << "what the sync engine wrote asks for no further pass";
    scheduler.advance(600);
    EXPECT_EQ(passes, 2);
    app.signedInChanged(false);
    app.signedInChanged(false);
    app.signedInChanged(true);
    EXPECT_EQ(resets, 1);
    EXPECT_EQ(passes, 3);
}

TEST_F(AppDelegateTest, OnlyTakesThatInsertedOrCountedCharactersAreSuccesses) {
    app.launch(true);
    const auto take = [&](InsertResult result, int chars, VoiceMode mode) {
        app.controller().onTiming({1.0, 0.2, result, chars, mode});
    };
    take(InsertResult::copied("hint"), 0, VoiceMode::dictate);
    EXPECT_EQ(app.stats().total(), 0);
    take(InsertResult::copied("hint"), 3, VoiceMode::dictate);
    take(InsertResult{}, 0, VoiceMode::recall);
    EXPECT_EQ(app.stats().total(), 2);
    EXPECT_EQ(app.stats().recalls(), 1);
    EXPECT_EQ(app.model().lastSuccess()->lesson, Lesson::recall);
    app.typedFillAccepted(0);
    EXPECT_EQ(app.model().lastSuccess()->lesson, Lesson::typing);
    EXPECT_EQ(app.stats().typedFills(), 1);
}

TEST_F(AppDelegateTest, TheSelfTestGetsNoTrayOrWindowAndANormalLaunchWithoutARecogniserOpensSettings) {
    app.launch(true);
    EXPECT_TRUE(app.tap().isRunning());
    EXPECT_EQ(app.tray(), nullptr);
    EXPECT_EQ(app.mainWindow(), nullptr);

    defaults.setValue("onboardingDone", true);
    AppDelegate normal{{platform, defaults, clock, scheduler, network, std::nullopt, nullptr}};
    normal.launch();
    ASSERT_NE(normal.tray(), nullptr);
    EXPECT_EQ(normal.tray()->look(), TrayIcon::Look::notReady);
    ASSERT_NE(normal.mainWindow(), nullptr);
    normal.mainWindow()->close();
    normal.tap().process({KeyEvent::flagsChanged, KeyCode::fn, false, KeyEvent::fnFlag});
    EXPECT_EQ(normal.controller().phase(), VoicePhase::notice("云端识别还没配置好", true));
    EXPECT_TRUE(normal.mainWindow()->isVisible());
    EXPECT_EQ(normal.model().section(), AppModel::Section::settings);
}

// What recognises a take is made from the settings at its start, as the readiness reads them at each
// poll: with neither relay nor key a take is refused; one configured while the program runs serves the
// next take; a changed one is where the next take, or the retry of a failed one, goes; and with it taken
// away again a take is refused.
TEST_F(AppDelegateTest, EachTakeAndRetryUsesTheRecogniserConfiguredAtItsStart) {
    const std::shared_ptr<void> resetInfo(nullptr, [](void*) { BundleInfo::reset(); });
    const QString transcriptions = "/v1/audio/transcriptions";
    FakeOpenAI first, second;
    first.respond(transcriptions, FakeOpenAI::error(500, "upstream"));
    second.respond(transcriptions, FakeOpenAI::transcription("好了"));
    const auto relay = [](const FakeOpenAI& server) {
        BundleInfo::setOverride({{"YarrikProxyURL", server.url("/").toString()}, {"YarrikProxyToken", "t"}});
    };
    const VoicePhase refused = VoicePhase::notice("云端识别还没配置好", true);
    app.launch(true);
    fn(true);
    EXPECT_EQ(app.controller().phase(), refused);
    fn(false);

    relay(first);
    fn(true);
    ASSERT_FALSE(app.controller().phase().isError) << app.controller().phase().text.toStdString();
    platform.microphone->deliver(speech(1.0).samples);
    scheduler.advance(1.0);
    fn(false);
    scheduler.advance(MicSource::tail);
    ASSERT_TRUE(QTest::qWaitFor([&] { return app.controller().failedClip().has_value(); }, 10000));
    const int sentFirst = first.count(transcriptions);
    EXPECT_GE(sentFirst, 1);

    relay(second);
    app.controller().retryLast();
    ASSERT_TRUE(QTest::qWaitFor([&] { return !app.controller().failedClip(); }, 10000));
    EXPECT_EQ(second.count(transcriptions), 1);
    EXPECT_EQ(first.count(transcriptions), sentFirst);

    BundleInfo::reset();
    fn(true);
    EXPECT_EQ(app.controller().phase(), refused);
    fn(false);
}

// While the welcome covers the window, a refused take brings the welcome to its page for what is missing
// instead of opening the settings hidden under it; the tray's "完成设置…" does the same.
TEST_F(AppDelegateTest, ARefusalDuringTheWelcomeOpensTheWelcomesOwnPageNotTheSettingsUnderIt) {
    app.launch();
    MainView* view = app.mainWindow()->view();
    ASSERT_NE(view->welcome(), nullptr);
    EXPECT_EQ(view->welcome()->current(), WelcomeFlow::hero);
    app.tap().process({KeyEvent::flagsChanged, KeyCode::fn, false, KeyEvent::fnFlag});
    EXPECT_EQ(app.controller().phase(), VoicePhase::notice("云端识别还没配置好", true));
    EXPECT_EQ(app.model().section(), AppModel::Section::home) << "nothing opens under the welcome";
    EXPECT_EQ(view->welcome()->current(), WelcomeFlow::permissions);

    view->welcome()->goTo(WelcomeFlow::firstLesson);
    app.act(MenuRow::Action::openSetup);
    EXPECT_EQ(view->welcome()->current(), WelcomeFlow::permissions);
    EXPECT_EQ(app.model().section(), AppModel::Section::home);
}

// In a relay build the tray reads the setup model's readiness, the sign-in included: not ready, with
// "还需要完成设置" first, until the account is there, then ready with the hotkey's row first.
TEST_F(AppDelegateTest, TheTrayIsNotReadyUntilTheAccountARelayNeedsIsSignedIn) {
    BundleInfo::setOverride({{"YarrikProxyURL", "https://relay.example/"}, {"YarrikProxyToken", "t"}});
    const std::shared_ptr<void> resetInfo(nullptr, [](void*) { BundleInfo::reset(); });
    defaults.setValue("onboardingDone", true);
    bool signedIn = false;
    app.hooks.needsSignIn = [&] { return !signedIn; };
    app.launch();
    ASSERT_TRUE(app.setup().allSet() && app.setup().cloudReady() && app.tap().isRunning());
    EXPECT_FALSE(app.ready());
    EXPECT_EQ(app.menuRows().first().title, "还需要完成设置");
    EXPECT_EQ(app.tray()->look(), TrayIcon::Look::notReady);

    signedIn = true;
    app.signedInChanged(true);
    EXPECT_TRUE(app.ready());
    EXPECT_EQ(app.tray()->look(), TrayIcon::Look::ready) << "the icon follows without the menu opening";
    EXPECT_EQ(app.menuRows().first().title, "按住 右 Ctrl 说话，松开就填好");
}

// A take refused for the sign-in names the settings only when it opened them: during the welcome, which
// shows its own sign-in page, the notice says no more than that the sign-in is needed.
TEST_F(AppDelegateTest, ASignInRefusalNamesTheSettingsOnlyWhenItOpensThem) {
    BundleInfo::setOverride({{"YarrikProxyURL", "https://relay.example/"}, {"YarrikProxyToken", "t"}});
    const std::shared_ptr<void> resetInfo(nullptr, [](void*) { BundleInfo::reset(); });
    app.hooks.needsSignIn = [] { return true; };
    app.launch();
    const auto press = [&] {
        app.tap().process({KeyEvent::flagsChanged, KeyCode::fn, false, KeyEvent::fnFlag});
        app.tap().process({KeyEvent::flagsChanged, KeyCode::fn, false, 0});
        return app.controller().phase();
    };
    ASSERT_TRUE(app.model().showWelcome());
    EXPECT_EQ(press(), VoicePhase::notice("先登录 Veskel 才能用口述和「问」", true));
    EXPECT_EQ(app.model().section(), AppModel::Section::home) << "nothing opens under the welcome";

    app.model().finishWelcome();
    EXPECT_EQ(press(), VoicePhase::notice("先登录 Veskel 才能用口述和「问」，已打开设置", true));
    EXPECT_EQ(app.model().section(), AppModel::Section::settings);
}

// The frame is kept when the window closes and when the program ends with it open.
TEST_F(AppDelegateTest, TheMainWindowKeepsAWideEnoughFrameOnlyHidesWhenClosedAndKeepsItsFrame) {
    QMainWindow narrow;
    narrow.setGeometry(100, 100, 700, 500);
    defaults.setValue("MivoraMain", narrow.saveGeometry());
    app.showMain(AppModel::Section::memories);
    MainWindow* window = app.mainWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(window->view()->size(), QSize(960, 640));

    window->showMinimized();
    EXPECT_FALSE(app.model().windowVisible()) << "a minimised window holds the pages' animations";
    window->showNormal();
    EXPECT_TRUE(app.model().windowVisible());
    // The tray's "open" and a second start bring a minimised window back, maximised if it was.
    window->showMaximized();
    window->showMinimized();
    app.reopen();
    EXPECT_FALSE(window->isMinimized());
    EXPECT_TRUE(window->windowState() & Qt::WindowMaximized);
    EXPECT_TRUE(app.model().windowVisible());
    window->showNormal();
    window->setGeometry(50, 60, 1000, 700);
    window->close();
    EXPECT_FALSE(app.model().windowVisible());
    EXPECT_FALSE(app.setup().polling());
    app.showMain(); // the same window, on the page it had
    EXPECT_EQ(app.mainWindow(), window);
    EXPECT_EQ(app.model().section(), AppModel::Section::memories);
    {
        AppDelegate later{{platform, defaults, clock, scheduler, network, std::nullopt, nullptr}};
        later.showMain();
        EXPECT_EQ(later.mainWindow()->size(), QSize(1000, 700));
    }
    window->setGeometry(70, 80, 1010, 720);
    // The tray's quit and a termination signal both end the event loop with the window still open.
    QTimer::singleShot(0, [] { QCoreApplication::exit(0); });
    QCoreApplication::exec();
    AppDelegate later{{platform, defaults, clock, scheduler, network, std::nullopt, nullptr}};
    later.showMain();
    EXPECT_EQ(later.mainWindow()->size(), QSize(1010, 720));
}

TEST_F(AppDelegateTest, AHotkeyChosenInTheWindowHoldsFromTheNextPollButNeverInTheMiddleOfATake) {
    QString hudKey;
    app.hooks.hud.setHotkey = [&](const QString& key) { hudKey = key; };
    app.launch(true);
    ASSERT_NE(platform.keySource, nullptr);
    const int starts = platform.keySource->starts;
    fn(true); // no recogniser: the take ends in a notice that stays a while
    ASSERT_FALSE(app.controller().phase().is(VoicePhase::Kind::idle));
    defaults.setValue("fnKey", "Alt_R");
    app.setup().refresh();
    EXPECT_EQ(platform.keySource->starts, starts) << "the watcher is not restarted under a take";
    EXPECT_EQ(hudKey, "") << "the take's hint keeps naming the key that still ends it";
    fn(false);
    scheduler.advance(30);
    ASSERT_TRUE(app.controller().phase().is(VoicePhase::Kind::idle));
    app.setup().refresh();
    EXPECT_EQ(platform.keySource->starts, starts + 1) << "it starts again and reads the new key";
    EXPECT_EQ(hudKey, "右 Alt") << "the hands-free hint names the new key";
    app.setup().refresh();
    EXPECT_EQ(platform.keySource->starts, starts + 1);
}
