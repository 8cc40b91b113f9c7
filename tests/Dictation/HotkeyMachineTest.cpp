#include "Dictation/HotkeyMachine.h"

#include <gtest/gtest.h>

#include <ostream>
#include <string>
#include <vector>

namespace mivora {

void PrintTo(const HotkeyAction& a, std::ostream* os) {
    static const char* names[] = {"cancel",         "start", "startRecall",
                                  "switchToRecall", "stop",  "enterHandsFree"};
    *os << names[int(a.kind)];
    if (a.kind == HotkeyAction::Kind::cancel) *os << "(" << name(a.reason) << ")";
}

void PrintTo(const HotkeyMachine::State& s, std::ostream* os) {
    switch (s.kind) {
    case HotkeyMachine::State::Kind::holding:
        *os << "holding(" << s.since << ")";
        break;
    case HotkeyMachine::State::Kind::handsFree:
        *os << "handsFree(" << (s.fnStillDown ? "fnStillDown" : "fnReleased") << ")";
        break;
    case HotkeyMachine::State::Kind::idle:
        *os << "idle";
        break;
    case HotkeyMachine::State::Kind::waitingFnUp:
        *os << "waitingFnUp";
        break;
    }
}

void PrintTo(const HotkeyMachine::Result& r, std::ostream* os) {
    if (r.action)
        PrintTo(*r.action, os);
    else
        *os << "none";
    *os << (r.swallow ? " swallow" : " pass");
}

} // namespace mivora

using namespace mivora;
using State = HotkeyMachine::State;
using Result = HotkeyMachine::Result;

namespace {

constexpr int keyA = 0;
constexpr int esc = HotkeyMachine::escape;
constexpr int space = HotkeyMachine::space;
constexpr double fnAt = 10.0;

// A machine brought into `state` by real inputs, with nothing left in its swallowed set.
HotkeyMachine machineIn(const State& state) {
    HotkeyMachine m;
    switch (state.kind) {
    case State::Kind::idle:
        break;
    case State::Kind::holding:
        m.handle(KeyInput::fnDown(), fnAt);
        break;
    case State::Kind::handsFree:
        m.handle(KeyInput::fnDown(), fnAt);
        m.handle(KeyInput::keyDown(space), fnAt + 0.1);
        m.handle(KeyInput::keyUp(space), fnAt + 0.2);
        if (!state.fnStillDown) m.handle(KeyInput::fnUp(), fnAt + 0.3);
        break;
    case State::Kind::waitingFnUp:
        m.handle(KeyInput::fnDown(), fnAt);
        m.handle(KeyInput::keyDown(keyA), fnAt + 0.1);
        m.handle(KeyInput::keyUp(keyA), fnAt + 0.2);
        break;
    }
    EXPECT_EQ(m.state(), state);
    EXPECT_TRUE(m.swallowing().empty());
    return m;
}

Result none(bool swallow = false) {
    return {std::nullopt, swallow};
}
Result act(HotkeyAction a, bool swallow = false) {
    return {a, swallow};
}

struct Row {
    const char* label;
    State from;
    KeyInput input;
    State to;
    Result answer;
    int added; // key code that must now be swallowed, or -1
};

const State holding = State::holding(fnAt);
const State handsFreeHeld = State::handsFree(true);
const State handsFreeReleased = State::handsFree(false);
const State idle = State::idle();
const State waiting = State::waitingFnUp();

// Every state against every state-dependent input; the input time is fnAt + 1 (a long enough hold).
const std::vector<Row> table = {
    {"idle fnDown", idle, KeyInput::fnDown(), State::holding(fnAt + 1), act(HotkeyAction::start()), -1},
    {"idle Esc", idle, KeyInput::keyDown(esc), idle, none(), -1},
    {"idle Space", idle, KeyInput::keyDown(space), idle, none(), -1},
    {"idle A", idle, KeyInput::keyDown(keyA), idle, none(), -1},
    {"idle fnUp", idle, KeyInput::fnUp(), idle, none(), -1},
    {"idle mouse", idle, KeyInput::mouseDown(), idle, none(), -1},

    {"holding Esc", holding, KeyInput::keyDown(esc), waiting,
     act(HotkeyAction::cancel(CancelReason::user), true), esc},
    {"holding Space", holding, KeyInput::keyDown(space), handsFreeHeld,
     act(HotkeyAction::enterHandsFree(), true), space},
    {"holding A", holding, KeyInput::keyDown(keyA), waiting, act(HotkeyAction::cancel(CancelReason::combo)),
     -1},
    {"holding fnUp", holding, KeyInput::fnUp(), idle, act(HotkeyAction::stop()), -1},
    {"holding fnDown", holding, KeyInput::fnDown(), holding, none(), -1},
    {"holding mouse", holding, KeyInput::mouseDown(), holding, none(), -1},

    {"handsFree(held) Esc", handsFreeHeld, KeyInput::keyDown(esc), waiting,
     act(HotkeyAction::cancel(CancelReason::user), true), esc},
    {"handsFree(held) Space", handsFreeHeld, KeyInput::keyDown(space), handsFreeHeld, none(), -1},
    {"handsFree(held) A", handsFreeHeld, KeyInput::keyDown(keyA), handsFreeHeld, none(), -1},
    {"handsFree(held) fnUp", handsFreeHeld, KeyInput::fnUp(), handsFreeReleased, none(), -1},
    {"handsFree(held) fnDown", handsFreeHeld, KeyInput::fnDown(), handsFreeHeld, none(), -1},
    {"handsFree(held) mouse", handsFreeHeld, KeyInput::mouseDown(), handsFreeHeld, none(), -1},

    {"handsFree(released) Esc", handsFreeReleased, KeyInput::keyDown(esc), idle,
     act(HotkeyAction::cancel(CancelReason::user), true), esc},
    {"handsFree(released) Space", handsFreeReleased, KeyInput::keyDown(space), handsFreeReleased, none(), -1},
    {"handsFree(released) A", handsFreeReleased, KeyInput::keyDown(keyA), handsFreeReleased, none(), -1},
    {"handsFree(released) fnUp", handsFreeReleased, KeyInput::fnUp(), handsFreeReleased, none(), -1},
    {"handsFree(released) fnDown", handsFreeReleased, KeyInput::fnDown(), waiting, act(HotkeyAction::stop()),
     -1},
    {"handsFree(released) mouse", handsFreeReleased, KeyInput::mouseDown(), handsFreeReleased, none(), -1},

    {"waitingFnUp Esc", waiting, KeyInput::keyDown(esc), waiting, none(), -1},
    {"waitingFnUp Space", waiting, KeyInput::keyDown(space), waiting, none(true), space},
    {"waitingFnUp A", waiting, KeyInput::keyDown(keyA), waiting, none(), -1},
    {"waitingFnUp fnUp", waiting, KeyInput::fnUp(), idle, none(), -1},
    {"waitingFnUp fnDown", waiting, KeyInput::fnDown(), waiting, none(), -1},
    {"waitingFnUp mouse", waiting, KeyInput::mouseDown(), waiting, none(), -1},
};

const std::vector<State> allStates = {idle, holding, handsFreeHeld, handsFreeReleased, waiting};

} // namespace

TEST(HotkeyMachine, WalksTheWholeTransitionTable) {
    for (const Row& row : table) {
        SCOPED_TRACE(row.label);
        HotkeyMachine m = machineIn(row.from);
        EXPECT_EQ(m.handle(row.input, fnAt + 1), row.answer);
        EXPECT_EQ(m.state(), row.to);
        EXPECT_EQ(m.isActive(), row.to.kind == State::Kind::holding || row.to.kind == State::Kind::handsFree);
        if (row.added < 0) {
            EXPECT_TRUE(m.swallowing().empty());
            continue;
        }
        // The swallowed key's repeats go too, and its key-up exactly once.
        EXPECT_EQ(m.swallowing().size(), 1u);
        const State after = m.state();
        EXPECT_EQ(m.handle(KeyInput::keyDown(row.added, true), fnAt + 1.1), none(true));
        EXPECT_EQ(m.handle(KeyInput::keyUp(row.added), fnAt + 1.2), none(true));
        EXPECT_EQ(m.handle(KeyInput::keyUp(row.added), fnAt + 1.3), none(false));
        EXPECT_EQ(m.handle(KeyInput::keyDown(row.added, true), fnAt + 1.4), none(false));
        EXPECT_EQ(m.state(), after);
        EXPECT_TRUE(m.swallowing().empty());
    }
}

TEST(HotkeyMachine, RepeatsKeyUpsAndShiftNeverChangeTheState) {
    for (const State& s : allStates) {
        SCOPED_TRACE(testing::PrintToString(s));
        HotkeyMachine m = machineIn(s);
        // A repeat of a key whose first press was never seen: passes, even while holding.
        EXPECT_EQ(m.handle(KeyInput::keyDown(keyA, true), fnAt + 1), none());
        EXPECT_EQ(m.handle(KeyInput::keyDown(esc, true), fnAt + 1), none());
        EXPECT_EQ(m.handle(KeyInput::keyUp(keyA), fnAt + 1), none());
        EXPECT_EQ(m.handle(KeyInput::keyUp(space), fnAt + 1), none());
        const Result shiftDown = m.handle(KeyInput::shift(true), fnAt + 1);
        EXPECT_TRUE(m.shiftDown());
        if (s.kind == State::Kind::holding)
            EXPECT_EQ(shiftDown, act(HotkeyAction::switchToRecall()));
        else
            EXPECT_EQ(shiftDown, none());
        // Releasing Shift never switches back and is never swallowed.
        EXPECT_EQ(m.handle(KeyInput::shift(false), fnAt + 1), none());
        EXPECT_FALSE(m.shiftDown());
        EXPECT_EQ(m.state(), s);
    }
}

TEST(HotkeyMachine, HoldShorterThanTheMinimumIsCancelled) {
    struct Case {
        double up;
        HotkeyAction action;
    };
    for (const Case& c :
         {Case{10.29, HotkeyAction::cancel(CancelReason::tooShort)}, Case{10.3, HotkeyAction::stop()},
          Case{10.0, HotkeyAction::cancel(CancelReason::tooShort)}, Case{12.0, HotkeyAction::stop()}}) {
        SCOPED_TRACE(c.up);
        HotkeyMachine m;
        EXPECT_EQ(m.handle(KeyInput::fnDown(), 10.0), act(HotkeyAction::start()));
        EXPECT_EQ(m.handle(KeyInput::fnUp(), c.up), act(c.action));
        EXPECT_EQ(m.state(), idle);
    }

    HotkeyMachine slow;
    slow.setMinHold(0.5);
    EXPECT_EQ(slow.minHold(), 0.5);
    slow.handle(KeyInput::fnDown(), 10.0);
    EXPECT_EQ(slow.handle(KeyInput::fnUp(), 10.4), act(HotkeyAction::cancel(CancelReason::tooShort)));
    // A hold of exactly the minimum (exact in binary) counts as a take.
    slow.handle(KeyInput::fnDown(), 1.0);
    EXPECT_EQ(slow.handle(KeyInput::fnUp(), 1.5), act(HotkeyAction::stop()));
}

TEST(HotkeyMachine, ShiftHeldAtThePressSelectsRecall) {
    HotkeyMachine m;
    m.handle(KeyInput::shift(true), 1.0);
    EXPECT_EQ(m.handle(KeyInput::fnDown(), 2.0), act(HotkeyAction::startRecall()));
    EXPECT_EQ(m.handle(KeyInput::fnUp(), 3.0), act(HotkeyAction::stop()));
    m.handle(KeyInput::shift(false), 4.0);
    EXPECT_EQ(m.handle(KeyInput::fnDown(), 5.0), act(HotkeyAction::start()));
    // The reasons are written into log lines under exactly these names.
    EXPECT_STREQ(name(CancelReason::tooShort), "tooShort");
    EXPECT_STREQ(name(CancelReason::combo), "combo");
    EXPECT_STREQ(name(CancelReason::user), "user");
}

TEST(HotkeyMachine, SwallowedKeyUpArrivingAfterTheTakeIsStillSwallowed) {
    // Esc goes down during the hold, Fn comes up, then Esc comes up: the key-up belongs to a swallowed
    // press and must not reach the application alone.
    HotkeyMachine m;
    m.handle(KeyInput::fnDown(), 1.0);
    EXPECT_EQ(m.handle(KeyInput::keyDown(esc), 1.1), act(HotkeyAction::cancel(CancelReason::user), true));
    EXPECT_EQ(m.handle(KeyInput::fnUp(), 1.2), none());
    EXPECT_EQ(m.state(), idle);
    EXPECT_EQ(m.handle(KeyInput::fnDown(), 1.3), act(HotkeyAction::start()));
    EXPECT_EQ(m.handle(KeyInput::keyDown(esc, true), 1.4), none(true));
    EXPECT_EQ(m.state(), State::holding(1.3));
    EXPECT_EQ(m.handle(KeyInput::keyUp(esc), 1.5), none(true));
    EXPECT_TRUE(m.swallowing().empty());
}

TEST(HotkeyMachine, ResetForcesIdleOrWaitingAndKeepsTheRest) {
    for (const State& s : allStates) {
        for (bool fnDown : {false, true}) {
            SCOPED_TRACE(testing::PrintToString(s) + (fnDown ? " reset(fn down)" : " reset(fn up)"));
            HotkeyMachine m = machineIn(s);
            m.setMinHold(0.7);
            m.handle(KeyInput::shift(true), fnAt + 1);
            m.handle(KeyInput::shift(false), fnAt + 1);
            m.handle(KeyInput::shift(true), fnAt + 1);
            m.reset(fnDown);
            EXPECT_EQ(m.state(), fnDown ? waiting : idle);
            EXPECT_FALSE(m.isActive());
            EXPECT_TRUE(m.shiftDown());
            EXPECT_EQ(m.minHold(), 0.7);
        }
    }

    // The Fn release after a refused take produces nothing, and swallowed keys stay swallowed.
    HotkeyMachine m;
    m.handle(KeyInput::fnDown(), 1.0);
    m.handle(KeyInput::keyDown(space), 1.1);
    m.reset(true);
    EXPECT_EQ(m.handle(KeyInput::fnUp(), 2.0), none());
    EXPECT_EQ(m.state(), idle);
    EXPECT_EQ(m.handle(KeyInput::keyUp(space), 2.1), none(true));
}

TEST(HotkeyMachine, KeySetHandlesCodesOutsideTheDirectRange) {
    HotkeyMachine::KeySet set;
    for (int code : {0, 255, 256, 179, -1, 100000}) {
        SCOPED_TRACE(code);
        EXPECT_FALSE(set.contains(code));
        set.insert(code);
        set.insert(code);
        EXPECT_TRUE(set.contains(code));
    }
    EXPECT_EQ(set.size(), 6u);
    EXPECT_FALSE(set.contains(257));
    EXPECT_TRUE(set.remove(256));
    EXPECT_FALSE(set.remove(256));
    EXPECT_FALSE(set.contains(256));
    EXPECT_TRUE(set.contains(-1));
    for (int code : {0, 255, 179, -1, 100000})
        EXPECT_TRUE(set.remove(code));
    EXPECT_TRUE(set.empty());
}
