#pragma once

namespace mivora {

// The "-synctest" diagnostic mode: two imitated devices (each its own session of the review account, a
// scratch memory store and a key store in memory) against the account server of this build. A creates the
// vault and confirms its recovery code, B joins with that code, both add a memory and A deletes one, and
// both must end holding the same memories. Prints one "✓" or "✗" line per step and returns 0 when every
// step passed, else 1. Runs the event loop until done.
int runSyncTestMode();

} // namespace mivora
