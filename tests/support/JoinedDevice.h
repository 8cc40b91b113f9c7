#pragma once

#include "Account/SymmetricKey.h"
#include "Account/VaultKeyStore.h"
#include "support/FakeAccountServer.h"
#include "support/StoredSignIn.h"

#include <QCoro/QCoroTask>

namespace mivora::test {

// This device signed in to `email` on the account server, having joined the account's vault earlier: the
// session's tokens and the vault key are in `secrets` for as long as this lives, as the program finds them
// when it starts.
class JoinedDevice {
public:
    JoinedDevice(SecretStore& secrets, FakeAccountServer& server, const QString& email)
        : session(server.session(email)),
          signedIn_(secrets, session.accessToken, session.refreshToken, session.userId), keys_(secrets) {
        keySaved = QCoro::waitFor(keys_.save(key, session.userId));
    }
    ~JoinedDevice() { QCoro::waitFor(keys_.remove()); }
    JoinedDevice(const JoinedDevice&) = delete;
    JoinedDevice& operator=(const JoinedDevice&) = delete;

    const FakeAccountServer::Session session;
    const SymmetricKey key = SymmetricKey::random();
    // Whether the keyring took the vault key.
    bool keySaved = false;

private:
    StoredSignIn signedIn_;
    VaultKeyStore keys_;
};

} // namespace mivora::test
