#pragma once

#include "support/ChildProcess.h"
#include "support/MicFifo.h"
#include "support/Speech.h"

#include <QElapsedTimer>
#include <QProcess>

#include <functional>

// Xlib's macros clash with Qt and GoogleTest names: include it last.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace mivora::test {

// The user on the desktop of scripts/with-desktop, through XTest: text with xdotool (Chinese characters have
// no key of their own), single keys pressed and released directly.
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

// One spoken take: holds the hotkey (right Control), plays speech into the test microphone once something
// records, and releases the key when the hold is long enough to count as a take, after `whileHeld` has
// looked at the desktop. False when nothing started recording or the speech was not taken in.
inline bool holdHotkeyAndSpeak(const std::function<void()>& whileHeld = {}) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    const auto hotkey = [&](bool down) {
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, XK_Control_R), down, CurrentTime);
        XFlush(display);
    };
    MicFifo::drain();
    hotkey(true);
    QElapsedTimer held;
    held.start();
    const bool spoken = waitUntil(MicFifo::recording, 5000) && MicFifo::feed(speech(1.4, 0.8).samples);
    waitUntil([&] { return held.elapsed() > 400; }, 2000); // longer than the shortest take
    if (whileHeld) whileHeld();
    hotkey(false);
    XCloseDisplay(display);
    return spoken;
}

} // namespace mivora::test
