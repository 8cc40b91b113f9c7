#include "Platform/Linux/X11KeyboardProbe.h"

#include "Platform/Linux/X11Errors.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/extensions/XInput2.h>

namespace mivora {

KeyboardProbe& KeyboardProbe::desktop() {
    static X11KeyboardProbe probe;
    return probe;
}

X11KeyboardProbe::~X11KeyboardProbe() {
    if (display_) {
        XCloseDisplay(display_);
        X11Errors::unwatch(display_);
    }
}

Display* X11KeyboardProbe::display() {
    if (!display_) {
        display_ = XOpenDisplay(nullptr);
        if (display_) X11Errors::watch(display_, nullptr);
    }
    return display_;
}

int X11KeyboardProbe::keycodeFor(const QString& keyName) {
    Display* d = display();
    if (!d) return 0;
    const KeySym sym = XStringToKeysym(keyName.toLatin1().constData());
    return sym == NoSymbol ? 0 : XKeysymToKeycode(d, sym);
}

bool X11KeyboardProbe::watchable() {
    Display* d = display();
    if (!d) return false;
    int opcode = 0, event = 0, error = 0;
    if (!XQueryExtension(d, "XInputExtension", &opcode, &event, &error)) return false;
    int major = 2, minor = 2;
    return XIQueryVersion(d, &major, &minor) == Success && (major > 2 || (major == 2 && minor >= 1));
}

bool X11KeyboardProbe::isDown(const QString& keyName) {
    const int kc = keycodeFor(keyName);
    if (kc == 0) return false;
    char keys[32] = {};
    XQueryKeymap(display_, keys);
    return (keys[kc / 8] & (1 << (kc % 8))) != 0;
}

KeyboardProbe::KeyState X11KeyboardProbe::hotkeyState(const QString& keyName) {
    const int kc = keycodeFor(keyName);
    if (kc == 0) return KeyState::missing;
    bool refused = false;
    X11Errors::watch(display_, [&refused](const X11Errors::Error& e) {
        if (e.requestCode == X_GrabKey && e.errorCode == BadAccess) refused = true;
    });
    const Window root = DefaultRootWindow(display_);
    XGrabKey(display_, kc, AnyModifier, root, False, GrabModeAsync, GrabModeAsync);
    XUngrabKey(display_, kc, AnyModifier, root);
    XSync(display_, False);
    X11Errors::watch(display_, nullptr);
    return refused ? KeyState::taken : KeyState::free;
}

} // namespace mivora
