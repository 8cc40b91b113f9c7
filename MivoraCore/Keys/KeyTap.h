#pragma once

#include "Keys/KeyInput.h"
#include "Platform/KeySource.h"

#include <QCoro/QCoroTask>

#include <coroutine>
#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

namespace mivora {

class Clock;
class Scheduler;

// Watches the keyboard and mouse buttons of the whole desktop, turns each relevant event into a
// `KeyInput` with its uptime stamp, hands it to one handler on the main thread, and keeps the event
// from the focused application when the handler answers true. The program's own posted keys (the
// paste shortcut) pass untouched and never reach the handler.
//
// Swallowing has to be arranged before the key arrives: each controller announces, under its own
// name, the keys it would swallow in its current state (`setSwallowable`), and withdraws them as soon
// as that state ends. Only those keys wait for the handler's answer; all others reach applications at
// once, whatever the handler answers. A key whose key-down was swallowed stays swallowable until its
// key-up, and its repeats and key-up are swallowed whatever the handler answers to them.
class KeyTap {
public:
    // Receives every event as input and uptime seconds; true = swallow it.
    using Handler = std::function<bool(const KeyInput&, double)>;

    // The mark of the program's own posted events; such events are never looked at.
    static constexpr std::int64_t syntheticMark = KeyEvent::ownEventMark;
    KeyTap(std::unique_ptr<KeySource> source, Clock& clock);
    ~KeyTap();
    KeyTap(const KeyTap&) = delete;
    KeyTap& operator=(const KeyTap&) = delete;

    // Installed by the shell before `start`.
    Handler handler = [](const KeyInput&, double) { return false; };

    // True when watching (also when it already was); false when the desktop refuses, and a later call
    // tries again.
    bool start();
    void stop();
    bool isRunning() const;
    // What happens when the desktop's input ends for good (see KeySource::onEnded).
    void onEnded(std::function<void()> ended) { source_->onEnded = std::move(ended); }
    // Number of Fn changes seen since creation.
    int fnEventsSeen() const { return fnEventsSeen_; }
    // Modifier flags of the most recent key-down seen (Shift 0x20000; Control, Option, Command
    // 0x1C0000 together).
    std::uint64_t lastKeyFlags() const { return lastKeyFlags_; }

    // The keys (virtual key codes) that `owner` would swallow in its current state; replaces what
    // `owner` announced before, and an empty set withdraws it. Call on every change of that state. False
    // when the source could not hold the keys in time (see KeySource::setSwallowable).
    bool setSwallowable(const std::string& owner, std::set<int> codes);
    // Everything swallowable right now: all owners' keys and the held keys whose key-down was swallowed.
    std::set<int> swallowable() const;

    // One event of the key source; true = swallow it.
    bool process(const KeyEvent& event);

    // Returns on the event loop once the key event being handled now has been answered and no key whose
    // key-down was swallowed is down any more. While such a key is down the key source may hold the whole
    // keyboard for it, which an application takes for a loss of focus (GTK does): work that a kept key sets
    // off and that reads the focus or waits on another program (an insertion) waits here first. The tap and
    // `scheduler` must outlive the wait.
    QCoro::Task<> keysSettled(Scheduler& scheduler);

private:
    // Resumes its coroutine once no swallowed key is down (the tap stopping counts as that).
    struct KeysUp {
        KeyTap& tap;
        bool await_ready() const noexcept { return tap.held_.empty(); }
        void await_suspend(std::coroutine_handle<> h) const { tap.waiting_.push_back(h); }
        void await_resume() const noexcept {}
    };

    bool updateSwallowable();
    void resumeWaiting();

    std::unique_ptr<KeySource> source_;
    Clock& clock_;
    int fnEventsSeen_ = 0;
    std::uint64_t lastKeyFlags_ = 0;
    bool fnDown_ = false;
    bool shiftDown_ = false;
    std::map<std::string, std::set<int>> owners_;
    std::set<int> held_;                           // keys whose key-down was swallowed, until their key-up
    std::vector<std::coroutine_handle<>> waiting_; // coroutines waiting for `held_` to empty
};

} // namespace mivora
