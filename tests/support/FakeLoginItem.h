#pragma once

#include "Platform/LoginItem.h"

#include <deque>
#include <vector>

namespace mivora::test {

// A login item whose refusals the test scripts: each call takes the next entry of `refusals` (an empty
// text lets the call through) and leaves `current` as it was when refused.
struct FakeLoginItem final : LoginItem {
    Status current = Status::notRegistered;
    std::deque<QString> refusals;
    std::vector<bool> calls; // true: register, false: unregister

    Status status() const override { return current; }
    void registerItem() override { change(true); }
    void unregisterItem() override { change(false); }

private:
    void change(bool on) {
        calls.push_back(on);
        if (!refusals.empty()) {
            const QString refusal = refusals.front();
            refusals.pop_front();
            if (!refusal.isEmpty()) throw Failure(refusal);
        }
        current = on ? Status::enabled : Status::notRegistered;
    }
};

} // namespace mivora::test
