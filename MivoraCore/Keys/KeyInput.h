#pragma once

namespace mivora {

// One keyboard or mouse event as the key handlers see it. Key codes are the virtual key codes the
// program uses everywhere (Escape 53, Space 49, Tab 48, ...), whatever the platform reports.
struct KeyInput {
    enum class Kind { keyDown, keyUp, shift, fnDown, fnUp, mouseDown };

    Kind kind = Kind::mouseDown;
    int code = 0;          // keyDown, keyUp
    bool isRepeat = false; // keyDown: an auto-repeat of a key already down
    bool down = false;     // shift: true when Shift is now down
    // keyDown: pressed with no modifier held, and kept from the applications when the handler swallows it
    // (another program may take a key first: the window manager's Alt+Tab).
    bool bare = true;
    // keyDown: when the key source read the press (seconds of uptime), which may be well before a busy
    // program gets to it; 0 when the source does not say.
    double pressedAt = 0;

    static constexpr KeyInput keyDown(int code, bool isRepeat = false) {
        return {Kind::keyDown, code, isRepeat, false};
    }
    static constexpr KeyInput keyUp(int code) { return {Kind::keyUp, code, false, false}; }
    static constexpr KeyInput shift(bool down) { return {Kind::shift, 0, false, down}; }
    static constexpr KeyInput fnDown() { return {Kind::fnDown, 0, false, false}; }
    static constexpr KeyInput fnUp() { return {Kind::fnUp, 0, false, false}; }
    static constexpr KeyInput mouseDown() { return {Kind::mouseDown, 0, false, false}; }

    // Payloads that do not belong to the kind are ignored.
    constexpr bool operator==(const KeyInput& o) const {
        if (kind != o.kind) return false;
        switch (kind) {
        case Kind::keyDown:
            return code == o.code && isRepeat == o.isRepeat;
        case Kind::keyUp:
            return code == o.code;
        case Kind::shift:
            return down == o.down;
        default:
            return true;
        }
    }
};

} // namespace mivora
