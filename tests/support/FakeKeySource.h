#pragma once

#include "Platform/KeySource.h"

#include <set>

namespace mivora::test {

// A key source driven by the test; the swallowable keys last announced are kept for inspection.
class FakeKeySource final : public KeySource {
public:
    bool start(Callback callback) override {
        callback_ = std::move(callback);
        ++starts;
        return true;
    }
    void stop() override { callback_ = nullptr; }
    bool isRunning() const override { return bool(callback_); }
    bool setSwallowable(const std::set<int>& codes) override {
        swallowableKeys = codes;
        return holds;
    }

    // Delivers an event as the desktop would and returns its answer (false while not running).
    bool send(int type, int code, std::uint64_t flags = 0, bool repeat = false) {
        return callback_ && callback_({type, code, repeat, flags});
    }

    std::set<int> swallowableKeys;
    int starts = 0;
    bool holds = true; // what `setSwallowable` answers

private:
    Callback callback_;
};

} // namespace mivora::test
