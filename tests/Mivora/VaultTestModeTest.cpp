#include "VaultTestMode.h"
#include "Support/BundleInfo.h"
#include "support/FailingRandom.h"
#include "support/FlakySecretStore.h"

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

// Each step of the round trip on its own line; anything that went wrong, a read-back with other bytes and a
// failed removal included, ends in 1.
TEST(VaultTestMode, ExitsZeroOnlyWhenTheWholeRoundTripHeld) {
    BundleInfo::setOverride({});
    const QString group = "钥匙串组：没有（包里没写 YarrikKeychainGroup）\n";
    const QString flags = "同步标记：否，访问组：无\n";
    struct Case {
        bool failWrites, alterReads, failRemoves;
        int status;
        QString printed;
    };
    const Case cases[] = {
        {false, false, false, 0, group + "✓ 写入（密钥环）\n✓ 读回一致\n" + flags + "✓ 已删除测试条目\n"},
        {false, true, false, 1, group + "✓ 写入（密钥环）\n✗ 读回失败 0\n" + flags + "✓ 已删除测试条目\n"},
        {false, false, true, 1, group + "✓ 写入（密钥环）\n✓ 读回一致\n" + flags + "✗ 删除失败 2\n"},
        {true, false, false, 1, group + "✗ 写入失败 2\n✗ 读回失败 1\n" + flags + "✓ 已删除测试条目\n"},
    };
    for (const Case& c : cases) {
        FlakySecretStore secrets;
        secrets.failWrites = c.failWrites;
        secrets.alterReads = c.alterReads;
        secrets.failRemoves = c.failRemoves;
        QString printed;
        QTextStream out(&printed);
        EXPECT_EQ(runVaultTestMode(secrets, out), c.status) << printed.toStdString();
        EXPECT_EQ(printed, c.printed);
        if (!c.failRemoves) {
            EXPECT_TRUE(secrets.items.items.empty());
        }
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
