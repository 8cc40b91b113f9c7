#include "Dictation/Permissions.h"
#include "Platform/AccessibilityBus.h"
#include "Platform/AudioInputs.h"
#include "Platform/KeyboardProbe.h"

#include <gtest/gtest.h>

// Xlib's macros clash with GoogleTest names: include it last.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace mivora {
namespace {

using KeyState = KeyboardProbe::KeyState;

TEST(PermissionsDesktop, TheSessionHasEverythingDictationNeeds) {
    EXPECT_TRUE(AudioInputs::desktop().available());
    EXPECT_TRUE(AccessibilityBus::desktop().answers());
    EXPECT_TRUE(KeyboardProbe::desktop().watchable());
    EXPECT_EQ(Permissions::micStatus(), Permissions::MicStatus::authorized);
    EXPECT_TRUE(Permissions::accessibility());
    EXPECT_EQ(Permissions::fnUsage(), 0);
    EXPECT_TRUE(Permissions::allSet());
}

TEST(PermissionsDesktop, TheHotkeyIsTakenWhileAnotherProgramHoldsIt) {
    KeyboardProbe& probe = KeyboardProbe::desktop();
    EXPECT_EQ(probe.hotkeyState("Control_R"), KeyState::free);
    EXPECT_EQ(probe.hotkeyState("NoSuchKeyName"), KeyState::missing);

    Display* other = XOpenDisplay(nullptr);
    ASSERT_TRUE(other);
    const int kc = XKeysymToKeycode(other, XK_Control_R);
    XGrabKey(other, kc, ShiftMask, DefaultRootWindow(other), False, GrabModeAsync, GrabModeAsync);
    XSync(other, False);
    EXPECT_EQ(probe.hotkeyState("Control_R"), KeyState::taken);
    XCloseDisplay(other);
    // The trial grab left nothing behind: the key is free again once the other program is gone.
    EXPECT_EQ(probe.hotkeyState("Control_R"), KeyState::free);
}

TEST(PermissionsDesktop, TheFnKeyIsDownWhileHeld) {
    Display* user = XOpenDisplay(nullptr);
    ASSERT_TRUE(user);
    const int kc = XKeysymToKeycode(user, XK_Control_R);
    XTestFakeKeyEvent(user, kc, True, CurrentTime);
    XSync(user, False);
    EXPECT_TRUE(KeyboardProbe::desktop().isDown("Control_R"));
    XTestFakeKeyEvent(user, kc, False, CurrentTime);
    XSync(user, False);
    EXPECT_FALSE(KeyboardProbe::desktop().isDown("Control_R"));
    XCloseDisplay(user);
}

} // namespace
} // namespace mivora
