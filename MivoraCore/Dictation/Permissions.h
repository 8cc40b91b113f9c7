#pragma once

#include <QString>

#include <qcoro/qcorotask.h>

#include <optional>

namespace mivora {

class AccessibilityBus;
class AudioInputs;
class Defaults;
class KeyboardProbe;
class SettingsPages;

// What dictation needs from the desktop, asked afresh on every call: a microphone, the accessibility
// service together with a keyboard that can be watched, and a hotkey (the "fnKey" setting) that no
// other program uses. Also opens the desktop's settings page that fixes each. No instances.
class Permissions {
public:
    Permissions() = delete;

    enum class Pane { microphone, accessibility, keyboard };
    // The microphone's state; without a device it counts as denied (there is nothing to grant).
    enum class MicStatus { notDetermined = 0, restricted = 1, denied = 2, authorized = 3 };

    // The pane's name ("x-apple.systempreferences:..."), and the pane of exactly such a name.
    static QString rawValue(Pane pane);
    static std::optional<Pane> pane(const QString& rawValue);

    static MicStatus micStatus();
    // Authorised: true. Otherwise opens the microphone pane and answers false.
    static QCoro::Task<bool> requestMic();
    // Opens the desktop's settings page for the pane; nothing where the desktop has none.
    static void open(Pane pane);
    // The accessibility service answers and the desktop's key events can be watched.
    static bool accessibility();
    // Opens the accessibility pane unless `accessibility` already holds.
    static void requestAccessibility();
    // The hotkey's usage: 0 when the key named by "fnKey" exists and no other program holds it, 1 when
    // another program holds it, absent when no key produces it.
    static std::optional<int> fnUsage();
    static bool fnKeyFree();
    // Microphone authorised, accessibility and a free hotkey, asked in that order up to the first no.
    static bool allSet();

    // The desktop services asked.
    struct Services {
        AudioInputs* inputs = nullptr;
        AccessibilityBus* bus = nullptr;
        KeyboardProbe* keyboard = nullptr;
        SettingsPages* settings = nullptr;
        Defaults* defaults = nullptr;
    };
    static Services services();
};

} // namespace mivora
