#pragma once

#include "Account/MemoryKeyStore.h"
#include "Platform/SecretStore.h"

namespace mivora {

// The data key in the user's secret store (on Linux the desktop's Secret Service), one item under the
// service "com.orvessan.veskel.vault" and the account "memoryKey". The item holds the key together with the
// user it belongs to, as JSON: {"key":"<Base64 of the 32 bytes>","userId":"..."}. An item in any other form
// (an older plain 32-byte key among them) holds no key for anyone.
class VaultKeyStore final : public MemoryKeyStore {
public:
    explicit VaultKeyStore(SecretStore& secrets) : secrets_(secrets) {}

    static const QString service;
    static const QString account;

    // True when the secret store answers: a read finds the item or finds that there is none.
    QCoro::Task<bool> available() override;
    QCoro::Task<std::optional<SymmetricKey>> load(QString userId) override;
    // One write of the new item, which replaces the old one in place; never a removal first, so a failed
    // write leaves the old key.
    QCoro::Task<bool> save(SymmetricKey key, QString userId) override;
    QCoro::Task<> remove() override;

private:
    SecretStore& secrets_;
};

} // namespace mivora
