#include "Account/VaultKeyStore.h"
#include "Support/BundleInfo.h"
#include "VaultTestMode.h"

#include "LinuxDesktop.h"

#include <QCoro/QCoroTask>

namespace mivora {
namespace {

using VaultKeyStoreDesktop = test::LinuxDesktop;

SymmetricKey key(char fill) {
    return *SymmetricKey::fromBytes(QByteArray(32, fill));
}

// The data key on gnome-keyring: stored, read back for its user only, replaced in place and removed.
TEST_F(VaultKeyStoreDesktop, KeepsOneKeyPerDeviceOnTheSecretService) {
    SecretStore& secrets = platform->secrets();
    VaultKeyStore store(secrets);
    QCoro::waitFor(store.remove());
    EXPECT_TRUE(QCoro::waitFor(store.available()));
    EXPECT_FALSE(QCoro::waitFor(store.load("alice")));

    ASSERT_TRUE(QCoro::waitFor(store.save(key(1), "alice")));
    EXPECT_EQ(QCoro::waitFor(store.load("alice")), key(1));
    ASSERT_TRUE(QCoro::waitFor(store.save(key(2), "bob")));
    EXPECT_EQ(QCoro::waitFor(store.load("bob")), key(2));
    EXPECT_FALSE(QCoro::waitFor(store.load("alice")));

    QCoro::waitFor(store.remove());
    EXPECT_FALSE(QCoro::waitFor(store.load("bob")));
    EXPECT_EQ(QCoro::waitFor(secrets.read(VaultKeyStore::service, VaultKeyStore::account)).status,
              SecretStore::Status::notFound);
}

TEST_F(VaultKeyStoreDesktop, TheVaultTestRoundTripPassesAndLeavesNothingBehind) {
    BundleInfo::setOverride({});
    QString printed;
    QTextStream out(&printed);
    EXPECT_EQ(runVaultTestMode(platform->secrets(), out), 0);
    BundleInfo::reset();
    EXPECT_EQ(printed, "钥匙串组：没有（包里没写 YarrikKeychainGroup）\n✓ 写入（密钥环）\n✓ 读回一致\n"
                       "同步标记：否，访问组：无\n✓ 已删除测试条目\n");
    EXPECT_EQ(QCoro::waitFor(platform->secrets().read(VaultKeyStore::service, "selftest")).status,
              SecretStore::Status::notFound);
}

} // namespace
} // namespace mivora
