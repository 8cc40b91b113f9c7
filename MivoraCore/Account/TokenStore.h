#pragma once

#include "Account/AccountTokens.h"

#include <QCoro/QCoroTask>

#include <optional>

namespace mivora {

// Where the signed-in account's tokens are kept between runs. No call reports failure: a store that cannot
// read answers nothing, and one that cannot write or remove does nothing.
class TokenStore {
public:
    virtual ~TokenStore() = default;
    virtual QCoro::Task<std::optional<AccountTokens>> load() = 0;
    // Replaces what was stored.
    virtual QCoro::Task<> save(AccountTokens tokens) = 0;
    virtual QCoro::Task<> remove() = 0;
};

} // namespace mivora
