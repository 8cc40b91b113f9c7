#pragma once

#include "Platform/SettingsPages.h"

#include <QString>

#include <qcoro/qcorotask.h>

#include <functional>
#include <optional>

namespace mivora {

class Defaults;
class Platform;

// What dictation needs from the desktop, asked afresh on every call: a microphone, the accessibility
// service together with a keyboard that can be watched, and a hotkey (the "fnKey" setting) that no
// other program uses. Also opens the desktop's settings page that fixes each.
class Permissions {
public:
    // The settings page that fixes one need.
    using Pane = SettingsPages::Page;
    // The microphone's state; without a device it counts as denied (there is nothing to grant).
    enum class MicStatus { notDetermined = 0, restricted = 1, denied = 2, authorized = 3 };

    Permissions(Platform& platform, Defaults& defaults) : platform_(platform), defaults_(defaults) {}

    MicStatus micStatus();
    // Calls `onChange` on the main thread when `micStatus` may answer otherwise without a device coming or
    // going (the sound server answered at last). Replaces the one before; none is called once it is unset.
    void followMic(std::function<void()> onChange);
    // Authorised: true. Otherwise opens the microphone pane and answers false.
    QCoro::Task<bool> requestMic();
    // Opens the desktop's settings page for the pane; nothing where the desktop has none.
    void open(Pane pane);
    // The accessibility service answers and the desktop's key events can be watched.
    bool accessibility();
    // Opens the accessibility pane unless `accessibility` already holds.
    void requestAccessibility();
    // The hotkey's usage: 0 when the key named by "fnKey" exists and no other program holds it, 1 when
    // another program holds it, absent when no key produces it.
    std::optional<int> fnUsage();
    bool fnKeyFree();
    // Microphone authorised, accessibility and a free hotkey, asked in that order up to the first no.
    bool allSet();

private:
    Platform& platform_;
    Defaults& defaults_;
};

} // namespace mivora
