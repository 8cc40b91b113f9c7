// The key path of every desktop key event: an X11 event as the server reports it, through the X11 key
// source and the key tap, to the answer of a hotkey handler. No server is involved (no round trips):
// the events are fed to the source's event steps directly.
#include "Keys/HotkeyMachine.h"
#include "Keys/KeyTap.h"
#include "Platform/Linux/OwnGrabs.h"
#include "Platform/Linux/OwnKeyEvents.h"
#include "Platform/Linux/X11KeySource.h"
#include "Support/Clock.h"
#include "Support/Defaults.h"

#include <benchmark/benchmark.h>

#include <QHash>

#include <memory>
#include <vector>

// Xlib's macros clash with other headers: include it last.
#include <X11/Xlib.h>
#include <X11/extensions/XInput2.h>
#include <X11/keysym.h>

namespace {

using namespace mivora;

class NoDefaults final : public Defaults {
public:
    QVariant value(const QString&) const override { return {}; }
    void setValue(const QString&, const QVariant&) override {}
    void remove(const QString&) override {}
};

// Part of a US keyboard as an evdev X server describes it.
X11KeyMap keyboard() {
    std::vector<X11KeyMap::Entry> entries;
    const std::pair<const char*, KeySym> keys[] = {
        {"ESC", XK_Escape},  {"AE01", XK_1},         {"TAB", XK_Tab},        {"AD01", XK_q},
        {"AC01", XK_a},      {"LFSH", XK_Shift_L},   {"AB04", XK_v},         {"SPCE", XK_space},
        {"RTRN", XK_Return}, {"LCTL", XK_Control_L}, {"RCTL", XK_Control_R}, {"RTSH", XK_Shift_R},
    };
    const int codes[] = {9, 10, 23, 24, 38, 50, 55, 65, 36, 37, 105, 62};
    for (std::size_t i = 0; i < std::size(codes); ++i)
        entries.push_back({codes[i], keys[i].first, {keys[i].second}});
    return X11KeyMap::build(entries, XK_Control_R);
}

// One event as it comes off the connection: an XInput2 raw event, or a key event through a grab.
struct WireEvent {
    bool raw;
    XIRawEvent rawEvent;
    XKeyEvent keyEvent;
};

WireEvent raw(int evtype, int detail, Time time) {
    WireEvent e{};
    e.raw = true;
    e.rawEvent.evtype = evtype;
    e.rawEvent.detail = detail;
    e.rawEvent.time = time;
    return e;
}

WireEvent core(int type, int keycode, Time time) {
    WireEvent e{};
    e.keyEvent.type = type;
    e.keyEvent.keycode = unsigned(keycode);
    e.keyEvent.time = time;
    return e;
}

// Typing, Shift, and one take cancelled with a held Esc (its press reported raw and again by the grab,
// one auto-repeat, its release through the grab), a click.
std::vector<WireEvent> session() {
    return {
        raw(XI_RawKeyPress, 38, 100),    raw(XI_RawKeyRelease, 38, 110), raw(XI_RawKeyPress, 50, 120),
        raw(XI_RawKeyPress, 24, 130),    raw(XI_RawKeyRelease, 24, 140), raw(XI_RawKeyRelease, 50, 150),
        raw(XI_RawKeyPress, 105, 200),   raw(XI_RawKeyPress, 9, 300),    core(KeyPress, 9, 300),
        core(KeyPress, 9, 900),          core(KeyRelease, 9, 950),       raw(XI_RawKeyRelease, 105, 1000),
        raw(XI_RawButtonPress, 1, 1100),
    };
}

void BM_KeyPath(benchmark::State& state) {
    NoDefaults defaults;
    OwnKeyEvents own;
    OwnGrabs grabs;
    SystemClock clock;
    auto owned = std::make_unique<X11KeySource>(defaults, clock, own, grabs);
    X11KeySource& source = *owned;
    KeyTap tap(std::move(owned), clock);
    source.setKeyMap(keyboard());
    source.setCallback([&tap](const KeyEvent& e) { return tap.process(e); });
    HotkeyMachine machine;
    tap.handler = [&machine](const KeyInput& input, double time) {
        return machine.handle(input, time).swallow;
    };

    const std::vector<WireEvent> events = session();
    std::size_t i = 0;
    for (auto _ : state) {
        const WireEvent& e = events[i];
        bool answer;
        if (e.raw)
            answer = source.handleRaw(e.rawEvent.evtype, e.rawEvent.detail, e.rawEvent.time);
        else
            answer = source.handleCore(e.keyEvent.type == KeyPress, int(e.keyEvent.keycode), e.keyEvent.time);
        benchmark::DoNotOptimize(answer);
        if (++i == events.size()) i = 0;
    }
    state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_KeyPath);

} // namespace

BENCHMARK_MAIN();
