#pragma once

#include "Account/SymmetricKey.h"

#include <QCoro/QCoroTask>
#include <QString>

#include <optional>

namespace mivora {

// Where this device keeps the vault's data key. A key is stored for one user: it is handed back only to that
// user, so an account that signs in later on the same device never opens with someone else's key. Stores
// never report failure beyond what the answers below say.
class MemoryKeyStore {
public:
    virtual ~MemoryKeyStore() = default;

    // Whether this device can keep a data key at all.
    virtual QCoro::Task<bool> available() = 0;
    // The key stored for `userId`; absent when there is none, when the stored key is another user's, or
    // when the store cannot be read.
    virtual QCoro::Task<std::optional<SymmetricKey>> load(QString userId) = 0;
    // Stores the key for `userId`, replacing any earlier key in one step. False when it was not stored; the
    // earlier key then stays as it was.
    virtual QCoro::Task<bool> save(SymmetricKey key, QString userId) = 0;
    // Forgets the stored key, whoever it belongs to. A failure is not reported.
    virtual QCoro::Task<> remove() = 0;
};

} // namespace mivora
