// The texts that speak of the user's computer, where they are shown: the lesson tip, the settings page's
// privacy note and account subtitle, the memories page's empty state, and the account block's recovery-code
// views all take their words from the platform-words table.
#include "MivoraUI/Account/AccountSection.h"
#include "MivoraUI/Kit/StyledLabel.h"
#include "MivoraUI/Memories/MemoriesView.h"
#include "MivoraUI/Model/Lesson.h"
#include "MivoraUI/Settings/SettingsPage.h"
#include "Platform/Offscreen/MemoryPasteboard.h"
#include "Platform/PlatformWords.h"

#include "support/PageServices.h"

#include <QApplication>
#include <QLabel>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

// Every label text under `root`.
QStringList labels(const QWidget& root) {
    QStringList out;
    for (const QLabel* label : root.findChildren<QLabel*>())
        out << label->text();
    return out;
}

} // namespace

TEST(ThisComputerTexts, EveryPlaceThatKeepsTheMemoriesHereSaysThisComputerWithoutABlank) {
    EXPECT_TRUE(Lessons::tips(Lesson::recall, "右 Ctrl").contains("记忆只存在这台电脑上"))
        << Lessons::tips(Lesson::recall, "右 Ctrl").join('|').toStdString();

    PageServices services;
    SettingsPage settings(*services.model);
    EXPECT_EQ(labels(settings).filter("这台电脑上").size(), 1);
    EXPECT_EQ(labels(settings).filter("这台电脑 ").size(), 0);
    // The account subtitle (signed out) names this computer where it named the Mac, beside the phone.
    EXPECT_EQ(labels(settings).filter("iPhone 和这台电脑之间加密同步").size(), 1)
        << labels(settings).join('|').toStdString();

    FakeClock clock;
    MemoryStore empty(std::nullopt, {}, clock);
    MemoriesView memories(empty, clock, "右 Ctrl");
    const QLabel* help = memories.findChild<QLabel*>("help");
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->text().endsWith("\n记忆只存在这台电脑上；开云端识别时，名字会作为识别提示发送。"))
        << help->text().toStdString();
}

TEST(ThisComputerTexts, TheRecoveryCodeViewsSayTheKeyStaysInThisComputersKeyring) {
    FakeClock clock;
    FakeScheduler scheduler{clock};
    MemoryPasteboard pasteboard;
    AccountSection section({.clock = clock, .scheduler = scheduler, .pasteboard = pasteboard});
    const auto* saveIt = section.findChild<StyledLabel*>("recoveryNote");
    const auto* enterIt = section.findChild<StyledLabel*>("enterNote");
    ASSERT_TRUE(saveIt && enterIt);
    EXPECT_EQ(saveIt->text(), PlatformWords::recoveryCodeNote());
    EXPECT_EQ(enterIt->text(), PlatformWords::enterCodeNote());
    for (const QString& text : labels(section))
        EXPECT_FALSE(text.contains("iCloud") || text.contains("Apple 账号")) << text.toStdString();
}
