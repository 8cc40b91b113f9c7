#pragma once

#include "Support/Scheduler.h"

#include <QObject>

#include <functional>
#include <optional>

namespace mivora {

class MemoryStore;

// What the shell asks of the sync engine. Unset hooks do nothing (no sync).
struct SyncHooks {
    std::function<void()> scheduleSoon; // a local change: a pass after the engine's debounce
    std::function<void()> sync;         // a pass now (the engine decides whether it may run)
    std::function<void()> reset;        // signed out: forget the engine's state
};

// When memories sync: after every local change of the store, every ten minutes, and whenever the user
// becomes signed in; signing out resets the engine. A new token for a user who stays signed in starts
// nothing.
class SyncTriggers final : public QObject {
    Q_OBJECT
public:
    static constexpr double interval = 600;

    SyncTriggers(Scheduler& scheduler, SyncHooks hooks, QObject* parent = nullptr);
    ~SyncTriggers() override;

    // Hooks up the store and the timer, then acts on the sign-in state as it is now; an unknown state is
    // acted on when its first value comes.
    void start(MemoryStore& memories, std::optional<bool> signedIn);
    // Each new value of the account's tokens, as signed in (tokens present) or not.
    void signedInChanged(bool signedIn);
    SyncHooks& hooks() { return hooks_; }

private:
    static void call(const std::function<void()>& hook) {
        if (hook) hook();
    }
    Scheduler& scheduler_;
    SyncHooks hooks_;
    Scheduler::TimerId timer_ = 0;
    std::optional<bool> signedIn_;
};

} // namespace mivora
