#include "Dictation/Permissions.h"

#include "Platform/Platform.h"
#include "Support/Defaults.h"

namespace mivora {

Permissions::MicStatus Permissions::micStatus() {
    return platform_.audioInputs().available() ? MicStatus::authorized : MicStatus::denied;
}

void Permissions::followMic(std::function<void()> onChange) {
    platform_.audioInputs().setChangeHandler(std::move(onChange));
}

QCoro::Task<bool> Permissions::requestMic() {
    // There is no consent to ask for on this desktop: either a device is there or the user has to
    // connect or enable one in the sound settings.
    if (micStatus() == MicStatus::authorized) co_return true;
    open(Pane::microphone);
    co_return false;
}

void Permissions::open(Pane pane) {
    platform_.settingsPages().open(pane);
}

bool Permissions::accessibility() {
    return platform_.accessibilityBus().answers() && platform_.keyboard().watchable();
}

void Permissions::requestAccessibility() {
    if (accessibility()) return;
    open(Pane::accessibility);
}

std::optional<int> Permissions::fnUsage() {
    switch (platform_.keyboard().hotkeyState(KeySource::fnKeyName(defaults_))) {
    case KeyboardProbe::KeyState::missing:
        return std::nullopt;
    case KeyboardProbe::KeyState::taken:
        return 1;
    case KeyboardProbe::KeyState::free:
        break;
    }
    return 0;
}

bool Permissions::fnKeyFree() {
    const std::optional<int> usage = fnUsage();
    return usage && *usage == 0;
}

bool Permissions::allSet() {
    return micStatus() == MicStatus::authorized && accessibility() && fnKeyFree();
}

} // namespace mivora
