#include "Dictation/Permissions.h"
#include "Keys/HotkeyMachine.h"
#include "Keys/KeyTap.h"
#include "Platform/KeyCodes.h"
#include "Support/AppLog.h"

#include "LinuxDesktop.h"
#include "support/ChildProcess.h"

#include <QFile>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

// Xlib's macros clash with Qt and GoogleTest names: include it last.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace mivora {
namespace {

// A key tap on the desktop's key source feeding a hotkey machine, another application holding the focus and
// printing every key it receives, and the user's keyboard: XTest events from a connection of the test's own.
using KeyTapDesktop = test::LinuxDesktop;

TEST_F(KeyTapDesktop, KeysReachTheTapOnceAndTheFocusedApplicationUnlessSwallowed) {
    EXPECT_TRUE(Permissions(*platform, defaults).allSet()); // the session has everything dictation needs
    test::ChildProcess target;
    ASSERT_TRUE(target.startInFront(platform->frontApplication(), "mivora_target"));
    HotkeyMachine machine;
    std::vector<KeyInput> seen;
    KeyTap tap(platform->makeKeySource(), clock);
    tap.handler = [&](const KeyInput& input, double time) {
        seen.push_back(input);
        return machine.handle(input, time).swallow;
    };
    // Another program holds Tab: our grab of it is refused. Xlib's default handler would end the process
    // on that error; Qt's platform plugin may have replaced it with a forgiving one, hiding a missing
    // handler of ours.
    Display* display = XOpenDisplay(nullptr);
    ASSERT_TRUE(display);
    XGrabKey(display, XKeysymToKeycode(display, XK_Tab), AnyModifier, DefaultRootWindow(display), False,
             GrabModeAsync, GrabModeAsync);
    // Right Control held by it under Shift only: the probe's trial grabs try every modifier.
    XGrabKey(display, XKeysymToKeycode(display, XK_Control_R), ShiftMask, DefaultRootWindow(display), False,
             GrabModeAsync, GrabModeAsync);
    XSync(display, False);
    KeyboardProbe& probe = platform->keyboard();
    EXPECT_EQ(probe.hotkeyState("Control_R"), KeyboardProbe::KeyState::taken);
    EXPECT_EQ(probe.hotkeyState("NoSuchKeyName"), KeyboardProbe::KeyState::missing);
    const XErrorHandler qtHandler = XSetErrorHandler(nullptr);
    tap.setSwallowable("voice", {KeyCode::escape, KeyCode::space, KeyCode::tab}); // grabbed once started
    ASSERT_TRUE(tap.start());

    // Posts a key event and waits until the tap has handed it on (through this thread's loop).
    const auto send = [&](KeySym sym, bool down) {
        const std::size_t before = seen.size();
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, sym), down, CurrentTime);
        XFlush(display);
        EXPECT_TRUE(test::waitUntil([&] { return seen.size() > before; }, test::desktopDeadlineMs))
            << XKeysymToString(sym);
    };
    const auto hold = [&](KeySym sym, const std::function<bool()>& until) {
        send(sym, true);
        EXPECT_TRUE(test::waitUntil(until, test::desktopDeadlineMs)) << XKeysymToString(sym);
        send(sym, false);
    };
    hold(XK_a, [&] { return target.lines().contains("repeat:A"); }); // the server's auto-repeat has started
    ASSERT_TRUE(platform->syntheticKeys().postPaste());              // our own paste: never seen
    ASSERT_TRUE(target.waitForLine("release:V"));
    send(XK_Control_R, true); // the key acting as Fn by default
    EXPECT_TRUE(probe.isDown("Control_R"));
    hold(XK_Escape,
         [&] { return std::count(seen.begin(), seen.end(), KeyInput::keyDown(KeyCode::escape, true)); });
    send(XK_Control_R, false);
    // After the take, Space is passed on with its repeats.
    hold(XK_space, [&] { return target.lines().contains("repeat:Space"); });
    send(XK_Escape, true);
    send(XK_Escape, false);
    ASSERT_TRUE(target.waitForLine("release:Esc"));
    XSetErrorHandler(qtHandler);
    XCloseDisplay(display);
    // The trial grabs left nothing behind: the key is free once the other program is gone.
    EXPECT_EQ(probe.hotkeyState("Control_R"), KeyboardProbe::KeyState::free);
    EXPECT_FALSE(probe.isDown("Control_R"));

    ASSERT_GE(seen.size(), 4u);
    EXPECT_EQ(std::vector<KeyInput>(seen.begin(), seen.begin() + 4),
              (std::vector<KeyInput>{KeyInput::keyDown(KeyCode::a), KeyInput::keyUp(KeyCode::a),
                                     KeyInput::fnDown(), KeyInput::keyDown(KeyCode::escape)}));
    EXPECT_EQ(target.lines().filter("Esc"), QStringList({"press:Esc", "release:Esc"}));
    AppLog::flush();
    QFile log(AppLog::file());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(log.readAll()).contains("按键 Tab 已被其他程序占用，无法拦截"));
}

// A hotkey that is no modifier is held by our own key watcher's grab: the setup's probe, whose trial grab
// the server then refuses, must still find it free, and only another program's grab makes it taken.
TEST_F(KeyTapDesktop, AHotkeyOurWatcherHoldsIsFreeAndOneAnotherProgramHoldsIsTaken) {
    defaults.setValue("fnKey", "F9");
    KeyboardProbe& probe = platform->keyboard();
    {
        KeyTap tap(platform->makeKeySource(), clock);
        tap.handler = [](const KeyInput&, double) { return false; };
        ASSERT_TRUE(tap.start());
        EXPECT_EQ(probe.hotkeyState("F9"), KeyboardProbe::KeyState::free);
    }
    Display* display = XOpenDisplay(nullptr);
    ASSERT_TRUE(display);
    XGrabKey(display, XKeysymToKeycode(display, XK_F9), AnyModifier, DefaultRootWindow(display), False,
             GrabModeAsync, GrabModeAsync);
    XSync(display, False);
    EXPECT_EQ(probe.hotkeyState("F9"), KeyboardProbe::KeyState::taken);
    XCloseDisplay(display);
    EXPECT_EQ(probe.hotkeyState("F9"), KeyboardProbe::KeyState::free);
}

} // namespace
} // namespace mivora
