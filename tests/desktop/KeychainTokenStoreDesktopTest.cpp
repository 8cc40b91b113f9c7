#include "Account/KeychainTokenStore.h"
#include "Platform/Linux/KeychainSecretStore.h"
#include "support/TaskProbe.h"

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

template <typename T> typename TaskProbe<T>::Value outcome(QCoro::Task<T> task) {
    const TaskProbe<T> probe(std::move(task));
    EXPECT_TRUE(probe.wait());
    return probe.get();
}

} // namespace

// The tokens on the session's Secret Service: stored at whole seconds, without "email" when there is none,
// replaced in place; data that is not tokens loads as nothing and stays until the next save.
TEST(KeychainTokenStoreDesktop, RoundTripOnTheSecretService) {
    KeychainSecretStore secrets;
    KeychainTokenStore store(secrets);
    const QString service = KeychainTokenStore::service, account = KeychainTokenStore::account;
    outcome(store.remove());
    EXPECT_EQ(outcome(store.load()), std::nullopt);

    const QDateTime expiry = QDateTime(QDate(2025, 3, 7), QTime(9, 15, 2, 640), Qt::UTC);
    AccountTokens tokens{"a1", "r1", expiry, "u1", std::nullopt, "email"};
    outcome(store.save(tokens));
    const auto read = outcome(secrets.read(service, account));
    EXPECT_EQ(read.data, R"({"accessToken":"a1","expiresAt":"2025-03-07T09:15:02Z","method":"email",)"
                         R"("refreshToken":"r1","userID":"u1"})");
    tokens.expiresAt = expiry.addMSecs(-640);
    EXPECT_EQ(outcome(store.load()), tokens);

    tokens.email = "ann@example.com";
    outcome(store.save(tokens));
    EXPECT_EQ(outcome(store.load()), tokens);

    outcome(secrets.write(service, account, R"({"accessToken":"a1"})"));
    EXPECT_EQ(outcome(store.load()), std::nullopt);
    EXPECT_EQ(outcome(secrets.read(service, account)).status, SecretStore::Status::ok);

    outcome(store.remove());
    outcome(store.remove());
    EXPECT_EQ(outcome(store.load()), std::nullopt);
    EXPECT_EQ(outcome(secrets.read(service, account)).status, SecretStore::Status::notFound);
}
