#include "Keys/KeyTap.h"

#include "support/FakeKeySource.h"
#include "support/FakeScheduler.h"

#include <gtest/gtest.h>

namespace mivora {
namespace {

constexpr std::uint64_t shift = KeyEvent::shiftFlag, fn = KeyEvent::fnFlag, control = KeyEvent::controlFlag;
constexpr int down = KeyEvent::keyDown, up = KeyEvent::keyUp, flags = KeyEvent::flagsChanged;
using K = KeyInput;

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
    EXPECT_FALSE(source->send(down, 9, control, false, KeyTap::syntheticMark)); // our own paste: unseen
    EXPECT_TRUE(source->send(flags, 63, fn));
    EXPECT_FALSE(source->send(flags, 63, fn)); // the same state reported again
    EXPECT_FALSE(source->send(flags, 60, shift));
    source->send(flags, 56, shift); // left Shift down and up while the right one stays held
    source->send(flags, 56, shift);
    source->send(flags, 60, 0);
    EXPECT_TRUE(source->send(down, 0, shift | control));
    EXPECT_TRUE(source->send(down, 0, shift, true));
    EXPECT_TRUE(source->send(up, 0));
    EXPECT_EQ(seen, (std::vector<K>{K::fnDown(), K::shift(true), K::shift(false), K::keyDown(0),
                                    K::keyDown(0, true), K::keyUp(0)}));
    EXPECT_EQ(tap.lastKeyFlags(), shift); // of the last key-down
    tap.stop(); // Fn released and pressed again while stopped: the next report is a press
    ASSERT_TRUE(tap.start());
    source->send(flags, 63, fn);
    EXPECT_EQ(seen.back(), K::fnDown());
}

TEST_F(KeyTapTest, SwallowableKeysAreEveryOwnersUnionPlusHeldSwallowedKeys) {
    tap.stop();
    tap.setSwallowable("voice", {53, 49});
    tap.setSwallowable("suggest", {53, 48});
    source->swallowableKeys.clear(); // a source may forget while stopped
    ASSERT_TRUE(tap.start());
    EXPECT_EQ(source->swallowableKeys, (std::set<int>{48, 49, 53}));
    swallow = [](const KeyInput& i) { return i.code == 53; };
    source->send(down, 53);
    source->send(down, 49); // passed: not kept
    tap.setSwallowable("voice", {});
    tap.setSwallowable("suggest", {});
    EXPECT_EQ(source->swallowableKeys, std::set<int>{53}); // until its key-up
    source->send(up, 53);
    EXPECT_TRUE(source->swallowableKeys.empty());
}

} // namespace
} // namespace mivora
