#pragma once

#include "Platform/SecretStore.h"

namespace mivora {

// Secrets on the desktop's Secret Service (gnome-keyring, KWallet) through QtKeychain. Never falls back to a
// plain file: without a Secret Service every call fails.
class KeychainSecretStore final : public SecretStore {
public:
    QCoro::Task<Read> read(QString service, QString account) override;
    QCoro::Task<Status> write(QString service, QString account, QByteArray data) override;
    QCoro::Task<Status> remove(QString service, QString account) override;
};

} // namespace mivora
