#include "SyncWiring.h"

#include "AppDelegate.h"
#include "Platform/Platform.h"

#include <QPointer>

namespace mivora {

SyncWiring::SyncWiring(AppDelegate& delegate, AccountService& account, Platform& platform, Clock& clock,
                       Scheduler& scheduler)
    : keys_(platform.secrets()), engine_(account, delegate.memories(), keys_, clock, scheduler) {
    delegate.hooks.syncEngine = &engine_;
    const QPointer<MemorySync> engine(&engine_);
    delegate.hooks.sync = {[engine] {
                               if (engine) engine->scheduleSoon();
                           },
                           [engine] {
                               if (engine) engine->sync();
                           },
                           [engine] {
                               if (engine) engine->reset();
                           }};
}

} // namespace mivora
