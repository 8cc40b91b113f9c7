#include "Account/InMemoryKeyStore.h"

namespace mivora {

QCoro::Task<bool> InMemoryKeyStore::available() {
    co_return isAvailable;
}

QCoro::Task<std::optional<SymmetricKey>> InMemoryKeyStore::load(QString user) {
    co_return user == userId ? key : std::nullopt;
}

QCoro::Task<bool> InMemoryKeyStore::save(SymmetricKey newKey, QString user) {
    key = std::move(newKey);
    userId = std::move(user);
    co_return true;
}

QCoro::Task<> InMemoryKeyStore::remove() {
    key.reset();
    userId.clear();
    co_return;
}

} // namespace mivora
