#include "Dictation/Permissions.h"

#include "LinuxDesktop.h"

// Xlib's macros clash with GoogleTest names: include it last.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace mivora {
namespace {

using PermissionsDesktop = test::LinuxDesktop;

TEST_F(PermissionsDesktop, TheHotkeyIsTakenWhileAnotherProgramHoldsItAndDownWhileHeld) {
    EXPECT_TRUE(Permissions(*platform, defaults).allSet()); // the session has everything dictation needs
    KeyboardProbe& probe = platform->keyboard();
    EXPECT_EQ(probe.hotkeyState("NoSuchKeyName"), KeyboardProbe::KeyState::missing);
    Display* other = XOpenDisplay(nullptr);
    ASSERT_TRUE(other);
    const int kc = XKeysymToKeycode(other, XK_Control_R);
    XGrabKey(other, kc, ShiftMask, DefaultRootWindow(other), False, GrabModeAsync, GrabModeAsync);
    XTestFakeKeyEvent(other, kc, True, CurrentTime);
    XSync(other, False);
    EXPECT_EQ(probe.hotkeyState("Control_R"), KeyboardProbe::KeyState::taken);
    EXPECT_TRUE(probe.isDown("Control_R"));
    XTestFakeKeyEvent(other, kc, False, CurrentTime);
    XCloseDisplay(other);
    // The trial grab left nothing behind: the key is free again once the other program is gone.
    EXPECT_EQ(probe.hotkeyState("Control_R"), KeyboardProbe::KeyState::free);
    EXPECT_FALSE(probe.isDown("Control_R"));
}

} // namespace
} // namespace mivora
