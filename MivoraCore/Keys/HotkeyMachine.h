#pragma once

#include "Keys/KeyInput.h"
#include "Platform/KeyCodes.h"

#include <bitset>
#include <cstddef>
#include <optional>
#include <vector>

namespace mivora {

// Why a take was called off. The names are written into log lines exactly as `name()` spells them.
enum class CancelReason { tooShort, combo, user };
const char* name(CancelReason reason);

// What the hotkey machine asks its owner to do.
struct HotkeyAction {
    enum class Kind { cancel, start, startRecall, switchToRecall, stop, enterHandsFree };

    Kind kind = Kind::start;
    CancelReason reason = CancelReason::tooShort; // only for cancel

    static constexpr HotkeyAction cancel(CancelReason r) { return {Kind::cancel, r}; }
    static constexpr HotkeyAction start() { return {Kind::start}; }
    static constexpr HotkeyAction startRecall() { return {Kind::startRecall}; }
    static constexpr HotkeyAction switchToRecall() { return {Kind::switchToRecall}; }
    static constexpr HotkeyAction stop() { return {Kind::stop}; }
    static constexpr HotkeyAction enterHandsFree() { return {Kind::enterHandsFree}; }

    constexpr bool operator==(const HotkeyAction& o) const {
        return kind == o.kind && (kind != Kind::cancel || reason == o.reason);
    }
};

// Turns the stream of key events into recording commands: hold Fn to dictate, Fn with Shift to recall,
// Fn+Space for hands-free, Esc to cancel, any other key while Fn is held aborts (a key combination).
// A plain value with no timers or platform objects; its owner feeds it inputs with uptime stamps and
// executes the answers. `handle` runs for every key event of the desktop, so it never allocates for
// the keys it actually swallows.
class HotkeyMachine {
public:
    struct State {
        enum class Kind { holding, handsFree, idle, waitingFnUp };

        Kind kind = Kind::idle;
        double since = 0;         // holding: uptime of the Fn press
        bool fnStillDown = false; // handsFree: the Fn key of the Fn+Space gesture is still held

        static constexpr State holding(double since) { return {Kind::holding, since, false}; }
        static constexpr State handsFree(bool fnStillDown) { return {Kind::handsFree, 0, fnStillDown}; }
        static constexpr State idle() { return {Kind::idle, 0, false}; }
        static constexpr State waitingFnUp() { return {Kind::waitingFnUp, 0, false}; }

        constexpr bool operator==(const State& o) const {
            if (kind != o.kind) return false;
            if (kind == Kind::holding) return since == o.since;
            if (kind == Kind::handsFree) return fnStillDown == o.fnStillDown;
            return true;
        }
    };

    // Key codes whose repeats and key-up are swallowed because their key-down was. Codes 0...255 live
    // in a bitset; anything else goes to a side list, which is the only thing that can allocate.
    class KeySet {
    public:
        bool contains(int code) const;
        void insert(int code);
        // Removes the code; true when it was there.
        bool remove(int code);
        bool empty() const { return bits_.none() && others_.empty(); }
        std::size_t size() const { return bits_.count() + others_.size(); }

    private:
        static constexpr int direct = 256;
        std::bitset<direct> bits_;
        std::vector<int> others_;
    };

    struct Result {
        std::optional<HotkeyAction> action;
        bool swallow = false;
        bool operator==(const Result&) const = default;
    };

    HotkeyMachine() = default;

    // Applies one input. The only operation that changes the swallowed keys and the Shift state.
    Result handle(const KeyInput& input, double time);

    // Forces `waitingFnUp` (Fn still down) or `idle`, so the Fn release after a take the owner ended or
    // refused on its own produces nothing.
    void reset(bool fnDown);

    bool isActive() const {
        return state_.kind == State::Kind::holding || state_.kind == State::Kind::handsFree;
    }
    const State& state() const { return state_; }
    bool shiftDown() const { return shiftDown_; }
    const KeySet& swallowing() const { return swallowing_; }

    // Shortest Fn hold, in seconds, that counts as a take; a shorter one is cancelled as too short.
    double minHold() const { return minHold_; }
    void setMinHold(double seconds) { minHold_ = seconds; }

private:
    Result swallowKey(int code, std::optional<HotkeyAction> action);

    double minHold_ = 0.3;
    State state_;
    KeySet swallowing_;
    bool shiftDown_ = false;
};

} // namespace mivora
