#include "Platform/Linux/X11KeyEvents.h"

#include "Platform/Linux/OwnKeyEvents.h"
#include "Support/Clock.h"

namespace mivora {

X11KeyEvents::X11KeyEvents(Clock& clock, OwnKeyEvents& own) : clock_(clock), own_(own) {}

void X11KeyEvents::setKeyMap(const X11KeyMap& map) {
    map_ = map;
    shift_ = control_ = option_ = command_ = fn_ = none_ = 0;
    for (int kc = 0; kc < X11KeyMap::keycodeCount; ++kc)
        if (down_.test(std::size_t(kc))) ++countFor(map_[kc].role);
}

void X11KeyEvents::reset() {
    down_.reset();
    shift_ = control_ = option_ = command_ = fn_ = none_ = 0;
}

std::uint64_t X11KeyEvents::flags() const {
    return (shift_ > 0 ? KeyEvent::shiftFlag : 0) | (control_ > 0 ? KeyEvent::controlFlag : 0) |
           (option_ > 0 ? KeyEvent::optionFlag : 0) | (command_ > 0 ? KeyEvent::commandFlag : 0) |
           (fn_ > 0 ? KeyEvent::fnFlag : 0);
}

int& X11KeyEvents::countFor(X11KeyMap::Role role) {
    switch (role) {
    case X11KeyMap::Role::shift:
        return shift_;
    case X11KeyMap::Role::control:
        return control_;
    case X11KeyMap::Role::option:
        return option_;
    case X11KeyMap::Role::command:
        return command_;
    case X11KeyMap::Role::fn:
        return fn_;
    default:
        return none_;
    }
}

std::optional<KeyEvent> X11KeyEvents::press(int keycode) {
    return change(keycode, true);
}

std::optional<KeyEvent> X11KeyEvents::release(int keycode) {
    return change(keycode, false);
}

std::optional<KeyEvent> X11KeyEvents::change(int keycode, bool press) {
    if (keycode < 0 || keycode >= X11KeyMap::keycodeCount) return std::nullopt;
    const X11KeyMap::Key& key = map_[keycode];
    const bool modifier = key.role != X11KeyMap::Role::key;
    // Our own paste: handed on marked, and left out of the key state, so it cannot disturb the
    // modifier flags of what the user holds.
    if (own_.consume(keycode, press, clock_.uptime())) {
        return KeyEvent{modifier ? KeyEvent::flagsChanged : (press ? KeyEvent::keyDown : KeyEvent::keyUp),
                        key.code, false, flags(), KeyEvent::ownEventMark};
    }
    if (isDown(keycode) == press) return std::nullopt;
    down_.set(std::size_t(keycode), press);
    if (modifier) {
        countFor(key.role) += press ? 1 : -1;
        return KeyEvent{KeyEvent::flagsChanged, key.code, false, flags(), 0};
    }
    return KeyEvent{press ? KeyEvent::keyDown : KeyEvent::keyUp, key.code, false, flags(), 0};
}

std::optional<KeyEvent> X11KeyEvents::repeat(int keycode) {
    if (!isDown(keycode)) return std::nullopt;
    const X11KeyMap::Key& key = map_[keycode];
    if (key.role != X11KeyMap::Role::key) return std::nullopt;
    return KeyEvent{KeyEvent::keyDown, key.code, true, flags(), 0};
}

std::optional<KeyEvent> X11KeyEvents::button(int button) {
    if (button == 1) return KeyEvent{KeyEvent::leftMouseDown, 0, false, 0, 0};
    if (button == 3) return KeyEvent{KeyEvent::rightMouseDown, 0, false, 0, 0};
    return std::nullopt;
}

} // namespace mivora
