#pragma once

#include <deque>
#include <mutex>

namespace mivora {

// The key events this process posted itself. The poster records each event before sending it; the key
// watcher consumes the matching event when it arrives, so the program's own paste never reaches the key
// handler. Entries older than a few seconds are forgotten (an event that never came back).
class OwnKeyEvents {
public:
    // Records that a press (or release) of the X11 key code is about to be posted. `now` is uptime seconds.
    void expect(int keycode, bool press, double now);
    // True (and forgets the entry) when this press/release is one we posted.
    bool consume(int keycode, bool press, double now);

private:
    struct Entry {
        int keycode;
        bool press;
        double at;
    };
    void expire(double now);
    std::mutex mutex_;
    std::deque<Entry> entries_;
};

} // namespace mivora
