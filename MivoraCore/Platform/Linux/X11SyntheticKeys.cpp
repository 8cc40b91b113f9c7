#include "Platform/Linux/X11SyntheticKeys.h"

#include "Platform/Linux/OwnKeyEvents.h"
#include "Platform/Linux/X11Display.h"
#include "Support/Clock.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

#include <vector>

namespace mivora {

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
    for (const int code : codes)
        post(code, true);
    for (auto code = codes.rbegin(); code != codes.rend(); ++code)
        post(*code, false);
    return sent && !trap.failed();
}

} // namespace mivora
