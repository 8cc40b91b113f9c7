#include "Platform/Linux/X11SyntheticKeys.h"

#include "Platform/Linux/OwnKeyEvents.h"
#include "Platform/Linux/X11Display.h"
#include "Support/Clock.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <algorithm>
#include <cstddef>
#include <vector>

namespace mivora {

namespace {

// A key code of the keyboard that types nothing at any level (keyboards have many), the highest one: the
// lowest ones are where programs bind keysyms of their own for a while. 0 when there is none.
int blankKeycode(Display* display) {
    int min = 0, max = 0, perCode = 0;
    XDisplayKeycodes(display, &min, &max);
    KeySym* map = XGetKeyboardMapping(display, ::KeyCode(min), max - min + 1, &perCode);
    if (!map) return 0;
    int found = 0;
    for (int code = max; code >= min && !found; --code) {
        const KeySym* syms = map + std::ptrdiff_t(code - min) * perCode;
        if (std::all_of(syms, syms + perCode, [](KeySym s) { return s == NoSymbol; })) found = code;
    }
    XFree(map);
    return found;
}

} // namespace

X11SyntheticKeys::X11SyntheticKeys(X11Display& display, OwnKeyEvents& own, Clock& clock)
    : display_(display), own_(own), clock_(clock) {}

bool X11SyntheticKeys::postPaste(PasteKeys keys) {
    Display* display = display_.get();
    if (!display) return false;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) return false;
    // The modifiers go down first and come up last, in reverse order.
    std::vector<KeySym> chord;
    switch (keys) {
    case PasteKeys::controlV:
        chord = {XK_Control_L, XK_v};
        break;
    case PasteKeys::controlShiftV:
        chord = {XK_Control_L, XK_Shift_L, XK_v};
        break;
    case PasteKeys::shiftInsert:
        chord = {XK_Shift_L, XK_Insert};
        break;
    case PasteKeys::controlY:
        chord = {XK_Control_L, XK_y};
        break;
    case PasteKeys::menuOnly:
        return false; // no key pastes there
    }
    std::vector<int> codes;
    for (const KeySym symbol : chord) {
        const int code = XKeysymToKeycode(display, symbol);
        if (code == 0) return false;
        codes.push_back(code);
    }

    X11Display::ErrorTrap trap(display);
    bool sent = true;
    const auto post = [&](int keycode, bool press) {
        own_.expect(keycode, press, clock_.uptime());
        if (!XTestFakeKeyEvent(display, unsigned(keycode), press ? True : False, CurrentTime)) sent = false;
    };
    // Shift and Control pressed and let go with no key between (the recall's hold) put rxvt-unicode in its
    // keycap-picture mode, where the next key types its picture (⎀ for Insert) instead of acting: a key that
    // types nothing, pressed first, is the key that ends that mode, and anywhere else it does nothing.
    if (keys == PasteKeys::shiftInsert)
        if (const int blank = blankKeycode(display)) {
            post(blank, true);
            post(blank, false);
        }
    for (const int code : codes)
        post(code, true);
    for (auto code = codes.rbegin(); code != codes.rend(); ++code)
        post(*code, false);
    return sent && !trap.failed();
}

} // namespace mivora
