#include "Platform/Linux/X11SyntheticKeys.h"

#include "Platform/Linux/OwnKeyEvents.h"
#include "Platform/Linux/X11Display.h"
#include "Support/Clock.h"

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace mivora {

X11SyntheticKeys::X11SyntheticKeys(X11Display& display, OwnKeyEvents& own, Clock& clock)
    : display_(display), own_(own), clock_(clock) {}

bool X11SyntheticKeys::postPaste() {
    Display* display = display_.get();
    if (!display) return false;
    int eventBase = 0, errorBase = 0, major = 0, minor = 0;
    if (!XTestQueryExtension(display, &eventBase, &errorBase, &major, &minor)) return false;
    const int control = XKeysymToKeycode(display, XK_Control_L);
    const int v = XKeysymToKeycode(display, XK_v);
    if (control == 0 || v == 0) return false;

    X11Display::ErrorTrap trap(display);
    const struct {
        int keycode;
        bool press;
    } sequence[] = {{control, true}, {v, true}, {v, false}, {control, false}};
    bool sent = true;
    for (const auto& key : sequence) {
        own_.expect(key.keycode, key.press, clock_.uptime());
        if (!XTestFakeKeyEvent(display, unsigned(key.keycode), key.press ? True : False, CurrentTime))
            sent = false;
    }
    return sent && !trap.failed();
}

} // namespace mivora
