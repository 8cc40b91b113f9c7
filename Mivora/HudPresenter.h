#pragma once

#include "Dictation/VoicePhase.h"
#include "Support/Scheduler.h"

#include <functional>

namespace mivora {

// What the shell asks of the recording HUD's window. Unset hooks do nothing (no HUD).
struct HudHooks {
    std::function<bool()> isVisible;
    // Places the panel at its spot and orders it front without activating the program.
    std::function<void()> show;
    std::function<void()> hide;
    // The key that is the hotkey now, as its cap names it ("右 Ctrl"), for the hands-free hint.
    std::function<void(const QString&)> setHotkey;
};

// Shows the HUD for every phase but idle and hides it 0.3 s after the phase becomes idle, so takes that
// follow each other closely keep one HUD where it first appeared.
class HudPresenter {
public:
    static constexpr double hideDelay = 0.3;

    HudPresenter(Scheduler& scheduler, HudHooks hooks) : scheduler_(scheduler), hooks_(std::move(hooks)) {}
    ~HudPresenter() { scheduler_.cancel(pendingHide_); }
    HudPresenter(const HudPresenter&) = delete;
    HudPresenter& operator=(const HudPresenter&) = delete;

    void phaseChanged(const VoicePhase& phase);
    HudHooks& hooks() { return hooks_; }

private:
    Scheduler& scheduler_;
    HudHooks hooks_;
    Scheduler::TimerId pendingHide_ = 0;
};

} // namespace mivora
