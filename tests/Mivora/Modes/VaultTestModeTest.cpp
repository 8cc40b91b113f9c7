#include "Modes/VaultTestMode.h"
#include "Support/BundleInfo.h"
#include "support/FailingRandom.h"
#include "support/FlakySecretStore.h"

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

// A read-back with other bytes and a failed removal both end in 1 (the passing round trip is the desktop
// test's, on the real keyring); a failed random draw stops before anything is written.
TEST(VaultTestMode, ExitsOneOnAMismatchAFailedRemovalOrAFailedRandomDraw) {
    BundleInfo::setOverride({});
    for (const bool mismatch : {true, false}) {
        FlakySecretStore secrets;
        secrets.alterReads = mismatch;
        secrets.failRemoves = !mismatch;
        QString printed;
        QTextStream out(&printed);
        EXPECT_EQ(runVaultTestMode(secrets, out), 1) << printed.toStdString();
        EXPECT_EQ(printed.contains("✗ 读回失败：读回的和写入的不一样\n"), mismatch) << printed.toStdString();
    }

    BundleInfo::setOverride({{"YarrikKeychainGroup", "team.group"}});
    FlakySecretStore secrets;
    QString printed;
    QTextStream out(&printed);
    const FailingRandom failing;
    EXPECT_EQ(runVaultTestMode(secrets, out), 1);
    BundleInfo::reset();
    EXPECT_EQ(printed, "钥匙串组：已配置\n✗ 随机数生成失败\n");
    EXPECT_TRUE(secrets.items.items.empty()); // nothing written from an unfilled buffer
}
