#pragma once

#include "Platform/KeySource.h"
#include "Platform/Linux/X11KeyMap.h"

#include <bitset>
#include <optional>

namespace mivora {

class Clock;
class OwnKeyEvents;

// Turns X11 key presses, releases and button presses into the program's key events: virtual key codes,
// modifier keys as flag changes with the modifier flags after the change, and the program's own posted
// events marked as such. Keeps which keys are down, because the server may report a release twice
// (and presses may reach us both raw and through a grab): only real changes come out.
class X11KeyEvents {
public:
    X11KeyEvents(Clock& clock, OwnKeyEvents& own);

    // Replaces the key map (the keyboard mapping changed); keys held now keep counting as down.
    void setKeyMap(const X11KeyMap& map);
    const X11KeyMap& keyMap() const { return map_; }

    // Forgets which keys are down (watching stopped; releases meanwhile were never seen).
    void reset();

    // A key went down; nothing when it already was down.
    std::optional<KeyEvent> press(int keycode);
    // An auto-repeat of a key that is down; nothing for modifiers or keys that are up.
    std::optional<KeyEvent> repeat(int keycode);
    // A key went up; nothing when it was not down.
    std::optional<KeyEvent> release(int keycode);
    // A mouse button went down: left (1) and right (3) only.
    static std::optional<KeyEvent> button(int button);

    bool isDown(int keycode) const {
        return keycode >= 0 && keycode < X11KeyMap::keycodeCount && down_.test(std::size_t(keycode));
    }
    // The modifier flags as they stand now.
    std::uint64_t flags() const;

private:
    std::optional<KeyEvent> change(int keycode, bool press);
    int& countFor(X11KeyMap::Role role);

    Clock& clock_;
    OwnKeyEvents& own_;
    X11KeyMap map_;
    std::bitset<X11KeyMap::keycodeCount> down_;
    int shift_ = 0, control_ = 0, option_ = 0, command_ = 0, fn_ = 0, none_ = 0;
};

} // namespace mivora
