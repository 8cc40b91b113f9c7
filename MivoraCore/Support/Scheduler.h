#pragma once

#include <QObject>
#include <QPointer>

#include <coroutine>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

namespace mivora {

// One-shot and repeating timers on the main loop. Every delayed action in the program goes through a
// Scheduler, so tests can drive 0.6 s or 600 s timers instantly with a fake.
class Scheduler {
public:
    using TimerId = std::uint64_t; // 0 is never a valid id

    virtual ~Scheduler() = default;

    // Runs `action` once, `seconds` from now.
    virtual TimerId after(double seconds, std::function<void()> action) = 0;
    // Runs `action` every `seconds` until cancelled.
    virtual TimerId every(double seconds, std::function<void()> action) = 0;
    // Cancels a pending timer; unknown or finished ids are ignored.
    virtual void cancel(TimerId id) = 0;

    // Awaitable pause for coroutines: `auto pause = scheduler.sleep(1.5); co_await pause;`. When the
    // awaiting coroutine is destroyed first, the timer is cancelled and nothing is resumed.
    class Sleep {
    public:
        Sleep(Scheduler& s, double seconds) : state_(std::make_shared<State>(s, seconds)) {}
        bool await_ready() const noexcept { return false; }
        void await_suspend(std::coroutine_handle<> h) const {
            State* state = state_.get(); // the timer dies with the state, so it never outlives it
            state->id = state->scheduler.after(state->seconds, [state, h] {
                state->id = 0;
                h.resume();
            });
        }
        void await_resume() const noexcept {}

    private:
        // Copies share one state, because GCC 12 copies an awaiter that QCoro's await_transform hands back
        // by reference; await it as a named object.
        struct State {
            State(Scheduler& s, double secs) : scheduler(s), seconds(secs) {}
            ~State() {
                if (id != 0) scheduler.cancel(id);
            }
            Scheduler& scheduler;
            double seconds;
            TimerId id = 0;
        };
        std::shared_ptr<State> state_;
    };
    Sleep sleep(double seconds) { return Sleep(*this, seconds); }
};

// Production scheduler backed by QTimer; lives on the thread it was created on.
class QtScheduler final : public QObject, public Scheduler {
    Q_OBJECT
public:
    explicit QtScheduler(QObject* parent = nullptr);
    ~QtScheduler() override;

    TimerId after(double seconds, std::function<void()> action) override;
    TimerId every(double seconds, std::function<void()> action) override;
    void cancel(TimerId id) override;

private:
    TimerId start(double seconds, bool repeat, std::function<void()> action);
    struct Entry;
    using Timers = std::unordered_map<TimerId, std::unique_ptr<Entry>>;
    void retire(Timers::iterator it);
    Timers timers_;
    std::vector<std::unique_ptr<Entry>> retired_; // cancelled, freed on the next loop pass
    TimerId next_ = 1;
};

} // namespace mivora
