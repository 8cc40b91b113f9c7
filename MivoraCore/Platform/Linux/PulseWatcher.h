#pragma once

#include <functional>

namespace mivora {

// Watches the sound server for changes of its inputs: an input added or removed, or the server's
// defaults changed. Qt 6.4 does not report these, so the microphone asks the server itself while it
// records. `onChange` is called on the watcher's own thread.
class PulseWatcher {
public:
    explicit PulseWatcher(std::function<void()> onChange);
    ~PulseWatcher();
    PulseWatcher(const PulseWatcher&) = delete;
    PulseWatcher& operator=(const PulseWatcher&) = delete;

    struct State;

private:
    State* state_;
};

} // namespace mivora
