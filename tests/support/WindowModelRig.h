#pragma once

#include "support/PageServices.h"

namespace mivora::test {

// The page services with a recogniser configured and a window model that `make()` builds anew, reading the
// settings as a new run would (set `defaults` first), lent the given account service or none.
struct WindowModelRig : PageServices {
    WindowModelRig() { cloud = true; }

    AppModel& make(AccountService* account = nullptr) {
        model = std::make_unique<AppModel>(
            AppModel::Services{setup, stats, *memories, nullptr, *controller, account, nullptr},
            AppModel::Environment{defaults, clock, scheduler, platform, permissions});
        return *model;
    }
};

} // namespace mivora::test
