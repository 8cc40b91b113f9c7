// The clipboard tells when another program has first asked for what we put on it: once per write, for the
// clipboard's requests only (not the primary selection's).
#include "Platform/Linux/QtPasteboard.h"

#include "support/ChildProcess.h"

#include <QProcess>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

// Another program asks for `selection` as `target` and gets its answer.
bool askedAs(const QString& selection, const QString& target) {
    QProcess xclip;
    xclip.start("xclip", {"-o", "-selection", selection, "-t", target});
    return waitUntil([&] { return xclip.state() == QProcess::NotRunning; }, desktopDeadlineMs) &&
           xclip.exitCode() == 0;
}

} // namespace

TEST(QtPasteboardDesktop, TellsOnceWhenAnotherProgramFirstAsksForWhatWasWritten) {
    QtPasteboard clipboard;
    QtPasteboard selection(QClipboard::Selection);
    int clipboardAsks = 0, selectionAsks = 0;
    const Pasteboard::Item item{{"text/plain", QString("你好").toUtf8()}};
    clipboard.write({item});
    selection.write({item});
    ASSERT_TRUE(clipboard.whenFirstAsked([&] { ++clipboardAsks; }));
    ASSERT_TRUE(selection.whenFirstAsked([&] { ++selectionAsks; }));

    ASSERT_TRUE(askedAs("clipboard", "TARGETS"));
    EXPECT_TRUE(waitUntil([&] { return clipboardAsks == 1; }, desktopDeadlineMs));
    ASSERT_TRUE(askedAs("clipboard", "UTF8_STRING"));
    EXPECT_EQ(selectionAsks, 0);
    ASSERT_TRUE(askedAs("primary", "UTF8_STRING"));
    EXPECT_TRUE(waitUntil([&] { return selectionAsks == 1; }, desktopDeadlineMs));
    EXPECT_EQ(clipboardAsks, 1);

    // A write drops the wait for the contents it replaces.
    ASSERT_TRUE(clipboard.whenFirstAsked([&] { ++clipboardAsks; }));
    clipboard.write({item});
    ASSERT_TRUE(askedAs("clipboard", "TARGETS"));
    // A request that comes later is told later: once the selection's is, the clipboard's would have been.
    ASSERT_TRUE(selection.whenFirstAsked([&] { ++selectionAsks; }));
    ASSERT_TRUE(askedAs("primary", "TARGETS"));
    EXPECT_TRUE(waitUntil([&] { return selectionAsks == 2; }, desktopDeadlineMs));
    EXPECT_EQ(clipboardAsks, 1);
}
