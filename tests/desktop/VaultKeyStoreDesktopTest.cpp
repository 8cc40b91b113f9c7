#include "Account/VaultKeyStore.h"

#include "LinuxDesktop.h"

#include <QCoro/QCoroTask>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

namespace mivora {
namespace {

using VaultKeyStoreDesktop = test::LinuxDesktop;

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
