#pragma once

#include "support/ChildProcess.h"
#include "support/MicFifo.h"
#include "support/Speech.h"

#include <QElapsedTimer>
#include <QProcess>

#include <algorithm>
#include <cstddef>
#include <functional>

// Xlib's macros clash with Qt and GoogleTest names: include it last.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace mivora::test {

// A keycode that types `sym` at any shift level. Chinese characters have no key of their own: a keycode
// bound to nothing gets the character and keeps it (an application that reads the changed keyboard map only
// when it gets round to it still finds the character there), and does not auto-repeat while held.
inline unsigned int keycodeTyping(Display* display, KeySym sym) {
    int min = 0, max = 0, perCode = 0;
    XDisplayKeycodes(display, &min, &max);
    KeySym* map = XGetKeyboardMapping(display, ::KeyCode(min), max - min + 1, &perCode);
    unsigned int found = 0, spare = 0;
    for (int code = min; code <= max && !found && map; ++code) {
        const KeySym* syms = map + std::ptrdiff_t(code - min) * perCode;
        if (perCode >= 2 && syms[0] == sym && syms[1] == sym) found = unsigned(code);
        if (!spare && std::all_of(syms, syms + perCode, [](KeySym s) { return s == NoSymbol; }))
            spare = unsigned(code);
    }
    if (map) XFree(map);
    if (!found && spare) {
        KeySym both[2] = {sym, sym};
        XChangeKeyboardMapping(display, int(spare), 2, both, 1);
        XKeyboardControl control{};
        control.key = int(spare);
        control.auto_repeat_mode = AutoRepeatModeOff;
        XChangeKeyboardControl(display, KBKey | KBAutoRepeatMode, &control);
        found = spare;
    }
    XSync(display, False);
    return found;
}

// The user typing `text` into `target` (a test program printing "text:<its text>" on every change), one
// character at a time the way a person does: each key stays down until the character is in the
// application, so nothing is typed faster than the application takes it, and whatever reacts to the key's
// release (the typing suggestions) finds the text already there. False when a character did not arrive.
inline bool typeText(ChildProcess& target, const QString& text) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    const QString before = target.lastText();
    QString typed;
    bool arrived = true;
    for (const char32_t c : text.toUcs4()) {
        const KeySym sym = c < 0x100 ? KeySym(c) : KeySym(0x01000000 | c);
        const unsigned int code = keycodeTyping(display, sym);
        if (!code) {
            arrived = false;
            break;
        }
        typed += QString::fromUcs4(&c, 1);
        XTestFakeKeyEvent(display, code, True, CurrentTime);
        XFlush(display);
        arrived = target.waitForLine("text:" + before + typed, desktopDeadlineMs);
        XTestFakeKeyEvent(display, code, False, CurrentTime);
        XSync(display, False);
        if (!arrived) break;
    }
    XCloseDisplay(display);
    return arrived;
}

// One key pressed and released (the server has both before this returns).
inline void pressKey(Display* display, KeySym sym) {
    for (const bool down : {true, false})
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, sym), down, CurrentTime);
    XSync(display, False);
}

// One spoken take: holds the hotkey (right Control), plays speech into the test microphone once something
// records, and releases the key when the hold is long enough to count as a take, after `whileHeld` has
// looked at the desktop. The program times the hold from when it took the key in, which a busy machine
// delays: the hold is counted from `takeStarted` (true once the program has begun the take; without it,
// from when something records). False when nothing started recording or the speech was not taken in.
inline bool holdHotkeyAndSpeak(const std::function<void()>& whileHeld = {},
                               const std::function<bool()>& takeStarted = {}, KeySym key = XK_Control_R) {
    Display* display = XOpenDisplay(nullptr);
    if (!display) return false;
    const auto hotkey = [&](bool down) {
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, key), down, CurrentTime);
        XFlush(display);
    };
    MicFifo::drain();
    hotkey(true);
    // A press typed in the instant the focus moves, while the program still reads where it went, is nobody's
    // and goes unheard: as a person would, let go and press again until the take starts.
    QElapsedTimer tried;
    tried.start();
    bool started = !takeStarted || waitUntil(takeStarted, 3000);
    while (!started && tried.elapsed() < desktopDeadlineMs) {
        hotkey(false);
        hotkey(true);
        started = waitUntil(takeStarted, 3000);
    }
    const bool recording = waitUntil(MicFifo::recording, desktopDeadlineMs);
    QElapsedTimer held;
    held.start();
    const bool spoken = started && recording && MicFifo::feed(speech(1.4, 0.8).samples);
    waitUntil([&] { return held.elapsed() > 400; }, desktopDeadlineMs);
    if (whileHeld) whileHeld();
    hotkey(false);
    XCloseDisplay(display);
    return spoken;
}

} // namespace mivora::test
