#pragma once

#include "Platform/SecretStore.h"

#include <QTextStream>

namespace mivora {

// The "-vaulttest" diagnostic mode: a round trip of one throwaway item (service
// "com.orvessan.veskel.vault", account "selftest") through the secret store: remove any old one, write 32
// random bytes, read them back, remove it. Prints one line per step on `out` and returns 0 only when the
// write, an identical read-back and the removal all succeeded; 1 otherwise. Runs the event loop until done.
int runVaultTestMode(SecretStore& secrets, QTextStream& out);

} // namespace mivora
