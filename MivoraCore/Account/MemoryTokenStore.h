#pragma once

#include "Account/TokenStore.h"

namespace mivora {

// Tokens held in memory only: throw-away accounts of the diagnostic modes.
class MemoryTokenStore final : public TokenStore {
public:
    explicit MemoryTokenStore(std::optional<AccountTokens> value = std::nullopt) : value(std::move(value)) {}

    std::optional<AccountTokens> value;

    QCoro::Task<std::optional<AccountTokens>> load() override {
        // A copy: QCoro moves from a non-const lvalue, which would empty the store after one load.
        std::optional<AccountTokens> copy = value;
        co_return copy;
    }
    QCoro::Task<> save(AccountTokens tokens) override {
        value = std::move(tokens);
        co_return;
    }
    QCoro::Task<> remove() override {
        value.reset();
        co_return;
    }
};

} // namespace mivora
