#pragma once

#include "Account/KeychainTokenStore.h"

#include <QCoro/QCoroTask>

namespace mivora::test {

// A signed-in account in `secrets` for as long as this lives, as the program finds it when it starts
// (takes through a relay need one).
class StoredSignIn {
public:
    static constexpr const char* accessToken = "at-desk";

    explicit StoredSignIn(SecretStore& secrets) : store_(secrets) {
        QCoro::waitFor(store_.save({accessToken, "rt-desk", QDateTime::currentDateTimeUtc().addDays(1), "u1",
                                    std::nullopt, "email"}));
    }
    ~StoredSignIn() { QCoro::waitFor(store_.remove()); }
    StoredSignIn(const StoredSignIn&) = delete;
    StoredSignIn& operator=(const StoredSignIn&) = delete;

private:
    KeychainTokenStore store_;
};

} // namespace mivora::test
