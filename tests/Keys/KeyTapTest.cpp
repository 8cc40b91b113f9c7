#include "Keys/KeyTap.h"
#include "Platform/KeyCodes.h"

#include "support/FakeKeySource.h"
#include "support/FakeScheduler.h"
#include "support/TaskProbe.h"

#include <gtest/gtest.h>

namespace mivora {
namespace {

constexpr std::uint64_t shiftFlag = KeyEvent::shiftFlag, fnFlag = KeyEvent::fnFlag;
constexpr int down = KeyEvent::keyDown, up = KeyEvent::keyUp, flags = KeyEvent::flagsChanged;
using K = KeyInput;
constexpr int a = KeyCode::a, escape = KeyCode::escape, space = KeyCode::space, tab = KeyCode::tab;
constexpr int fn = KeyCode::fn, shift = KeyCode::shift, rightShift = KeyCode::rightShift;

class KeyTapTest : public ::testing::Test {
protected:
    KeyTapTest() : tap(std::unique_ptr<KeySource>(source = new test::FakeKeySource), clock) {
        tap.handler = [this](const KeyInput& input, double) { return seen.push_back(input), swallow(input); };
        EXPECT_TRUE(tap.start());
    }
    test::FakeClock clock;
    test::FakeKeySource* source = nullptr;
    KeyTap tap;
    std::vector<KeyInput> seen;
    std::function<bool(const KeyInput&)> swallow = [](const KeyInput&) { return true; };
};

TEST_F(KeyTapTest, HandsOnEachChangeOnceAndSwallowsOnlyKeysAndFn) {
    EXPECT_TRUE(source->send(flags, fn, fnFlag));
    EXPECT_FALSE(source->send(flags, fn, fnFlag)); // the same state reported again
    EXPECT_FALSE(source->send(flags, rightShift, shiftFlag));
    source->send(flags, shift, shiftFlag); // left Shift down and up while the right one stays held
    source->send(flags, shift, shiftFlag);
    source->send(flags, rightShift, 0);
    EXPECT_TRUE(source->send(down, a, shiftFlag | KeyEvent::controlFlag));
    EXPECT_TRUE(source->send(down, a, shiftFlag, true));
    EXPECT_TRUE(source->send(up, a));
    EXPECT_EQ(seen, (std::vector<K>{K::fnDown(), K::shift(true), K::shift(false), K::keyDown(a),
                                    K::keyDown(a, true), K::keyUp(a)}));
    tap.stop(); // Fn released and pressed again while stopped: the next report is a press
    ASSERT_TRUE(tap.start());
    source->send(flags, fn, fnFlag);
    EXPECT_EQ(seen.back(), K::fnDown());
}

TEST_F(KeyTapTest, SwallowableKeysAreEveryOwnersUnionPlusHeldSwallowedKeys) {
    tap.setSwallowable("voice", {escape, space});
    tap.setSwallowable("suggest", {escape, tab});
    EXPECT_EQ(source->swallowableKeys, (std::set<int>{tab, space, escape}));
    swallow = [](const KeyInput& i) { return i.code == escape; };
    source->send(down, escape);
    source->send(down, space); // passed: not kept
    tap.setSwallowable("voice", {});
    tap.setSwallowable("suggest", {});
    EXPECT_EQ(source->swallowableKeys, std::set<int>{escape}); // until its key-up
    source->send(up, escape);
    EXPECT_TRUE(source->swallowableKeys.empty());
}

// A handler that keeps only a key's first press (the strip it accepted is gone by the first repeat) still
// has the repeats and key-up kept with it; a passed key's repeats stay passed.
TEST_F(KeyTapTest, AKeptKeysRepeatsAndKeyUpAreKeptWhateverTheHandlerSays) {
    swallow = [](const KeyInput& i) {
        return i.kind == KeyInput::Kind::keyDown && !i.isRepeat && i.code == tab;
    };
    EXPECT_TRUE(source->send(down, tab));
    EXPECT_TRUE(source->send(down, tab, 0, true));
    EXPECT_TRUE(source->send(down, tab, 0, true));
    EXPECT_FALSE(source->send(down, a));
    EXPECT_FALSE(source->send(down, a, 0, true));
    EXPECT_FALSE(source->send(up, a));
    EXPECT_TRUE(source->send(up, tab));
    EXPECT_EQ(seen.size(), 7u) << "the handler still sees every input";
    EXPECT_FALSE(source->send(down, tab, 0, true)) << "a stray repeat after the key-up is no longer kept";
}

// The wait of work a key sets off: never inside the key's own handler, and past the key-up of every key kept
// from the applications (the source holds the keyboard for those); a key passed on keeps nobody waiting.
TEST_F(KeyTapTest, WorkAKeySetsOffWaitsForTheLoopAndForEveryKeptKeyToBeUp) {
    test::FakeScheduler scheduler(clock);
    std::vector<test::TaskProbe<void>> work; // one per key-down, started by its handler
    swallow = [&](const KeyInput& i) {
        if (i.kind == KeyInput::Kind::keyDown) work.emplace_back(tap.keysSettled(scheduler));
        return i.code != a;
    };
    source->send(down, tab);
    scheduler.advance(0);
    source->send(down, escape); // a second kept key, pressed while the first is down
    scheduler.advance(0);
    source->send(up, tab);
    scheduler.advance(0);
    ASSERT_EQ(work.size(), 2u);
    EXPECT_FALSE(work[0].done() || work[1].done()) << "Esc is still down";
    source->send(up, escape);
    EXPECT_FALSE(work[0].done()) << "resumed inside the key-up's handler";
    scheduler.advance(0);
    EXPECT_TRUE(work[0].done() && work[1].done());

    source->send(down, a); // passed on: only the loop's turn
    EXPECT_FALSE(work.back().done());
    scheduler.advance(0);
    EXPECT_TRUE(work.back().done());

    source->send(down, space); // kept, and the tap stops before its key-up comes
    scheduler.advance(0);
    EXPECT_FALSE(work.back().done());
    tap.stop();
    scheduler.advance(0);
    EXPECT_TRUE(work.back().done());
}

} // namespace
} // namespace mivora
