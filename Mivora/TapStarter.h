#pragma once

#include "Support/Scheduler.h"

#include <functional>

namespace mivora {

class KeyTap;

// Starts the key tap as soon as the desktop lets it: at once, and otherwise once a second, each retry
// only when `allowed` says the permission is there now. `started` is told once, when the tap runs.
class TapStarter {
public:
    static constexpr double retryInterval = 1.0;

    TapStarter(KeyTap& tap, Scheduler& scheduler, std::function<bool()> allowed,
               std::function<void()> started)
        : tap_(tap), scheduler_(scheduler), allowed_(std::move(allowed)), started_(std::move(started)) {}
    ~TapStarter() { scheduler_.cancel(retry_); }
    TapStarter(const TapStarter&) = delete;
    TapStarter& operator=(const TapStarter&) = delete;

    void start();

private:
    KeyTap& tap_;
    Scheduler& scheduler_;
    std::function<bool()> allowed_;
    std::function<void()> started_;
    Scheduler::TimerId retry_ = 0;
};

} // namespace mivora
