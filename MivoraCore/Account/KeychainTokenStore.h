#pragma once

#include "Account/TokenStore.h"

namespace mivora {

class SecretStore;

// The tokens as one item of the user's secret store (service "com.orvessan.veskel.account", account
// "tokens"), holding their JSON. Data that does not read as tokens loads as nothing and stays stored until
// the next save or removal.
class KeychainTokenStore final : public TokenStore {
public:
    static constexpr const char* service = "com.orvessan.veskel.account";
    static constexpr const char* account = "tokens";

    explicit KeychainTokenStore(SecretStore& secrets) : secrets_(&secrets) {}

    QCoro::Task<std::optional<AccountTokens>> load() override;
    QCoro::Task<> save(AccountTokens tokens) override;
    QCoro::Task<> remove() override;

private:
    SecretStore* secrets_;
};

} // namespace mivora
