#pragma once

#include "Account/MemoryKeyStore.h"

namespace mivora {

// A data key held in this process only: the two imitated devices of the sync diagnostics each get one.
class InMemoryKeyStore final : public MemoryKeyStore {
public:
    explicit InMemoryKeyStore(std::optional<SymmetricKey> key = std::nullopt, QString userId = {})
        : key(std::move(key)), userId(std::move(userId)) {}

    std::optional<SymmetricKey> key;
    // The user the key belongs to.
    QString userId;
    // Reported as-is by `available()`; `save` stores whatever it says.
    bool isAvailable = true;

    QCoro::Task<bool> available() override;
    QCoro::Task<std::optional<SymmetricKey>> load(QString userId) override;
    QCoro::Task<bool> save(SymmetricKey key, QString userId) override;
    QCoro::Task<> remove() override;
};

} // namespace mivora
