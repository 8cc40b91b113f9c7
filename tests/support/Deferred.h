#pragma once

#include <coroutine>
#include <deque>
#include <memory>
#include <optional>
#include <utility>

namespace mivora::test {

// A value a fake's coroutine awaits until the test provides it. Copies share one state, because GCC 12
// copies an awaiter that await_transform hands back by reference; and it must be awaited as a named
// object, because GCC 12 destroys a temporary awaited in place twice.
template <typename T> class Deferred {
public:
    void set(T value) const {
        state_->value = std::move(value);
        if (state_->waiter) std::exchange(state_->waiter, {}).resume();
    }
    bool await_ready() const noexcept { return state_->value.has_value(); }
    void await_suspend(std::coroutine_handle<> h) const noexcept { state_->waiter = h; }
    T await_resume() const { return std::move(*state_->value); }

private:
    struct State {
        std::optional<T> value;
        std::coroutine_handle<> waiter;
    };
    std::shared_ptr<State> state_ = std::make_shared<State>();
};

// Deferreds settled oldest first; `settle` is false when none waits.
template <typename T> class DeferredQueue {
public:
    Deferred<T> push() { return waiting_.emplace_back(); }
    bool settle(T value) {
        if (waiting_.empty()) return false;
        const Deferred<T> next = waiting_.front();
        waiting_.pop_front();
        next.set(std::move(value));
        return true;
    }

private:
    std::deque<Deferred<T>> waiting_;
};

} // namespace mivora::test
