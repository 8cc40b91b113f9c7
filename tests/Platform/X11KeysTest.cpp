#include "Platform/KeyCodes.h"
#include "Platform/Linux/OwnGrabs.h"
#include "Platform/Linux/OwnKeyEvents.h"
#include "Platform/Linux/X11KeySource.h"
#include "Platform/Linux/X11KeyboardProbe.h"

#include "support/FakeScheduler.h"
#include "support/MemoryDefaults.h"

#include <gtest/gtest.h>

#include <X11/X.h>
#include <X11/extensions/XI2.h>
#include <X11/keysym.h>

#include <stdexcept>
#include <tuple>

namespace mivora {
namespace {

using Role = X11KeyMap::Role;

// A US keyboard as an evdev X server describes it (a few keys), with Caps Lock turned into a Control.
const std::vector<X11KeyMap::Entry> keys = {
    {9, "ESC", {XK_Escape}},      {37, "LCTL", {XK_Control_L}}, {38, "AC01", {XK_a, XK_A}},
    {50, "LFSH", {XK_Shift_L}},   {62, "RTSH", {XK_Shift_R}},   {64, "LALT", {XK_Alt_L}},
    {66, "CAPS", {XK_Control_L}}, {87, "KP1", {XK_KP_End}},     {105, "RCTL", {XK_Control_R}},
    {133, "LWIN", {XK_Super_L}},  {191, "FK13", {XK_F13}},      {200, "I200", {}},
};
// Keycode, code and role; the key named by the setting is Fn in place of the right Control, and a key
// without symbols gets a code clear of every real one.
const std::vector<std::tuple<int, int, Role>> placed = {
    {38, KeyCode::a, Role::key},
    {87, KeyCode::keypad1, Role::key},
    {62, KeyCode::rightShift, Role::shift},
    {66, KeyCode::control, Role::control},
    {133, KeyCode::command, Role::command},
    {105, KeyCode::fn, Role::fn},
    {200, X11KeyMap::unknownBase + 200, Role::key},
};

// What a key produces at any of its levels decides whether it may be the hotkey: characters of every script,
// accents, keys that edit text and the keypad's digits (with Num Lock on) type; its navigation keys (with
// Num Lock off), function keys and modifiers do not.
TEST(X11KeyboardProbe, TellsTheKeysymsThatTypeText) {
    for (const unsigned long sym : std::initializer_list<unsigned long>{
             XK_a, XK_1, XK_space, XK_Return, XK_Tab, XK_BackSpace, XK_udiaeresis, XK_Cyrillic_a, XK_EuroSign,
             0x1004E2D /* 中 */, XK_dead_acute, XK_KP_1, XK_KP_Decimal, XK_KP_Delete, XK_KP_Add, XK_KP_Enter})
        EXPECT_TRUE(X11KeyboardProbe::typing(sym)) << std::hex << sym;
    for (const unsigned long sym : std::initializer_list<unsigned long>{
             XK_F9, XK_Control_R, XK_Alt_R, XK_Escape, XK_KP_End, XK_KP_Home, XK_KP_F1, XK_Num_Lock,
             XK_Insert, XK_ISO_Level3_Shift, 0x100811D0})
        EXPECT_FALSE(X11KeyboardProbe::typing(sym)) << std::hex << sym;
}

TEST(X11KeyMap, KeysArePlacedByPositionAndModifiersByWhatTheyProduce) {
    const X11KeyMap map = X11KeyMap::build(keys, XK_Control_R);
    for (const auto& [keycode, code, role] : placed)
        EXPECT_EQ(std::pair(map[keycode].code, map[keycode].role), std::pair(code, role)) << keycode;
    EXPECT_EQ(map.keycodesFor(KeyCode::control), (std::vector<int>{37, 66}));
    const X11KeyMap f13 = X11KeyMap::build(keys, XK_F13);
    EXPECT_EQ(std::pair(f13[105].code, f13[191].role), std::pair(KeyCode::rightControl, Role::fn));
}

// Tab and Esc go with what the keys type: Caps Lock made an Esc is one, and the old Esc typing F1 is none;
// the keys of a layout that types other characters keep their places.
TEST(X11KeyMap, TabAndEscFollowTheMapWhileOtherKeysKeepTheirPlaces) {
    const X11KeyMap map = X11KeyMap::build({{9, "ESC", {XK_F1}},
                                            {23, "TAB", {XK_Tab, XK_ISO_Left_Tab}},
                                            {66, "CAPS", {XK_Escape}},
                                            {10, "AE01", {XK_ampersand, XK_1}},
                                            {24, "AD01", {XK_Tab}}},
                                           XK_Control_R);
    EXPECT_EQ(map.keycodesFor(KeyCode::escape), (std::vector<int>{66}));
    EXPECT_EQ(map.keycodesFor(KeyCode::tab), (std::vector<int>{23, 24}));
    EXPECT_EQ(map[9].code, X11KeyMap::unknownBase + 9);
    EXPECT_EQ(map[10].code, KeyCode::digit1);
}

// A source on the test key map, fed by hand instead of by an X connection.
class X11KeySourceTest : public ::testing::Test {
protected:
    X11KeySourceTest() { source.setKeyMap(X11KeyMap::build(keys, XK_Control_R)); }
    test::MemoryDefaults defaults;
    test::FakeClock clock;
    OwnKeyEvents own;
    OwnGrabs grabs;
    X11KeySource source{defaults, clock, own, grabs};
};

// The raw event and the grab's own report of one press are one key for the handler, answered alike.
TEST_F(X11KeySourceTest, AGrabbedPressIsAnsweredOnceAndKeysDuringTheGrabComeThroughIt) {
    std::vector<std::string> seen;
    bool swallow = true;
    source.setCallback([&](const KeyEvent& e) {
        seen.push_back(std::to_string(e.type) + ":" + std::to_string(e.keyCode) + (e.autoRepeat ? "r" : ""));
        return swallow;
    });
    EXPECT_TRUE(source.handleRaw(XI_RawKeyPress, 9, 1000));
    swallow = false;
    EXPECT_TRUE(source.handleCore(true, 9, 1000)); // the grab's report of that press: same answer
    source.handleCore(true, 9, 1500);              // auto-repeats come through the grab only
    source.handleCore(true, 38, 1600);             // as do other keys while we hold it
    source.handleRaw(XI_RawKeyRelease, 38, 1700);
    source.handleCore(false, 38, 1700); // a stray second release
    source.handleCore(false, 9, 1800);
    EXPECT_FALSE(source.handleCore(true, 9, 2000)); // a later press is a new one
    EXPECT_EQ(seen, (std::vector<std::string>{"10:53", "10:53r", "10:0", "11:0", "11:53", "10:53"}));
}

TEST_F(X11KeySourceTest, AHandlerThatThrowsPassesTheKeyOnInsteadOfLeavingTheKeyboardUnanswered) {
    bool fail = true;
    source.setCallback([&](const KeyEvent&) -> bool {
        if (fail) throw std::runtime_error("handler failed");
        return true;
    });
    EXPECT_FALSE(source.handleRaw(XI_RawKeyPress, 9, 1000));
    EXPECT_FALSE(source.handleCore(true, 9, 1000)); // the grab's report: replayed, not kept
    EXPECT_FALSE(source.handleCore(false, 9, 1100));
    fail = false;
    EXPECT_TRUE(source.handleRaw(XI_RawKeyPress, 9, 1200));
}

// A modifier hotkey stays usable in shortcuts; any other key would be typed into the application by every
// take, so it is kept from it whatever the handler answers: press, auto-repeats and release.
TEST_F(X11KeySourceTest, AHotkeyThatIsNoModifierNeverReachesTheApplication) {
    source.setCallback([](const KeyEvent&) { return false; });
    EXPECT_FALSE(source.handleRaw(XI_RawKeyPress, 105, 1000)) << "the right Control is only watched";
    EXPECT_FALSE(source.handleRaw(XI_RawKeyRelease, 105, 1100));

    defaults.setValue("fnKey", "F13");
    source.setKeyMap(X11KeyMap::build(keys, XK_F13));
    EXPECT_TRUE(source.handleRaw(XI_RawKeyPress, 191, 2000));
    EXPECT_TRUE(source.handleCore(true, 191, 2000));
    EXPECT_TRUE(source.handleCore(true, 191, 2500)); // an auto-repeat
    EXPECT_TRUE(source.handleCore(false, 191, 2600));
    EXPECT_FALSE(source.handleRaw(XI_RawKeyPress, 105, 2700)) << "the old hotkey is an ordinary key again";
}

// While a grab is on that is not ours (raw events never come during our own), presses belong to the program
// holding the keyboard: none reaches the handler, nor their releases; a key held from before is let go.
TEST_F(X11KeySourceTest, WhileAnotherProgramHoldsTheKeyboardNoPressReachesTheHandler) {
    std::vector<std::string> seen;
    source.setCallback([&](const KeyEvent& e) {
        seen.push_back(std::to_string(e.type) + ":" + std::to_string(e.keyCode));
        return false;
    });
    source.handleRaw(XI_RawKeyPress, 50, 1000); // Shift, held from before
    source.handleFocus(NotifyGrab);
    EXPECT_TRUE(source.othersHoldKeyboard());
    for (const int keycode : {38, 105, 9})
        source.handleRaw(XI_RawKeyPress, keycode, 1100);
    for (const int keycode : {38, 105, 9, 50})
        source.handleRaw(XI_RawKeyRelease, keycode, 1200);
    source.handleFocus(NotifyWhileGrabbed); // the focus moved under the grab
    source.handleRaw(XI_RawKeyPress, 38, 1300);
    source.handleFocus(NotifyUngrab);
    source.handleRaw(XI_RawKeyRelease, 38, 1400);
    source.handleRaw(XI_RawKeyPress, 105, 1500);
    source.handleFocus(NotifyGrab);
    source.handleFocus(NotifyNormal); // a focus change with no grab on: the grab's end went unseen
    source.handleRaw(XI_RawKeyPress, 38, 1600);
    EXPECT_EQ(seen, (std::vector<std::string>{"12:56", "12:56", "12:63", "10:0"}));
}

} // namespace
} // namespace mivora
