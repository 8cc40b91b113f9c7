// The words of this desktop that replace a Mac's in the texts: this computer takes no blanks around it,
// and the account block promises no key that no other device sends here.
#include "Platform/PlatformWords.h"

#include <gtest/gtest.h>

using namespace mivora;

TEST(PlatformWords, ThisComputerIsWrittenWithoutTheBlanksThatPartedALatinWord) {
    const struct {
        const char* mac;
        const char* here;
    } texts[] = {
        {"记忆只存在这台 Mac 上", "记忆只存在这台电脑上"},
        {"地址、电话这些记忆只存在这台 Mac 上；开云端识别时，记忆的名字会作为识别提示发给 OpenAI。",
         "地址、电话这些记忆只存在这台电脑上；开云端识别时，记忆的名字会作为识别提示发给 OpenAI。"},
        {"服务器上的账号、登录方式和加密备份的记忆都会删掉，不能恢复。这台 Mac 上的记忆不受影响。",
         "服务器上的账号、登录方式和加密备份的记忆都会删掉，不能恢复。这台电脑上的记忆不受影响。"},
        // "iPhone" names the phone app the vault is shared with and keeps its blank.
        {"登录后记忆会在 iPhone 和 Mac 之间加密同步", "登录后记忆会在 iPhone 和这台电脑之间加密同步"},
        {"登录后才能用口述和「问」；记忆会在 iPhone 和 Mac 之间加密同步",
         "登录后才能用口述和「问」；记忆会在 iPhone 和这台电脑之间加密同步"},
        {"没有 Mac 的话", "没有 Mac 的话"}, // nothing else is touched
    };
    for (const auto& t : texts)
        EXPECT_EQ(PlatformWords::forThisComputer(QString::fromUtf8(t.mac)), QString::fromUtf8(t.here))
            << t.mac;
    EXPECT_EQ(PlatformWords::onThisComputer(), "这台电脑上");
}

TEST(PlatformWords, TheRecoveryCodeIsTheWayInAndNoOtherDeviceIsPromisedTheKey) {
    const QString saveIt = PlatformWords::recoveryCodeNote();
    const QString enterIt = PlatformWords::enterCodeNote();
    // The words around the passage that changed stay as they were.
    EXPECT_TRUE(saveIt.startsWith("记忆加密后才上传，我们也看不到。")) << saveIt.toStdString();
    EXPECT_TRUE(saveIt.endsWith("要用这串恢复码。它只显示这一次，丢了就只能清空云端重来。"))
        << saveIt.toStdString();
    EXPECT_TRUE(enterIt.startsWith("你在另一台设备上开过同步。")) << enterIt.toStdString();
    EXPECT_TRUE(enterIt.contains("输入当时存下的 26 位恢复码")) << enterIt.toStdString();
    for (const QString& text : {saveIt, enterIt}) {
        EXPECT_TRUE(text.contains("这台电脑的密钥环（Secret Service）")) << text.toStdString();
        for (const char* macOnly : {"Apple 账号", "iCloud", "Mac", "自动拿到密钥", "自动接上", "这台电脑 "})
            EXPECT_FALSE(text.contains(QString::fromUtf8(macOnly)))
                << macOnly << " in " << text.toStdString();
    }
}
