// The shell's timed behaviour on the fake scheduler: the HUD's delayed hide, and the key tap's retries.
#include "HudPresenter.h"
#include "Keys/KeyTap.h"
#include "TapStarter.h"

#include "support/FakeScheduler.h"

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
    bool setSwallowable(const std::set<int>&) override { return true; }
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
