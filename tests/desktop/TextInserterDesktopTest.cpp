#include "Dictation/TextInserter.h"
#include "Platform/Desktop.h"
#include "Platform/FrontApplication.h"
#include "Platform/Linux/OwnKeyEvents.h"
#include "Platform/Linux/X11Display.h"
#include "Support/Clock.h"

#include "support/ChildProcess.h"

#include <QCoro/QCoroTask>

#include <gtest/gtest.h>

#include <X11/Xlib.h>
#include <X11/keysym.h>

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
    // Each posted key event was announced first, so a key watcher can tell it is ours.
    Display* display = X11Display::shared();
    ASSERT_NE(display, nullptr);
    const int control = XKeysymToKeycode(display, XK_Control_L), v = XKeysymToKeycode(display, XK_v);
    const double now = Clock::system().uptime();
    for (const auto& [code, press] : {std::pair{control, true}, {v, true}, {v, false}, {control, false}})
        EXPECT_TRUE(OwnKeyEvents::shared().consume(code, press, now)) << code << (press ? " down" : " up");
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

TEST(TextInserterDesktop, WithoutAFocusedFieldLeavesTheTextToPasteByHand) {
    ChildProcess target;
    ASSERT_TRUE(startTarget(target));
    target.stop(); // the focused window goes away with its process
    ASSERT_TRUE(waitUntil([] { return !Desktop::frontApplication().current(); }, 5000));

    TextInserter inserter;
    QString focus;
    inserter.onFocus = [&](const QString& detail) { focus = detail; };
    EXPECT_EQ(QCoro::waitFor(inserter.insert("留在剪贴板")), InsertResult::copied("没出现的话，按 ⌘V 粘贴"));
    EXPECT_EQ(focus, "无焦点 -25212（?）");
    waitUntil([] { return false; }, 1000);
    EXPECT_EQ(clipboardAs("UTF8_STRING"), QString("留在剪贴板").toUtf8());
    EXPECT_FALSE(clipboardAs("TARGETS").contains("org.nspasteboard.TransientType"));
}
