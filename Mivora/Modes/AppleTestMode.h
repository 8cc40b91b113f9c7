#pragma once

namespace mivora {

// The "-appletest" diagnostic mode ("-google" with it: Google instead of Apple): a small window with a
// status line, one sign-in through the user's browser against the account server of this build into a
// throw-away token store, the outcome printed ("✓ 已登录：…" or "✗ …") and shown, then a sign-out. The
// browser's callback reaches this process over the single-instance channel, so no other Mivora may be
// running. Needs a QApplication; returns 0 when signed in, else 1.
int runAppleTestMode(bool google);

} // namespace mivora
