#pragma once

#include "Support/Scheduler.h"

#include <QCoro/QCoroTask>
#include <QEventLoop>

#include <exception>
#include <memory>
#include <optional>

namespace mivora::test {

// Runs a coroutine from a test and keeps its outcome: the value, or the exception it ended with. The event
// loop runs while `wait` waits, so loopback servers and network replies make progress.
template <typename T> class TaskProbe {
public:
    explicit TaskProbe(QCoro::Task<T> task) : state_(std::make_shared<State>()) {
        run(std::move(task), state_);
    }

    bool done() const { return state_->done; }
    // Runs the event loop until the task has ended (true) or `ms` have passed (false).
    bool wait(int ms = 15000) const {
        if (state_->done) return true;
        QEventLoop loop;
        state_->loop = &loop;
        const auto timer = Scheduler::main().after(ms / 1000.0, [&loop] { loop.quit(); });
        loop.exec();
        Scheduler::main().cancel(timer);
        state_->loop = nullptr;
        return state_->done;
    }
    const std::optional<T>& value() const { return state_->value; }
    std::exception_ptr error() const { return state_->error; }
    // The value; rethrows the task's exception.
    T get() const {
        if (state_->error) std::rethrow_exception(state_->error);
        return *state_->value;
    }
    // The exception as E (null when the task succeeded or threw something else).
    template <typename E> std::optional<E> errorAs() const {
        if (!state_->error) return std::nullopt;
        try {
            std::rethrow_exception(state_->error);
        } catch (const E& e) {
            return e;
        } catch (...) {
        }
        return std::nullopt;
    }

private:
    struct State {
        std::optional<T> value;
        std::exception_ptr error;
        bool done = false;
        QEventLoop* loop = nullptr; // the loop `wait` runs, quit when the task ends
    };
    static QCoro::Task<> run(QCoro::Task<T> task, std::shared_ptr<State> state) {
        try {
            state->value.emplace(co_await task);
        } catch (...) {
            state->error = std::current_exception();
        }
        state->done = true;
        if (state->loop) state->loop->quit();
    }
    std::shared_ptr<State> state_;
};

} // namespace mivora::test
