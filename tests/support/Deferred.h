#pragma once

#include <coroutine>
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

} // namespace mivora::test
