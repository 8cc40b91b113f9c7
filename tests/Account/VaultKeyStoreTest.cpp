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

TEST(VaultKeyStore, GivesAKeyOnlyToItsUserAndReplacesItInOneWrite) {
    FlakySecretStore secrets;
    VaultKeyStore store(secrets);
    EXPECT_TRUE(QCoro::waitFor(store.available())); // nothing stored yet, but the store answers
    EXPECT_FALSE(QCoro::waitFor(store.load("alice")));

    ASSERT_TRUE(QCoro::waitFor(store.save(key(1), "alice")));
    EXPECT_EQ(QCoro::waitFor(store.load("alice")), key(1));
    EXPECT_FALSE(QCoro::waitFor(store.load("bob"))); // bob's recovery code must not open alice's vault

    // A failed write leaves the old key, so the device is never left without one.
    secrets.failWrites = true;
    EXPECT_FALSE(QCoro::waitFor(store.save(key(2), "bob")));
    EXPECT_EQ(QCoro::waitFor(store.load("alice")), key(1));
    secrets.failWrites = false;

    ASSERT_TRUE(QCoro::waitFor(store.save(key(2), "bob")));
    EXPECT_EQ(QCoro::waitFor(store.load("bob")), key(2));
    EXPECT_FALSE(QCoro::waitFor(store.load("alice")));
    EXPECT_EQ(secrets.items.items.size(), 1u);

    QCoro::waitFor(store.remove());
    EXPECT_FALSE(QCoro::waitFor(store.load("bob")));

    secrets.items.failing = true;
    EXPECT_FALSE(QCoro::waitFor(store.available()));
}

TEST(VaultKeyStore, AnItemInAnotherFormHoldsNoKey) {
    FlakySecretStore secrets;
    VaultKeyStore store(secrets);
    const std::pair<QString, QString> item{VaultKeyStore::service, VaultKeyStore::account};
    for (const QByteArray& data : {
             QByteArray(32, 'k'), // a bare key, bound to nobody
             QByteArray(R"({"key":"AQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQ==","userId":""})"), // 31 bytes
             QByteArray(R"({"key":"AQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQE=","userId":0})"),  // no user
             QByteArray(R"({"key":"AQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEB AQEBAQEBAQE=","userId":""})"),
         }) {
        secrets.items.items[item] = data;
        EXPECT_FALSE(QCoro::waitFor(store.load(""))) << data.toStdString();
    }
    secrets.items.items[item] = R"({"key":"AQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQEBAQE=","userId":""})";
    EXPECT_EQ(QCoro::waitFor(store.load("")), key(1));
}
