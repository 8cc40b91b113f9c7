#include "SyncTriggers.h"

#include "Memories/MemoryStore.h"

namespace mivora {

SyncTriggers::SyncTriggers(Scheduler& scheduler, SyncHooks hooks, QObject* parent)
    : QObject(parent), scheduler_(scheduler), hooks_(std::move(hooks)) {}

SyncTriggers::~SyncTriggers() {
    scheduler_.cancel(timer_);
}

void SyncTriggers::start(MemoryStore& memories, std::optional<bool> signedIn) {
    // A synced change comes from the engine itself and must not ask for another pass.
    connect(&memories, &MemoryStore::memoriesChanged, this, [this](MemoryStore::Change change) {
        if (change == MemoryStore::Change::local) call(hooks_.scheduleSoon);
    });
    if (signedIn) signedInChanged(*signedIn);
    timer_ = scheduler_.every(interval, [this] { call(hooks_.sync); });
}

void SyncTriggers::signedInChanged(bool signedIn) {
    if (signedIn_ == signedIn) return;
    signedIn_ = signedIn;
    call(signedIn ? hooks_.sync : hooks_.reset);
}

} // namespace mivora
