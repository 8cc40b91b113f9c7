#pragma once

#include "Account/MemorySync.h"
#include "Account/VaultKeyStore.h"

namespace mivora {

class AccountService;
class AppDelegate;
class Clock;
class Platform;
class Scheduler;

// The memory sync of the running program: the one engine over the account, the delegate's memory store and
// the data key in the desktop's secret store, driven through the delegate's sync hooks (local changes, the
// ten-minute timer, sign-in and sign-out). Made before the delegate's launch, after the account; must go
// before both. The hooks hold the engine weakly.
class SyncWiring {
public:
    SyncWiring(AppDelegate& delegate, AccountService& account, Platform& platform, Clock& clock,
               Scheduler& scheduler);

    MemorySync& engine() { return engine_; }

private:
    VaultKeyStore keys_;
    MemorySync engine_;
};

} // namespace mivora
