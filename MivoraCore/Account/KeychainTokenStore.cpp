#include "Account/KeychainTokenStore.h"

#include "Platform/SecretStore.h"

namespace mivora {

QCoro::Task<std::optional<AccountTokens>> KeychainTokenStore::load() {
    const SecretStore::Read read = co_await secrets_->read(QLatin1String(service), QLatin1String(account));
    if (read.status != SecretStore::Status::ok) co_return std::nullopt;
    co_return AccountTokens::fromJson(read.data);
}

QCoro::Task<> KeychainTokenStore::save(AccountTokens tokens) {
    co_await secrets_->write(QLatin1String(service), QLatin1String(account), tokens.toJson());
}

QCoro::Task<> KeychainTokenStore::remove() {
    co_await secrets_->remove(QLatin1String(service), QLatin1String(account));
}

} // namespace mivora
