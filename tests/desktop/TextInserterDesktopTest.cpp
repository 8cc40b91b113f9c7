#include "Dictation/Permissions.h"
#include "Insertion/InsertPlan.h"
#include "Insertion/TextInserter.h"
#include "LiveVoiceSystem.h"

#include "LinuxDesktop.h"
#include "support/ChildProcess.h"

using namespace mivora;
using namespace mivora::test;

namespace {

// The clipboard as another application reads it (this process keeps serving it meanwhile).
QByteArray clipboardAs(const QString& target) {
    QProcess xclip;
    xclip.start("xclip", {"-o", "-selection", "clipboard", "-t", target});
    waitUntil([&] { return xclip.state() == QProcess::NotRunning; }, 10000);
    return xclip.readAllStandardOutput();
}

// The inserter of the Linux platform, and another application in front of it.
class TextInserterDesktop : public LinuxDesktop {
protected:
    // The window is in front before its widget is announced on the accessibility bus; under load that
    // takes a moment longer.
    bool focusIs(FocusKind kind) {
        return waitUntil([&] { return inserter.currentFocus() == kind; }, 5000);
    }

    TextInserter inserter{*platform, scheduler};
    ChildProcess target;
};

TEST_F(TextInserterDesktop, PastesIntoAnotherApplicationAndGivesTextAndImageBack) {
    ChildProcess owner;
    ASSERT_TRUE(owner.start("mivora_clipboard", {"之前复制的"}) && owner.waitForLine("ready"));
    const QByteArray image = clipboardAs("image/png");
    ASSERT_TRUE(image.startsWith("\x89PNG"));
    ASSERT_TRUE(target.startInFront(platform->frontApplication(), "mivora_target"));

    ASSERT_TRUE(focusIs(FocusKind::text)) << inserter.inspectFocus().detail.toStdString();
    // Inserted, not copied: the focus read through AT-SPI is a text field.
    EXPECT_EQ(QCoro::waitFor(inserter.insert("你好，Mivora")), InsertResult::inserted());
    EXPECT_TRUE(target.waitForLine("text:你好，Mivora", 5000)) << target.lines().join('\n').toStdString();
    owner.stop(); // what comes back is our own copy of the old owner's data

    EXPECT_TRUE(
        waitUntil([] { return clipboardAs("UTF8_STRING") == QString("之前复制的").toUtf8(); }, 10000));
    EXPECT_EQ(clipboardAs("image/png"), image);
    EXPECT_FALSE(clipboardAs("TARGETS").contains("org.nspasteboard.TransientType"));
}

TEST_F(TextInserterDesktop, AReadOnlyTextViewIsNoTextFieldSoTheTextStaysCopied) {
    ASSERT_TRUE(target.startInFront(platform->frontApplication(), "mivora_target", {"--read-only"}));
    ASSERT_TRUE(focusIs(FocusKind::other)) << inserter.inspectFocus().detail.toStdString();
    EXPECT_EQ(QCoro::waitFor(inserter.insert("你好")), InsertResult::copied(InsertPlan::pasteHint));
    EXPECT_EQ(clipboardAs("UTF8_STRING"), QString("你好").toUtf8());
}

TEST_F(TextInserterDesktop, AFocusedPasswordFieldTurnsSecureInputOn) {
    Permissions permissions(*platform, defaults);
    const VoiceController::System live = liveVoiceSystem(*platform, permissions, defaults);
    ASSERT_TRUE(target.startInFront(platform->frontApplication(), "mivora_target", {"--password"}));
    EXPECT_TRUE(waitUntil([&] { return live.secureInput(); }, 5000))
        << inserter.inspectFocus().detail.toStdString();
}

} // namespace
