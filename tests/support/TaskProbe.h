#pragma once

#include <QCoro/QCoroTask>
#include <QTest>

#include <exception>
#include <memory>
#include <optional>
#include <type_traits>
#include <variant>

namespace mivora::test {

// Runs a coroutine from a test and keeps its outcome: the value, or the exception it ended with. The event
// loop runs while `wait` waits, so loopback servers and network replies make progress.
template <typename T> struct TaskProbe {
    using Value = std::conditional_t<std::is_void_v<T>, std::monostate, T>;
    struct State {
        std::optional<Value> value;
        std::exception_ptr error;
        bool done = false;
    };
    std::shared_ptr<State> state = std::make_shared<State>();

    explicit TaskProbe(QCoro::Task<T> task) { run(std::move(task), state); }
    bool done() const { return state->done; }
    std::exception_ptr error() const { return state->error; }
    // What the task gave, or the exception it threw again; the task must be done.
    Value get() const {
        if (state->error) std::rethrow_exception(state->error);
        return *state->value;
    }

    // Runs the event loop until the task has ended (true) or `ms` have passed (false).
    bool wait(int ms = 15000) const {
        return QTest::qWaitFor([this] { return done(); }, ms);
    }

    // Waits, then gives the text, or "error: " and the message of what the task threw.
    QString outcome() const {
        if (!wait()) return QStringLiteral("still running");
        try {
            return get();
        } catch (const std::exception& e) {
            return QStringLiteral("error: ") + QString::fromUtf8(e.what());
        }
    }

    static QCoro::Task<> run(QCoro::Task<T> task, std::shared_ptr<State> state) {
        try {
            if constexpr (std::is_void_v<T>)
                co_await task, state->value.emplace();
            else
                state->value.emplace(co_await task);
        } catch (...) {
            state->error = std::current_exception();
        }
        state->done = true;
    }
};

} // namespace mivora::test
