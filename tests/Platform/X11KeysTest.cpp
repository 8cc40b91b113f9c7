#include "Platform/Linux/OwnKeyEvents.h"
#include "Platform/Linux/X11KeyEvents.h"
#include "Platform/Linux/X11KeyMap.h"
#include "Platform/Linux/X11KeySource.h"

#include "support/FakeScheduler.h"
#include "support/MemoryDefaults.h"

#include <gtest/gtest.h>

#include <X11/X.h>
#include <X11/extensions/XI2.h>
#include <X11/keysym.h>

#include <vector>

namespace mivora {
namespace {

// A US keyboard as an evdev X server describes it (a few keys), with Caps Lock turned into a Control.
std::vector<X11KeyMap::Entry> usKeyboard() {
    return {
        {9, "ESC", {XK_Escape}},      {10, "AE01", {XK_1, XK_exclam}}, {23, "TAB", {XK_Tab}},
        {36, "RTRN", {XK_Return}},    {37, "LCTL", {XK_Control_L}},    {38, "AC01", {XK_a, XK_A}},
        {50, "LFSH", {XK_Shift_L}},   {62, "RTSH", {XK_Shift_R}},      {64, "LALT", {XK_Alt_L}},
        {65, "SPCE", {XK_space}},     {66, "CAPS", {XK_Control_L}},    {87, "KP1", {XK_KP_End, XK_KP_1}},
        {104, "KPEN", {XK_KP_Enter}}, {105, "RCTL", {XK_Control_R}},   {133, "LWIN", {XK_Super_L}},
        {191, "FK13", {XK_F13}},      {200, "I200", {XK_VoidSymbol}},
    };
}

TEST(X11KeyMap, KeysArePlacedByPositionAndModifiersByWhatTheyProduce) {
    const X11KeyMap map = X11KeyMap::build(usKeyboard(), XK_Control_R);
    const auto code = [&](int kc) { return map[kc].code; };
    EXPECT_EQ(code(9), 53);
    EXPECT_EQ(code(10), 18);
    EXPECT_EQ(code(23), 48);
    EXPECT_EQ(code(36), 36);
    EXPECT_EQ(code(38), 0);
    EXPECT_EQ(code(65), 49);
    EXPECT_EQ(code(87), 83);
    EXPECT_EQ(code(104), 76);
    EXPECT_EQ(code(191), 105);
    EXPECT_EQ(map[50].code, 56);
    EXPECT_EQ(map[50].role, X11KeyMap::Role::shift);
    EXPECT_EQ(map[62].code, 60);
    EXPECT_EQ(map[66].role, X11KeyMap::Role::control); // Caps Lock position, Control_L symbol
    EXPECT_EQ(map[64].role, X11KeyMap::Role::option);
    EXPECT_EQ(map[133].role, X11KeyMap::Role::command);
    // The Fn key named by the setting replaces the right Control.
    EXPECT_EQ(map[105].code, 63);
    EXPECT_EQ(map[105].role, X11KeyMap::Role::fn);
    // Unknown positions still get a code of their own, clear of every real one.
    EXPECT_EQ(code(200), X11KeyMap::unknownBase + 200);
    EXPECT_EQ(code(255), X11KeyMap::unknownBase + 255);
    EXPECT_EQ(map.keycodesFor(53), std::vector<int>{9});
    EXPECT_EQ(map.keycodesFor(59), (std::vector<int>{37, 66}));
}

TEST(X11KeyMap, AnotherFnKeyLeavesRightControlAControl) {
    const X11KeyMap map = X11KeyMap::build(usKeyboard(), XK_F13);
    EXPECT_EQ(map[105].code, 62);
    EXPECT_EQ(map[105].role, X11KeyMap::Role::control);
    EXPECT_EQ(map[191].role, X11KeyMap::Role::fn);
    const X11KeyMap none = X11KeyMap::build(usKeyboard(), NoSymbol);
    EXPECT_TRUE(none.keycodesFor(63).empty());
}

class X11KeyEventsTest : public ::testing::Test {
protected:
    X11KeyEventsTest() : events(clock, own) {
        events.setKeyMap(X11KeyMap::build(usKeyboard(), XK_Control_R));
    }
    test::FakeClock clock;
    OwnKeyEvents own;
    X11KeyEvents events;
};

TEST_F(X11KeyEventsTest, ModifiersBecomeFlagChangesWithTheFlagsAfterTheChange) {
    auto e = events.press(50);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->type, KeyEvent::flagsChanged);
    EXPECT_EQ(e->keyCode, 56);
    EXPECT_EQ(e->flags, KeyEvent::shiftFlag);
    events.press(62);
    e = events.release(50);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->flags, KeyEvent::shiftFlag); // the right Shift is still held
    e = events.press(105);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->keyCode, 63);
    EXPECT_EQ(e->flags, KeyEvent::shiftFlag | KeyEvent::fnFlag);
    e = events.press(38);
    ASSERT_TRUE(e);
    EXPECT_EQ(e->type, KeyEvent::keyDown);
    EXPECT_EQ(e->flags, KeyEvent::shiftFlag | KeyEvent::fnFlag);
    events.release(62);
    events.press(66);
    EXPECT_EQ(events.flags(), KeyEvent::controlFlag | KeyEvent::fnFlag);
}

TEST_F(X11KeyEventsTest, RepeatedReportsOfOneChangeComeOutOnce) {
    EXPECT_TRUE(events.press(50));
    EXPECT_FALSE(events.press(50));
    EXPECT_TRUE(events.release(50));
    EXPECT_FALSE(events.release(50)); // the server's second release of a Shift
    EXPECT_EQ(events.flags(), 0u);
    EXPECT_FALSE(events.release(9)); // never seen going down
    EXPECT_FALSE(events.repeat(9));
    events.press(9);
    const auto r = events.repeat(9);
    ASSERT_TRUE(r);
    EXPECT_TRUE(r->autoRepeat);
    EXPECT_EQ(r->keyCode, 53);
    events.press(105);
    EXPECT_FALSE(events.repeat(105)); // modifiers do not repeat
}

TEST_F(X11KeyEventsTest, OwnPostedKeysAreMarkedAndLeaveTheKeyStateAlone) {
    own.expect(37, true, clock.uptime());
    own.expect(37, false, clock.uptime());
    const auto down = events.press(37);
    ASSERT_TRUE(down);
    EXPECT_EQ(down->userData, KeyEvent::ownEventMark);
    EXPECT_EQ(events.flags(), 0u);
    EXPECT_FALSE(events.isDown(37));
    EXPECT_EQ(events.release(37)->userData, KeyEvent::ownEventMark);
    // The user's own press of the same key afterwards is an ordinary one.
    const auto user = events.press(37);
    ASSERT_TRUE(user);
    EXPECT_EQ(user->userData, 0);
    EXPECT_EQ(events.flags(), KeyEvent::controlFlag);
}

// The source's event steps, fed by hand as the event loop would feed them.
class X11KeySourceSteps : public ::testing::Test {
protected:
    X11KeySourceSteps() : source(defaults, clock, own) {
        source.setKeyMap(X11KeyMap::build(usKeyboard(), XK_Control_R));
        source.setCallback([this](const KeyEvent& e) {
            seen.push_back(e);
            return swallow;
        });
    }
    test::MemoryDefaults defaults;
    test::FakeClock clock;
    OwnKeyEvents own;
    X11KeySource source;
    std::vector<KeyEvent> seen;
    bool swallow = true;
};

TEST_F(X11KeySourceSteps, AGrabbedPressIsAnsweredOnceAndItsRepeatsAskAgain) {
    EXPECT_TRUE(source.handleRaw(XI_RawKeyPress, 9, 1000));
    // The grab reports the same press: same answer, the handler is not asked twice.
    swallow = false;
    EXPECT_TRUE(source.handleCore(true, 9, 1000));
    ASSERT_EQ(seen.size(), 1u);
    // Auto-repeats come through the grab only.
    swallow = true;
    EXPECT_TRUE(source.handleCore(true, 9, 1500));
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_TRUE(seen[1].autoRepeat);
    EXPECT_TRUE(source.handleCore(false, 9, 1600));
    EXPECT_EQ(seen[2].type, KeyEvent::keyUp);
    // A later press at another time is a new one, not the old answer.
    swallow = false;
    EXPECT_FALSE(source.handleCore(true, 9, 2000));
    EXPECT_FALSE(seen[3].autoRepeat);
}

TEST_F(X11KeySourceSteps, KeysTypedDuringAGrabReachTheHandlerThroughIt) {
    source.handleRaw(XI_RawKeyPress, 9, 1000);
    source.handleCore(true, 9, 1000);
    swallow = false;
    EXPECT_FALSE(source.handleCore(true, 38, 1100)); // raw events stop while we hold the grab
    EXPECT_EQ(seen.back().type, KeyEvent::keyDown);
    EXPECT_FALSE(seen.back().autoRepeat);
    // Its release arrives raw once the grab has ended; a stray second release is dropped.
    source.handleRaw(XI_RawKeyRelease, 38, 1200);
    const size_t count = seen.size();
    EXPECT_FALSE(source.handleRaw(XI_RawKeyRelease, 38, 1200));
    EXPECT_FALSE(source.handleCore(false, 38, 1200));
    EXPECT_EQ(seen.size(), count);
}

TEST_F(X11KeySourceSteps, MouseButtonsAreHandedOnAndOtherButtonsIgnored) {
    source.handleRaw(XI_RawButtonPress, 1, 10);
    source.handleRaw(XI_RawButtonPress, 4, 11);
    source.handleRaw(XI_RawButtonPress, 3, 12);
    ASSERT_EQ(seen.size(), 2u);
    EXPECT_EQ(seen[0].type, KeyEvent::leftMouseDown);
    EXPECT_EQ(seen[1].type, KeyEvent::rightMouseDown);
}

TEST(X11KeySource, DoesNotStartWithoutADisplay) {
    const QByteArray display = qgetenv("DISPLAY");
    qunsetenv("DISPLAY");
    test::MemoryDefaults defaults;
    test::FakeClock clock;
    OwnKeyEvents own;
    X11KeySource source(defaults, clock, own);
    EXPECT_FALSE(source.start([](const KeyEvent&) { return false; }));
    EXPECT_FALSE(source.isRunning());
    source.setSwallowable({53}); // harmless while stopped
    if (!display.isEmpty()) qputenv("DISPLAY", display);
}

} // namespace
} // namespace mivora
