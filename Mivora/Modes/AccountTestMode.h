#pragma once

#include <QString>

namespace mivora {

// The "-accounttest <audio file>" diagnostic mode, against the account server of this build: signs in
// with the review account (its code in ~/.yarrik/review_code) into a throw-away token store, gets a valid
// token, refreshes it, recognises the file through the relay with the account's token, and signs out.
// Prints one "✓" or "✗" line per step and returns 0 when every step passed, else 1. Runs the event loop
// until done.
int runAccountTestMode(const QString& audioFile);

} // namespace mivora
