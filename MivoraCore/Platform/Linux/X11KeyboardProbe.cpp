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
    // The trial grab must never catch the user's key: a press that the server handles while it stands
    // (input is handled between any two requests) would start it, and that press and every key until its
    // release would come here instead of to the application. So the keyboard is frozen first: a grab of our
    // own that lets no key event through but queues them, and hands them on as if nothing had happened once
    // it ends, after the trial grab is gone.
    if (XGrabKeyboard(d, root, False, GrabModeAsync, GrabModeSync, CurrentTime) != GrabSuccess) {
        // Another program holds the whole keyboard (a screen locker, a password prompt): no trial now.
        const auto known = answers_.find(kc);
        return known == answers_.end() ? KeyState::free : known->second;
    }
    X11Display::ErrorTrap trap(d);
    XGrabKey(d, kc, AnyModifier, root, False, GrabModeAsync, GrabModeAsync);
    XUngrabKey(d, kc, AnyModifier, root);
    XUngrabKeyboard(d, CurrentTime);
    const auto& errors = trap.errors();
    const bool refused = std::any_of(errors.begin(), errors.end(), [](const X11Errors::Error& e) {
        return e.requestCode == X_GrabKey && e.errorCode == BadAccess;
    });
    const KeyState state = refused ? KeyState::taken : KeyState::free;
    answers_[kc] = state;
    return state;
}

QString X11KeyboardProbe::keyName(quint32 nativeKey) {
    if (nativeKey == 0) return {};
    const char* name = XKeysymToString(KeySym(nativeKey));
    return name ? QString::fromLatin1(name) : QString();
}

} // namespace mivora
