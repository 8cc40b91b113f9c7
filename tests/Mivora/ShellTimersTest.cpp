// The shell's timed behaviour on the fake scheduler: the HUD's delayed hide, the key tap's retries and
// the setup model's polling.
#include "Dictation/Permissions.h"
#include "HudPresenter.h"
#include "Keys/KeyTap.h"
#include "SetupModel.h"
#include "TapStarter.h"

#include "support/FakePlatform.h"
#include "support/FakeScheduler.h"
#include "support/MemoryDefaults.h"

#include <QSignalSpy>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

struct HudProbe {
    bool visible = false;
    int shows = 0, hides = 0;
    HudHooks hooks() {
        return {[this] { return visible; }, [this] { ++shows, visible = true; },
                [this] { ++hides, visible = false; }};
    }
};

// A desktop that refuses to be watched until told otherwise.
struct RefusingKeySource final : KeySource {
    bool allows = false;
    int attempts = 0;
    bool running = false;
    bool start(Callback) override { return ++attempts, running = allows; }
    void stop() override { running = false; }
    bool isRunning() const override { return running; }
    void setSwallowable(const std::set<int>&) override {}
};

} // namespace

TEST(HudPresenter, HidesAFractionOfASecondAfterIdleUnlessTheNextTakeStarts) {
    FakeClock clock;
    FakeScheduler scheduler{clock};
    HudProbe hud;
    HudPresenter presenter(scheduler, hud.hooks());

    presenter.phaseChanged(VoicePhase::listening(false));
    presenter.phaseChanged(VoicePhase::processing());
    EXPECT_EQ(hud.shows, 1) << "a visible HUD is neither placed again nor reordered";
    presenter.phaseChanged(VoicePhase::idle());
    scheduler.advance(0.29);
    presenter.phaseChanged(VoicePhase::listening(false));
    scheduler.advance(1);
    EXPECT_EQ(hud.hides, 0);
    EXPECT_EQ(hud.shows, 1);

    presenter.phaseChanged(VoicePhase::idle());
    scheduler.advance(0.29);
    EXPECT_TRUE(hud.visible);
    scheduler.advance(0.01);
    EXPECT_FALSE(hud.visible);
    presenter.phaseChanged(VoicePhase::notice("没听清，再说一次", false));
    EXPECT_EQ(hud.shows, 2);
}

TEST(TapStarter, RetriesEverySecondOnceAllowedAndReportsTheStartOnce) {
    FakeClock clock;
    FakeScheduler scheduler{clock};
    auto source = std::make_unique<RefusingKeySource>();
    RefusingKeySource& desktop = *source;
    KeyTap tap(std::move(source), clock);
    bool allowed = false;
    int allowedAsked = 0, started = 0;
    TapStarter starter(
        tap, scheduler, [&] { return ++allowedAsked, allowed; }, [&] { ++started; });

    starter.start();
    EXPECT_EQ(desktop.attempts, 1);
    EXPECT_EQ(allowedAsked, 0) << "the first attempt does not ask for the permission";
    scheduler.advance(3);
    EXPECT_EQ(desktop.attempts, 1) << "no retry while the permission is missing";
    allowed = desktop.allows = true;
    scheduler.advance(1);
    EXPECT_EQ(started, 1);
    scheduler.advance(5);
    EXPECT_EQ(desktop.attempts, 2);
    EXPECT_EQ(started, 1);
}

// The probes are re-read once a second from a second after the start, by one timer however often it is
// started, and no more once stopped.
TEST(SetupModel, PollingRunsOneTimerUntilStopped) {
    FakePlatform platform;
    MemoryDefaults defaults;
    FakeClock clock;
    FakeScheduler scheduler{clock};
    Permissions permissions(platform, defaults);
    platform.fake.audioInputs.present = false;
    SetupModel setup(
        permissions, [] { return false; }, scheduler);
    EXPECT_FALSE(setup.mic());

    platform.fake.audioInputs.present = true;
    QSignalSpy refreshes(&setup, &SetupModel::micChanged);
    setup.startPolling();
    setup.startPolling();
    scheduler.advance(0.99);
    EXPECT_EQ(refreshes.count(), 0);
    scheduler.advance(0.01);
    EXPECT_EQ(refreshes.count(), 1);
    EXPECT_TRUE(setup.mic());

    setup.stopPolling();
    scheduler.advance(10);
    EXPECT_EQ(refreshes.count(), 1);
}
