#pragma once

#include "Account/RecoveryCode.h"
#include "Account/SymmetricKey.h"
#include "Account/VaultFailure.h"
#include "Memories/MemoryPayload.h"
#include "Support/JsonWriter.h"

#include <QDateTime>
#include <QString>
#include <QStringView>

namespace mivora {

// The end-to-end encrypted sync layer. The server only ever holds two texts: the blob (the payload sealed
// under the data key) and the wrapped key (the data key sealed under a key derived from the recovery code).
// Both are the AES-256-GCM combined form nonce (12) ‖ ciphertext ‖ tag (16), with no associated data, in
// strict Base64. Every function is a pure function of its arguments.
class Vault {
public:
    Vault() = delete;

    // The plaintext: every memory and the tombstones of deleted ones.
    using Payload = MemoryPayload;
    using RecoveryCode = mivora::RecoveryCode;
    using Failure = VaultFailure;

    // Whole-second ISO 8601 dates, sorted keys at every depth, compact output.
    static JsonWriter encoder() { return MemoryPayload::encoder(); }

    // The blob of `payload`: its encoder JSON sealed under `key` with a fresh nonce. Throws
    // Failure::cannotOpen when nothing could be sealed (the random source or the cipher failed).
    static QString encrypt(const Payload& payload, const SymmetricKey& key);
    // Throws Failure::cannotOpen when the Base64, the combined form or the authentication fails, and
    // Failure::badPayload when what opened is not a payload JSON of version 1 with whole-second dates.
    static Payload decrypt(QStringView blob, const SymmetricKey& key);

    // The data key sealed under the code's wrapping key: always 80 characters. Throws Failure::cannotOpen
    // when nothing could be sealed.
    static QString wrap(const SymmetricKey& key, const RecoveryCode& code);
    // Throws Failure::cannotOpen when the text does not open under this code (a wrong code ends here) and
    // Failure::badPayload when it opens to anything but 32 bytes.
    static SymmetricKey unwrap(QStringView wrapped, const RecoveryCode& code);

    // Joins this device's payload with the server's. Per id the later modification time (`updatedAt`, else
    // `savedAt`) wins, the remote record on a tie, with the larger use count and the later last use of
    // both. Tombstones are united (the later date wins), forgotten once older than 90 days before `now`, and
    // remove every record modified at or before them. Local records come first in local order, then those
    // only on the server in its order; a repeated id keeps its first record. Linear; never fails; `v` = 1.
    static Payload merge(const Payload& local, const Payload& remote, const QDateTime& now);

private:
    static Memory pick(const Memory& local, const Memory& remote);
};

} // namespace mivora
