#pragma once

#include <QString>

namespace mivora {

// Questions about the desktop's keyboard that are asked now and then rather than per event.
class KeyboardProbe {
public:
    // Whether a key can serve as the hotkey.
    enum class KeyState {
        missing, // no key of the keyboard produces it (or there is no keyboard to ask)
        taken,   // another program holds it as a global shortcut
        free,
    };

    virtual ~KeyboardProbe() = default;
    // True when the key events of the whole desktop can be watched.
    virtual bool watchable() = 0;
    // True when the key named `keyName` is held down right now.
    virtual bool isDown(const QString& keyName) = 0;
    virtual KeyState hotkeyState(const QString& keyName) = 0;
    // The name (as the "fnKey" setting stores it) of the key that a window's key event reports by its
    // native code (QKeyEvent::nativeVirtualKey), empty when the code names no key.
    virtual QString keyName(quint32 nativeKey) = 0;
    // True when the key named `keyName` types or edits text in some state of Shift or Num Lock (keypad 1,
    // which is End with Num Lock off): held to dictate, it would be lost to typing everywhere.
    virtual bool typesText(const QString& /*keyName*/) { return false; }
};

} // namespace mivora
