#include "Insertion/TextInserter.h"
#include "Platform/Desktop.h"
#include "Platform/FrontApplication.h"

#include "support/ChildProcess.h"

#include <gtest/gtest.h>

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

// Starts the line-edit window of another process and waits until it is in front.
bool startTarget(ChildProcess& target) {
    return target.start("mivora_target") && target.waitForLine("ready") &&
           waitUntil(
               [&] { return Desktop::frontApplication().current().value_or(FrontApp{}).pid == target.pid(); },
               5000);
}

} // namespace

TEST(TextInserterDesktop, PastesIntoAnotherApplicationAndGivesTextAndImageBack) {
    ChildProcess owner, target;
    ASSERT_TRUE(owner.start("mivora_clipboard", {"之前复制的"}) && owner.waitForLine("ready"));
    const QByteArray image = clipboardAs("image/png");
    ASSERT_TRUE(image.startsWith("\x89PNG"));
    ASSERT_TRUE(startTarget(target));

    TextInserter inserter;
    // The window is in front before its line edit is announced on the accessibility bus; under load that
    // takes a moment longer.
    ASSERT_TRUE(waitUntil([&] { return inserter.currentFocus() == FocusKind::text; }, 5000))
        << inserter.inspectFocus().detail.toStdString();
    // Inserted, not copied: the focus read through AT-SPI is a text field.
    EXPECT_EQ(QCoro::waitFor(inserter.insert("你好，Mivora")), InsertResult::inserted());
    EXPECT_TRUE(target.waitForLine("text:你好，Mivora", 5000)) << target.lines().join('\n').toStdString();
    owner.stop(); // what comes back is our own copy of the old owner's data

    QTest::qWait(1000); // past the restore delay
    EXPECT_EQ(clipboardAs("UTF8_STRING"), QString("之前复制的").toUtf8());
    EXPECT_EQ(clipboardAs("image/png"), image);
    EXPECT_FALSE(clipboardAs("TARGETS").contains("org.nspasteboard.TransientType"));
    EXPECT_FALSE(TextInserter::secureInputOn());
}
