#include "Dictation/KeyTap.h"

#include "support/FakeKeySource.h"
#include "support/FakeScheduler.h"

#include <gtest/gtest.h>

#include <ostream>
#include <vector>

namespace mivora {

void PrintTo(const KeyInput& i, std::ostream* os) {
    static const char* names[] = {"keyDown", "keyUp", "shift", "fnDown", "fnUp", "mouseDown"};
    *os << names[int(i.kind)] << "(" << i.code << (i.isRepeat ? ",repeat" : "") << (i.down ? ",down" : "")
        << ")";
}

namespace {

using test::FakeKeySource;

constexpr std::uint64_t shift = KeyEvent::shiftFlag, fn = KeyEvent::fnFlag, control = KeyEvent::controlFlag;

class KeyTapTest : public ::testing::Test {
protected:
    KeyTapTest() : tap(std::unique_ptr<KeySource>(source = new FakeKeySource), clock) {
        tap.handler = [this](const KeyInput& input, double time) {
            seen.push_back(input);
            times.push_back(time);
            return answer(input);
        };
        KeyTap::lastKeyFlags = 0;
        EXPECT_TRUE(tap.start());
    }

    test::FakeClock clock;
    FakeKeySource* source = nullptr;
    KeyTap tap;
    std::vector<KeyInput> seen;
    std::vector<double> times;
    std::function<bool(const KeyInput&)> answer = [](const KeyInput&) { return false; };
};

TEST_F(KeyTapTest, OwnPostedEventsPassUnseenWhateverTheirType) {
    answer = [](const KeyInput&) { return true; };
    for (int type : {1, 3, 10, 11, 12}) {
        const int code = type == 12 ? 63 : 9;
        EXPECT_FALSE(source->send({type, code, false, control | fn, KeyTap::syntheticMark})) << type;
    }
    EXPECT_TRUE(seen.empty());
    EXPECT_EQ(KeyTap::lastKeyFlags, 0u);
    EXPECT_EQ(tap.fnEventsSeen(), 0);
}

TEST_F(KeyTapTest, FnAndShiftReachTheHandlerOnlyWhenTheirStateChanges) {
    // Fn reported twice in the same state, and the globe key's code.
    source->flagsChanged(63, fn);
    source->flagsChanged(63, fn);
    source->flagsChanged(179, 0);
    source->flagsChanged(179, 0);
    // Right Shift held while the left one goes down and up: the flag never drops.
    source->flagsChanged(60, shift);
    source->flagsChanged(56, shift);
    source->flagsChanged(56, shift);
    source->flagsChanged(60, 0);
    // Other modifiers never reach the handler.
    source->flagsChanged(59, control);
    source->flagsChanged(62, 0);

    const std::vector<KeyInput> expected = {KeyInput::fnDown(), KeyInput::fnUp(), KeyInput::shift(true),
                                            KeyInput::shift(false)};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(tap.fnEventsSeen(), 2);
}

TEST_F(KeyTapTest, OnlyKeyAndFnEventsCanBeSwallowed) {
    answer = [](const KeyInput&) { return true; };
    EXPECT_FALSE(source->send({KeyEvent::leftMouseDown, 0, false, 0, 0}));
    EXPECT_FALSE(source->send({KeyEvent::rightMouseDown, 0, false, 0, 0}));
    EXPECT_FALSE(source->send({25, 0, false, 0, 0})); // a middle button: not looked at
    EXPECT_FALSE(source->flagsChanged(56, shift));
    EXPECT_TRUE(source->flagsChanged(63, fn));
    EXPECT_TRUE(source->keyDown(53));
    EXPECT_TRUE(source->keyUp(53));
    const std::vector<KeyInput> expected = {KeyInput::mouseDown(), KeyInput::mouseDown(),
                                            KeyInput::shift(true), KeyInput::fnDown(),
                                            KeyInput::keyDown(53), KeyInput::keyUp(53)};
    EXPECT_EQ(seen, expected);
}

TEST_F(KeyTapTest, KeysCarryTheirRepeatFlagTimeAndTheFlagsOfTheLastKeyDown) {
    clock.advance(2.5);
    answer = [](const KeyInput& i) { return i.kind != KeyInput::Kind::keyUp; };
    EXPECT_TRUE(source->keyDown(0, false, shift | control));
    EXPECT_TRUE(source->keyDown(0, true, shift));
    EXPECT_FALSE(source->keyUp(0, 0));
    const std::vector<KeyInput> expected = {KeyInput::keyDown(0), KeyInput::keyDown(0, true),
                                            KeyInput::keyUp(0)};
    EXPECT_EQ(seen, expected);
    EXPECT_EQ(KeyTap::lastKeyFlags, shift); // the key-up did not change it
    EXPECT_DOUBLE_EQ(times.front(), clock.uptime());
}

TEST_F(KeyTapTest, StartsOnceAndAgainAfterStop) {
    EXPECT_TRUE(tap.start());
    EXPECT_EQ(source->starts, 1);
    tap.stop();
    EXPECT_FALSE(tap.isRunning());
    EXPECT_FALSE(source->keyDown(53)); // nothing watched
    EXPECT_TRUE(tap.start());
    EXPECT_EQ(source->starts, 2);

    // Fn and Shift held when the tap stopped and released meanwhile: their next presses still count.
    source->flagsChanged(63, fn);
    source->flagsChanged(56, shift);
    tap.stop();
    ASSERT_TRUE(tap.start());
    seen.clear();
    source->flagsChanged(63, fn);
    source->flagsChanged(56, shift);
    EXPECT_EQ(seen, (std::vector<KeyInput>{KeyInput::fnDown(), KeyInput::shift(true)}));

    FakeKeySource* refusing = nullptr;
    KeyTap refused(std::unique_ptr<KeySource>(refusing = new FakeKeySource), clock);
    refusing->refuse = true;
    EXPECT_FALSE(refused.start());
    EXPECT_FALSE(refused.isRunning());
    refusing->refuse = false;
    EXPECT_TRUE(refused.start());
}

TEST_F(KeyTapTest, SwallowableKeysAreEveryOwnersUnionUntilWithdrawn) {
    tap.setSwallowable("voice", {53, 49});
    tap.setSwallowable("suggest", {53, 48});
    EXPECT_EQ(source->swallowableKeys, (std::set<int>{48, 49, 53}));
    tap.setSwallowable("voice", {53});
    EXPECT_EQ(source->swallowableKeys, (std::set<int>{48, 53}));
    tap.setSwallowable("suggest", {});
    tap.setSwallowable("voice", {});
    EXPECT_TRUE(source->swallowableKeys.empty());
}

TEST_F(KeyTapTest, ASwallowedKeyStaysSwallowableUntilItsKeyUp) {
    answer = [](const KeyInput& i) { return i.code == 53; };
    tap.setSwallowable("voice", {53, 49});
    source->keyDown(53);
    source->keyDown(49); // passed: not kept
    tap.setSwallowable("voice", {});
    EXPECT_EQ(source->swallowableKeys, std::set<int>{53});
    source->keyDown(53, true);
    EXPECT_EQ(source->swallowableKeys, std::set<int>{53});
    source->keyUp(49);
    source->keyUp(53);
    EXPECT_TRUE(source->swallowableKeys.empty());
}

TEST_F(KeyTapTest, AnnouncementsBeforeStartReachTheSource) {
    FakeKeySource* later = nullptr;
    KeyTap fresh(std::unique_ptr<KeySource>(later = new FakeKeySource), clock);
    fresh.setSwallowable("suggest", {48});
    later->swallowableKeys.clear(); // a source may forget while stopped
    ASSERT_TRUE(fresh.start());
    EXPECT_EQ(later->swallowableKeys, std::set<int>{48});
}

} // namespace
} // namespace mivora
