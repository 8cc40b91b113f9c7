// HotkeyMachine::handle per event over a desktop-like stream of key, modifier and mouse events, with the
// heap allocations made inside the timed loop counted through a replaced global operator new.

#include "Keys/HotkeyMachine.h"

#include <benchmark/benchmark.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <vector>

namespace {
std::atomic<long long> allocations{0};
}

void* operator new(std::size_t size) {
    allocations.fetch_add(1, std::memory_order_relaxed);
    if (void* p = std::malloc(size ? size : 1)) return p;
    throw std::bad_alloc();
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    allocations.fetch_add(1, std::memory_order_relaxed);
    return std::malloc(size ? size : 1);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}

using namespace mivora;

namespace {

struct Event {
    KeyInput input;
    double time;
};

class Stream {
public:
    void key(int code, int repeats = 0) {
        add(KeyInput::keyDown(code), 0.08);
        for (int i = 0; i < repeats; ++i)
            add(KeyInput::keyDown(code, true), 0.03);
        add(KeyInput::keyUp(code), 0.05);
    }
    void add(KeyInput input, double gap) {
        t_ += gap;
        events.push_back({input, t_});
    }
    std::vector<Event> events;

private:
    double t_ = 1000;
};

// Mostly typing, with the program's gestures mixed in: dictation takes, a recall, hands-free recording,
// cancels with Esc, a too-short tap, a key combination, Shift and mouse clicks. Ends idle with nothing
// swallowed, so it can be replayed.
std::vector<Event> desktopMix() {
    Stream s;
    const int letters[] = {0,  11, 8,  2,  14, 3,  5, 4,  34, 38, 40, 37,
                           46, 45, 31, 35, 12, 15, 1, 17, 32, 9,  13, 7};
    for (int round = 0; round < 40; ++round) {
        for (int i = 0; i < 24; ++i)
            s.key(letters[(i + round) % 24], i % 11 == 0 ? 3 : 0);
        s.key(KeyCode::space);
        s.add(KeyInput::shift(true), 0.1);
        s.key(0);
        s.add(KeyInput::shift(false), 0.05);
        s.add(KeyInput::mouseDown(), 0.4);
        switch (round % 6) {
        case 0: // dictation
            s.add(KeyInput::fnDown(), 0.5);
            s.add(KeyInput::fnUp(), 2.0);
            break;
        case 1: // recall, Shift during the hold
            s.add(KeyInput::fnDown(), 0.5);
            s.add(KeyInput::shift(true), 0.2);
            s.add(KeyInput::shift(false), 0.5);
            s.add(KeyInput::fnUp(), 1.0);
            break;
        case 2: // hands-free, some typing, stopped by a second press
            s.add(KeyInput::fnDown(), 0.5);
            s.key(KeyCode::space, 2);
            s.add(KeyInput::fnUp(), 0.2);
            s.key(4);
            s.add(KeyInput::fnDown(), 3.0);
            s.add(KeyInput::fnUp(), 0.2);
            break;
        case 3: // cancelled with Esc
            s.add(KeyInput::fnDown(), 0.5);
            s.key(KeyCode::escape, 1);
            s.add(KeyInput::fnUp(), 0.3);
            break;
        case 4: // too short
            s.add(KeyInput::fnDown(), 0.5);
            s.add(KeyInput::fnUp(), 0.1);
            break;
        case 5: // a key combination, then Space while Fn is still down
            s.add(KeyInput::fnDown(), 0.5);
            s.key(8);
            s.key(KeyCode::space);
            s.add(KeyInput::fnUp(), 0.2);
            break;
        }
    }
    return s.events;
}

void run(benchmark::State& state, const std::vector<Event>& events) {
    HotkeyMachine machine;
    size_t i = 0;
    const long long before = allocations.load();
    for (auto _ : state) {
        const Event& e = events[i];
        auto result = machine.handle(e.input, e.time);
        benchmark::DoNotOptimize(result);
        if (++i == events.size()) i = 0;
    }
    const long long made = allocations.load() - before;
    state.SetItemsProcessed(state.iterations());
    state.counters["allocs_per_event"] = benchmark::Counter(double(made) / double(state.iterations()));
    state.counters["allocs_total"] = benchmark::Counter(double(made));
    if (!machine.swallowing().empty() || machine.isActive()) state.SkipWithError("stream did not end idle");
}

void BM_HandleDesktopMix(benchmark::State& state) {
    static const std::vector<Event> events = desktopMix();
    run(state, events);
}
BENCHMARK(BM_HandleDesktopMix);

void BM_HandleTypingOnly(benchmark::State& state) {
    static const std::vector<Event> events = [] {
        Stream s;
        for (int i = 0; i < 1000; ++i)
            s.key(i % 50, i % 13 == 0 ? 2 : 0);
        return s.events;
    }();
    run(state, events);
}
BENCHMARK(BM_HandleTypingOnly);

} // namespace

BENCHMARK_MAIN();
