#pragma once

#include <coroutine>
#include <deque>
#include <memory>
#include <optional>
#include <utility>

namespace mivora::test {

// Answers that fakes' coroutines await until the test settles them, oldest first.
template <typename T> class Deferred {
    struct State {
        std::optional<T> value;
        std::coroutine_handle<> waiter;
    };

public:
    // Copies share one state, because GCC 12 copies an awaiter that await_transform hands back by
    // reference; await it as a named object, because GCC 12 destroys a temporary awaited in place twice.
    struct Awaiter {
        std::shared_ptr<State> state = std::make_shared<State>();
        bool await_ready() const noexcept { return state->value.has_value(); }
        void await_suspend(std::coroutine_handle<> h) const noexcept { state->waiter = h; }
        T await_resume() const { return std::move(*state->value); }
    };

    Awaiter next() { return waiting_.emplace_back(); }
    // Gives the oldest waiting awaiter its value; false when none waits.
    bool settle(T value) {
        if (waiting_.empty()) return false;
        const std::shared_ptr<State> state = waiting_.front().state;
        waiting_.pop_front();
        state->value = std::move(value);
        if (state->waiter) std::exchange(state->waiter, {}).resume();
        return true;
    }
    void settleAll(const T& value) {
        while (settle(value)) {
        }
    }

private:
    std::deque<Awaiter> waiting_;
};

} // namespace mivora::test
