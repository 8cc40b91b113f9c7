#include "Platform/Linux/X11KeyboardProbe.h"

#include "Platform/Linux/OwnGrabs.h"
#include "Platform/Linux/X11Display.h"

#include <X11/Xlib.h>
#include <X11/Xproto.h>

#include <algorithm>

namespace mivora {

int X11KeyboardProbe::keycodeFor(const QString& keyName) {
    Display* d = display_.get();
    if (!d) return 0;
    const KeySym sym = XStringToKeysym(keyName.toLatin1().constData());
    return sym == NoSymbol ? 0 : XKeysymToKeycode(d, sym);
}

bool X11KeyboardProbe::watchable() {
    return X11Display::hasRawEvents(display_.get());
}

bool X11KeyboardProbe::isDown(const QString& keyName) {
    const int kc = keycodeFor(keyName);
    if (kc == 0) return false;
    char keys[32] = {};
    XQueryKeymap(display_.get(), keys);
    return (keys[kc / 8] & (1 << (kc % 8))) != 0;
}

KeyboardProbe::KeyState X11KeyboardProbe::hotkeyState(const QString& keyName) {
    const int kc = keycodeFor(keyName);
    if (kc == 0) return KeyState::missing;
    if (ownGrabs_.holds(kc)) return KeyState::free;
    Display* d = display_.get();
    const Window root = DefaultRootWindow(d);
    // The trial grab must never keep the user's key: a press that the server handles while it stands (input
    // is handled between any two requests) starts it, and that press and every key until its release would
    // come here instead of to the application. So the grab freezes the keyboard when it starts, and the
    // trial ends by replaying what froze it: the press goes to the application as if no grab had been there.
    // Without a press in between, the replay finds nothing frozen and does nothing.
    X11Display::ErrorTrap trap(d);
    XGrabKey(d, kc, AnyModifier, root, False, GrabModeAsync, GrabModeSync);
    XUngrabKey(d, kc, AnyModifier, root);
    XAllowEvents(d, ReplayKeyboard, CurrentTime);
    const auto& errors = trap.errors();
    const bool refused = std::any_of(errors.begin(), errors.end(), [](const X11Errors::Error& e) {
        return e.requestCode == X_GrabKey && e.errorCode == BadAccess;
    });
    return refused ? KeyState::taken : KeyState::free;
}

QString X11KeyboardProbe::keyName(quint32 nativeKey) {
    if (nativeKey == 0) return {};
    const char* name = XKeysymToString(KeySym(nativeKey));
    return name ? QString::fromLatin1(name) : QString();
}

} // namespace mivora
