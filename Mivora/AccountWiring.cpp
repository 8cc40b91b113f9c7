#include "AccountWiring.h"

#include "AppDelegate.h"
#include "Cloud/Deadline.h"
#include "Platform/Platform.h"
#include "Platform/PlatformWords.h"
#include "Support/Scheduler.h"
#include "Support/UserError.h"

#include <coroutine>
#include <memory>
#include <utility>

namespace mivora {

namespace {

// How long a relay request waits for its token, from reading the stored sign-in to saving a refreshed one:
// enough for a slow store, and a store waiting on an unlock nobody answers (a desktop that logged in by
// itself) does not hold the take for longer.
constexpr double tokenWaitSeconds = 5;

UserError keyringSilent() {
    return UserError(QStringLiteral("系统的") + PlatformWords::keyring() +
                     QStringLiteral("没有应答，读不到登录信息（它可能在等你解锁）"));
}

// Resumes its coroutine at the first of the stored sign-in being read and `seconds` passing. Await it as a
// named object; copies share one state, because GCC 12 copies an awaiter on its way to the coroutine. A
// coroutine destroyed while waiting takes its timer and its connection with it.
class RestoredOrLate {
public:
    RestoredOrLate(AccountWiring& wiring, Scheduler& scheduler, double seconds)
        : state_(std::make_shared<State>(wiring, scheduler, seconds)) {}
    bool await_ready() const noexcept { return false; }
    void await_suspend(std::coroutine_handle<> h) const {
        State* state = state_.get(); // the timer and the connection die with the state
        state->waiter = h;
        state->timer = state->scheduler.after(state->seconds, [state] {
            state->timer = 0;
            state->wake();
        });
        state->restored = QObject::connect(&state->wiring, &AccountWiring::restoreFinished, &state->wiring,
                                           [state] { state->wake(); });
    }
    void await_resume() const noexcept {}

private:
    struct State {
        State(AccountWiring& w, Scheduler& s, double secs) : wiring(w), scheduler(s), seconds(secs) {}
        ~State() { stop(); }
        void stop() {
            if (timer != 0) scheduler.cancel(std::exchange(timer, 0));
            QObject::disconnect(restored);
        }
        void wake() {
            stop();
            if (const auto h = std::exchange(waiter, {})) h.resume();
        }
        AccountWiring& wiring;
        Scheduler& scheduler;
        double seconds;
        Scheduler::TimerId timer = 0;
        QMetaObject::Connection restored;
        std::coroutine_handle<> waiter;
    };
    std::shared_ptr<State> state_;
};

// A plain function with the pointer as its argument: the recogniser may drop the callback while the
// token is on its way.
QCoro::Task<std::optional<QString>> tokenOnceRestored(QPointer<AccountWiring> wiring, Scheduler* scheduler) {
    if (wiring && !wiring->restored()) {
        const RestoredOrLate read(*wiring, *scheduler, tokenWaitSeconds);
        co_await read;
        // The take fails rather than wait on: its recording stays there for a retry, which asks again.
        if (wiring && !wiring->restored()) throw keyringSilent();
        // The take began before anyone knew whether an account was stored; without one it would reach the
        // relay without an account. It fails instead, and its recording stays there for a retry.
        if (wiring && AccountService::loginRequired() && !wiring->account().signedIn())
            throw UserError(QStringLiteral("先登录 Veskel 才能用口述和「问」"));
    }
    if (!wiring) co_return std::nullopt;
    co_return co_await wiring->account().validAccessToken();
}

// The keyring's part of the wait is bounded, the save of a refreshed pair included: the new pair is saved
// to the same store before it is handed out, and that save can hang on the same unlock. Past the bound the
// take fails and keeps its recording; the refresh goes on by itself, and a retry joins it. A refresh still
// waiting for the server is the network's business: the take waits on it (joining it again), bounded by the
// recogniser's deadline, which then fails it as a time-out rather than blaming the keyring.
QCoro::Task<std::optional<QString>> boundedToken(QPointer<AccountWiring> wiring, Scheduler* scheduler) {
    QCoro::Task<std::optional<QString>> wait = tokenOnceRestored(wiring, scheduler);
    for (;;) {
        try {
            co_return co_await withinDeadline<std::optional<QString>>(*scheduler, tokenWaitSeconds,
                                                                      std::move(wait));
        } catch (const DeadlineExceeded&) {
        }
        if (!wiring || !wiring->restored() || !wiring->account().refreshAwaitsServer()) throw keyringSilent();
        wait = wiring->account().validAccessToken(); // joins the refresh that is running
    }
}

} // namespace

AccountWiring::AccountWiring(AppDelegate& delegate, Platform& platform, HttpClient& network,
                             Defaults& defaults, Clock& clock, Scheduler& scheduler, QObject* parent)
    : QObject(parent), delegate_(&delegate), store_(platform.secrets()),
      account_(AccountService::defaultBase(), store_, network, defaults, clock) {
    QPointer<AccountWiring> self(this);
    delegate.hooks.accountService = &account_;
    delegate.hooks.accountToken = [self, timers = &scheduler] { return boundedToken(self, timers); };
    delegate.hooks.signedIn = [self]() -> std::optional<bool> {
        if (!self || !self->restored_) return std::nullopt;
        return self->account_.signedIn();
    };
    // Until the stored tokens are read nobody counts as signed in: a take then would reach the relay
    // without an account.
    delegate.hooks.needsSignIn = [self] {
        return self && AccountService::loginRequired() && !(self->restored_ && self->account_.signedIn());
    };
}

void AccountWiring::start() {
    restoreThenFollow();
}

QCoro::Task<> AccountWiring::restoreThenFollow() {
    co_await account_.restore();
    restored_ = true;
    const auto tell = [this] {
        if (delegate_) delegate_->signedInChanged(account_.signedIn());
    };
    connect(&account_, &AccountService::tokensChanged, this, tell);
    tell();
    emit restoreFinished();
}

} // namespace mivora
