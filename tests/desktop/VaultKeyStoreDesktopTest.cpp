#include "Account/VaultKeyStore.h"

#include "LinuxDesktop.h"

#include <QCoro/QCoroTask>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

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

TEST_F(VaultKeyStoreDesktop, TheProgramsVaultTestRoundTripPassesAndLeavesNothingBehind) {
    QTemporaryDir dir;
    QFile info(dir.filePath("Info.json"));
    ASSERT_TRUE(info.open(QIODevice::WriteOnly));
    info.write("{}");
    info.close();
    QProcess program;
    QStringList environment = QProcess::systemEnvironment();
    environment << "MIVORA_INFO_JSON=" + info.fileName() << "XDG_STATE_HOME=" + dir.filePath("state");
    program.setEnvironment(environment);
    program.start(MIVORA_APP_PATH, {"-vaulttest"});
    ASSERT_TRUE(program.waitForFinished(30000));
    EXPECT_EQ(program.exitCode(), 0);
    EXPECT_EQ(QString::fromUtf8(program.readAllStandardOutput()),
              "钥匙串组：没有（包里没写 YarrikKeychainGroup）\n✓ 写入（密钥环）\n✓ 读回一致\n"
              "同步标记：否，访问组：无\n✓ 已删除测试条目\n");
    EXPECT_EQ(QCoro::waitFor(platform->secrets().read(VaultKeyStore::service, "selftest")).status,
              SecretStore::Status::notFound);
}

} // namespace
} // namespace mivora
