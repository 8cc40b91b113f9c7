#pragma once

#include "Cloud/RequestAbort.h"
#include "Support/Scheduler.h"

#include <QCoro/QCoroTask>

#include <coroutine>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <utility>

namespace mivora {

// The deadline of `withDeadline` came first. Callers turn it into their own failure.
class DeadlineExceeded : public std::exception {
public:
    const char* what() const noexcept override { return "deadline exceeded"; }
};

namespace detail {

template <typename T> struct Race {
    std::optional<T> value;
    std::exception_ptr error;
    bool timedOut = false;
    bool decided = false;
    bool operationEnded = false;
    std::coroutine_handle<> waiter;

    void wake() {
        if (auto h = std::exchange(waiter, {})) h.resume();
    }
    void decide() {
        if (decided) return;
        decided = true;
        wake();
    }

    // Suspends the racing coroutine until the next change of state.
    struct Change {
        Race& race;
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> h) noexcept { race.waiter = h; }
        void await_resume() const noexcept {}
    };
};

template <typename T> QCoro::Task<> runRacer(std::shared_ptr<Race<T>> race, QCoro::Task<T> operation) {
    try {
        race->value.emplace(co_await operation);
    } catch (...) {
        race->error = std::current_exception();
    }
    race->operationEnded = true;
    race->decide();
    race->wake();
}

// Arms a timer of `seconds` unless the operation has decided the race already, and waits for the decision;
// returns the timer, still to be cancelled when the operation won (0: none was armed).
template <typename T>
QCoro::Task<Scheduler::TimerId> decided(Scheduler& scheduler, double seconds, std::shared_ptr<Race<T>> race) {
    Scheduler::TimerId timer = 0;
    if (!race->decided) {
        timer = scheduler.after(seconds, [race] {
            race->timedOut = true;
            race->decide();
        });
    }
    while (!race->decided)
        co_await typename Race<T>::Change{*race};
    co_return timer;
}

} // namespace detail

// Runs `operation` against a timer of `seconds` on `scheduler`. Whichever comes first decides: the
// operation's value or error, or DeadlineExceeded. The loser is stopped: the timer is cancelled,
// or the operation's request is aborted through the RequestAbort it was given, and this does not return
// before the aborted operation has ended.
template <typename T>
QCoro::Task<T> withDeadline(Scheduler& scheduler, double seconds,
                            std::function<QCoro::Task<T>(std::shared_ptr<RequestAbort>)> operation) {
    auto race = std::make_shared<detail::Race<T>>();
    auto abort = std::make_shared<RequestAbort>();
    detail::runRacer<T>(race, operation(abort)); // runs until its first wait; finishes on its own
    const Scheduler::TimerId timer = co_await detail::decided<T>(scheduler, seconds, race);
    if (race->timedOut) {
        abort->abort();
        while (!race->operationEnded)
            co_await typename detail::Race<T>::Change{*race};
        throw DeadlineExceeded();
    }
    scheduler.cancel(timer);
    if (race->error) std::rethrow_exception(race->error);
    co_return std::move(*race->value);
}

// Runs `operation` against a timer of `seconds` on `scheduler`, for an operation that cannot be stopped (a
// wait on another process that may never answer). Whichever comes first decides, as with `withDeadline`;
// when the timer does, this throws DeadlineExceeded at once and the operation is left to end on its own,
// its outcome dropped.
template <typename T>
QCoro::Task<T> withinDeadline(Scheduler& scheduler, double seconds, QCoro::Task<T> operation) {
    auto race = std::make_shared<detail::Race<T>>();
    detail::runRacer<T>(race, std::move(operation)); // runs until its first wait; finishes on its own
    const Scheduler::TimerId timer = co_await detail::decided<T>(scheduler, seconds, race);
    if (race->timedOut) {
        race->waiter = {}; // nobody waits for the operation any more
        throw DeadlineExceeded();
    }
    scheduler.cancel(timer);
    if (race->error) std::rethrow_exception(race->error);
    co_return std::move(*race->value);
}

} // namespace mivora
