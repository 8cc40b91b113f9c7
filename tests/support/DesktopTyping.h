#pragma once

#include "support/ChildProcess.h"

#include <QProcess>
#include <QString>

// Xlib's macros clash with Qt and GoogleTest names: include it last.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace mivora::test {

// The user typing on the desktop of scripts/with-desktop, through XTest: text with xdotool (Chinese
// characters have no key of their own), single keys pressed and released directly.
inline void typeText(const QString& text) {
    QProcess::execute("xdotool", {"type", "--delay", "40", text});
}

inline void pressKey(Display* display, KeySym sym) {
    for (const bool down : {true, false}) {
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, sym), down, CurrentTime);
        XFlush(display);
        waitUntil([] { return false; }, 60);
    }
}

} // namespace mivora::test
