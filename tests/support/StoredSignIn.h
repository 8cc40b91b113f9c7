#pragma once

#include "Account/KeychainTokenStore.h"

#include <QCoro/QCoroTask>

namespace mivora::test {

// A signed-in account in `secrets` for as long as this lives, as the program finds it when it starts
// (takes through a relay need one).
class StoredSignIn {
public:
    static constexpr const char* accessToken = "at-desk";

    explicit StoredSignIn(SecretStore& secrets) : StoredSignIn(secrets, accessToken, "rt-desk", "u1") {}
    // A sign-in the account server knows (its `session`).
    StoredSignIn(SecretStore& secrets, const QString& access, const QString& refresh, const QString& userId)
        : store_(secrets) {
        QCoro::waitFor(store_.save(
            {access, refresh, QDateTime::currentDateTimeUtc().addSecs(3000), userId, std::nullopt, "email"}));
    }
    ~StoredSignIn() { QCoro::waitFor(store_.remove()); }
    StoredSignIn(const StoredSignIn&) = delete;
    StoredSignIn& operator=(const StoredSignIn&) = delete;

private:
    KeychainTokenStore store_;
};

} // namespace mivora::test
