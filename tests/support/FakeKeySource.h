#pragma once

#include "Platform/KeySource.h"

#include <set>

namespace mivora::test {

// A key source driven by the test: `send` delivers an event as the desktop would and returns the
// answer; the swallowable keys last announced are kept for inspection.
class FakeKeySource final : public KeySource {
public:
    bool refuse = false;           // start() fails while set
    int starts = 0;                // starts that created a new watch
    std::set<int> swallowableKeys; // last set announced

    bool start(Callback callback) override {
        if (running_) return true;
        if (refuse) return false;
        callback_ = std::move(callback);
        running_ = true;
        ++starts;
        return true;
    }
    void stop() override { running_ = false; }
    bool isRunning() const override { return running_; }
    void setSwallowable(const std::set<int>& codes) override { swallowableKeys = codes; }

    // The event's answer; false while not running (nothing is watched then).
    bool send(const KeyEvent& event) { return running_ && callback_ ? callback_(event) : false; }
    bool keyDown(int code, bool repeat = false, std::uint64_t flags = 0) {
        return send({KeyEvent::keyDown, code, repeat, flags, 0});
    }
    bool keyUp(int code, std::uint64_t flags = 0) { return send({KeyEvent::keyUp, code, false, flags, 0}); }
    bool flagsChanged(int code, std::uint64_t flags) {
        return send({KeyEvent::flagsChanged, code, false, flags, 0});
    }

private:
    Callback callback_;
    bool running_ = false;
};

} // namespace mivora::test
