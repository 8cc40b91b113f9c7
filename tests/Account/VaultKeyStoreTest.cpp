#include "Account/VaultKeyStore.h"
#include "support/FlakySecretStore.h"

#include <QCoro/QCoroTask>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

SymmetricKey key(char fill) {
    return *SymmetricKey::fromBytes(QByteArray(32, fill));
}

} // namespace

// The key is bound to its user, a failed write leaves the old key (the device is never left without one),
// and an item in another form holds no key.
TEST(VaultKeyStore, GivesAKeyOnlyToItsUserAndReplacesItInOneWrite) {
    FlakySecretStore secrets;
    VaultKeyStore store(secrets);
    ASSERT_TRUE(QCoro::waitFor(store.save(key(1), "alice")));
    EXPECT_EQ(QCoro::waitFor(store.load("alice")), key(1));
    EXPECT_FALSE(QCoro::waitFor(store.load("bob"))); // bob's recovery code must not open alice's vault

    secrets.failWrites = true;
    EXPECT_FALSE(QCoro::waitFor(store.save(key(2), "bob")));
    EXPECT_EQ(QCoro::waitFor(store.load("alice")), key(1));

    const std::pair<QString, QString> item{VaultKeyStore::service, VaultKeyStore::account};
    secrets.items.items[item] = QByteArray(32, 'k'); // a bare key, bound to nobody
    EXPECT_FALSE(QCoro::waitFor(store.load("")));
    secrets.items.items[item] = R"({"key":"AQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQE=","userId":""})";
    EXPECT_EQ(QCoro::waitFor(store.load("")), key(1));
    secrets.items.failing = true;
    EXPECT_FALSE(QCoro::waitFor(store.available()));
}
