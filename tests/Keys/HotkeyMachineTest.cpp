#include "Keys/HotkeyMachine.h"

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <tuple>
#include <vector>

using namespace mivora;
using State = HotkeyMachine::State;
using Result = HotkeyMachine::Result;
using A = HotkeyAction;
using K = KeyInput;

namespace {

constexpr int esc = KeyCode::escape, space = KeyCode::space, keyA = KeyCode::a;
const Result swallowed{std::nullopt, true};

// Each state, with what brings a fresh machine there at uptime 10.
const std::vector<std::tuple<std::string, State, std::vector<K>>> states = {
    {"idle", State::idle(), {}},
    {"holding", State::holding(10), {K::fnDown()}},
    {"freeHeld", State::handsFree(true), {K::fnDown(), K::keyDown(space), K::keyUp(space)}},
    {"freeUp", State::handsFree(false), {K::fnDown(), K::keyDown(space), K::keyUp(space), K::fnUp()}},
    {"waiting", State::waitingFnUp(), {K::fnDown(), K::keyDown(keyA), K::keyUp(keyA)}},
};
const std::vector<std::pair<std::string, K>> inputs = {
    {"Esc", K::keyDown(esc)},      {"Space", K::keyDown(space)},
    {"A", K::keyDown(keyA)},       {"A repeat", K::keyDown(keyA, true)},
    {"Space up", K::keyUp(space)}, {"mouse", K::mouseDown()},
    {"Shift", K::shift(true)},     {"Shift up", K::shift(false)},
    {"fnDown", K::fnDown()},       {"fnUp", K::fnUp()},
};
// Everything that does something; every other pair keeps the state and passes the input.
const std::map<std::pair<std::string, std::string>, std::pair<State, Result>> transitions = {
    {{"idle", "fnDown"}, {State::holding(11), {A::start()}}},
    {{"holding", "Esc"}, {State::waitingFnUp(), {A::cancel(CancelReason::user), true}}},
    {{"holding", "Space"}, {State::handsFree(true), {A::enterHandsFree(), true}}},
    {{"holding", "A"}, {State::waitingFnUp(), {A::cancel(CancelReason::combo)}}},
    {{"holding", "Shift"}, {State::holding(10), {A::switchToRecall()}}},
    {{"holding", "fnUp"}, {State::idle(), {A::stop()}}},
    {{"freeHeld", "Esc"}, {State::waitingFnUp(), {A::cancel(CancelReason::user), true}}},
    {{"freeHeld", "fnUp"}, {State::handsFree(false), {}}},
    {{"freeUp", "Esc"}, {State::idle(), {A::cancel(CancelReason::user), true}}},
    {{"freeUp", "fnDown"}, {State::waitingFnUp(), {A::stop()}}},
    {{"waiting", "Space"}, {State::waitingFnUp(), swallowed}},
    {{"waiting", "fnUp"}, {State::idle(), {}}},
};

} // namespace

TEST(HotkeyMachine, WalksTheWholeTransitionTable) {
    for (const auto& [from, state, path] : states) {
        for (const auto& [name, input] : inputs) {
            SCOPED_TRACE(from + " + " + name);
            HotkeyMachine m;
            for (const K& i : path)
                m.handle(i, 10);
            ASSERT_EQ(m.state(), state);
            const auto row = transitions.find({from, name});
            const auto [to, answer] = row != transitions.end() ? row->second : std::pair(state, Result{});
            EXPECT_EQ(m.handle(input, 11), answer);
            EXPECT_EQ(m.state(), to);
            EXPECT_EQ(m.swallowing().size(), answer.swallow ? 1u : 0u);
            if (!answer.swallow) continue;
            // A swallowed key's repeats go too, and its key-up exactly once, even after the take.
            m.handle(K::fnUp(), 12);
            EXPECT_EQ(m.handle(K::keyDown(input.code, true), 12), swallowed);
            EXPECT_EQ(m.handle(K::keyUp(input.code), 12), swallowed);
            EXPECT_EQ(m.handle(K::keyUp(input.code), 12), Result{});
        }
    }
}

TEST(HotkeyMachine, ShortHoldsAreCancelledAndAResetSilencesTheFnRelease) {
    HotkeyMachine m;
    m.handle(K::fnDown(), 10);
    EXPECT_EQ(m.handle(K::fnUp(), 10.29), Result{A::cancel(CancelReason::tooShort)});
    m.handle(K::fnDown(), 12);
    m.reset(true); // the owner ended the take while Fn is down
    EXPECT_EQ(m.handle(K::fnUp(), 13), Result{});
    EXPECT_EQ(m.state(), State::idle());
}
