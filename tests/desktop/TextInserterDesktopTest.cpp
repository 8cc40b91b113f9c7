#include "Dictation/TextInserter.h"
#include "Platform/Desktop.h"
#include "Platform/FrontApplication.h"

#include "support/ChildProcess.h"

#include <QCoro/QCoroTask>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

QByteArray clipboardAs(const QString& target) {
    return runCommand("xclip", {"-o", "-selection", "clipboard", "-t", target});
}

// Starts the line-edit window of another process and waits until it has the keyboard focus.
bool startTarget(ChildProcess& target) {
    if (!target.start("mivora_target") || !target.waitForLine("ready")) return false;
    return waitUntil(
        [&] {
            const auto app = Desktop::frontApplication().current();
            return app && app->pid == target.pid();
        },
        5000);
}

} // namespace

TEST(TextInserterDesktop, PastesIntoAnotherApplicationAndGivesTextAndImageBack) {
    ChildProcess owner;
    ASSERT_TRUE(owner.start("mivora_clipboard", {"之前复制的", "#3366cc"}));
    ASSERT_TRUE(owner.waitForLine("ready"));
    const QByteArray image = clipboardAs("image/png");
    ASSERT_TRUE(image.startsWith("\x89PNG"));
    ASSERT_EQ(clipboardAs("UTF8_STRING"), QString("之前复制的").toUtf8());

    ChildProcess target;
    ASSERT_TRUE(startTarget(target));

    TextInserter inserter;
    QString focus;
    inserter.onFocus = [&](const QString& detail) { focus = detail; };
    const InsertResult result = QCoro::waitFor(inserter.insert("你好，Mivora"));
    EXPECT_EQ(result, InsertResult::inserted());
    EXPECT_EQ(focus, "AXTextField（" + Desktop::frontApplication().current()->identifier + "）");

    EXPECT_TRUE(target.waitForLine("text:你好，Mivora", 5000)) << target.lines().join('\n').toStdString();
    owner.stop(); // the old owner is gone: what comes back is our copy of its data

    waitUntil([] { return false; }, 1000); // past the restore delay
    EXPECT_EQ(clipboardAs("UTF8_STRING"), QString("之前复制的").toUtf8());
    EXPECT_EQ(clipboardAs("image/png"), image);
    const QByteArray targets = clipboardAs("TARGETS");
    EXPECT_FALSE(targets.contains("org.nspasteboard.TransientType")) << targets.toStdString();
}

TEST(TextInserterDesktop, ClassifiesTheFocusedLineEditAsText) {
    ChildProcess target;
    ASSERT_TRUE(startTarget(target));
    TextInserter inserter;
    const TextInserter::Focus focus = inserter.inspectFocus();
    EXPECT_EQ(focus.kind, FocusKind::text) << focus.detail.toStdString();
    EXPECT_TRUE(focus.detail.startsWith("AXTextField（")) << focus.detail.toStdString();
    EXPECT_FALSE(TextInserter::secureInputOn());
}
