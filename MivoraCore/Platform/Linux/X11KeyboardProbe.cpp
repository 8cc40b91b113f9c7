#include "Platform/Linux/X11KeyboardProbe.h"

#include "Platform/Linux/OwnGrabs.h"
#include "Platform/Linux/X11Display.h"

#include <X11/XKBlib.h>
#include <X11/Xlib.h>
#include <X11/Xproto.h>
#include <X11/keysym.h>

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

bool X11KeyboardProbe::typing(unsigned long keysym) {
    switch (keysym) {
    case XK_Return:
    case XK_Tab:
    case XK_ISO_Left_Tab:
    case XK_BackSpace:
    case XK_Delete:
    case XK_KP_Space:
    case XK_KP_Tab:
    case XK_KP_Enter:
    case XK_KP_Equal:
    case XK_KP_Delete: // the keypad's decimal point with Num Lock off
        return true;
    default:
        break;
    }
    // Latin-1 and the older character sets (Latin-2 to Latin-9, Cyrillic, Greek, Kana, Hebrew, Thai, Hangul).
    if (keysym >= 0x20 && keysym <= 0x7e) return true;
    if (keysym >= 0xa0 && keysym <= 0x13be) return true;
    if (keysym >= 0x20a0 && keysym <= 0x20ff) return true;               // currency signs
    if ((keysym & 0xff000000) == 0x01000000) return true;                // any Unicode character
    if (keysym >= XK_dead_grave && keysym <= XK_dead_greek) return true; // accents typed before their letter
    return keysym >= XK_KP_Multiply && keysym <= XK_KP_9;                // keypad digits and operators
}

bool X11KeyboardProbe::typesText(const QString& keyName) {
    const KeySym sym = XStringToKeysym(keyName.toLatin1().constData());
    if (sym == NoSymbol) return false;
    if (typing(sym)) return true;
    const int kc = keycodeFor(keyName);
    if (kc == 0) return false;
    Display* d = display_.get();
    // Xlib sets up XKB on a connection only when a call of its own needs it: the map is asked for here.
    if (!XkbUseExtension(d, nullptr, nullptr)) return false;
    XkbDescPtr xkb = XkbGetMap(d, XkbKeySymsMask, XkbUseCoreKbd);
    if (!xkb) return false;
    bool types = false;
    for (int group = 0; group < XkbKeyNumGroups(xkb, kc) && !types; ++group)
        for (int level = 0; level < XkbKeyGroupsWidth(xkb, kc) && !types; ++level)
            types = typing(XkbKeySymEntry(xkb, kc, level, group));
    XkbFreeKeyboard(xkb, 0, True);
    return types;
}

} // namespace mivora
