#pragma once

#include "support/ChildProcess.h"
#include "support/MicFifo.h"
#include "support/Speech.h"

#include <QElapsedTimer>

// Xlib's macros clash with Qt and GoogleTest names: include it last.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace mivora::test {

// One spoken take on the desktop of scripts/with-desktop: holds the hotkey (right Control) through XTest,
// plays speech into the test microphone once something records, and releases the key when the hold is
// long enough to count as a take. False when nothing started recording or the speech was not taken in.
inline bool holdHotkeyAndSpeak() {
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
    hotkey(false);
    XCloseDisplay(display);
    return spoken;
}

} // namespace mivora::test
