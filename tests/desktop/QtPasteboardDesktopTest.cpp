// The clipboard tells when the front application has first asked for what we put on it: once per write, for
// the clipboard's requests only (not the primary selection's), whatever other programs ask meanwhile. What
// is kept from others goes to the front application only, until the next write.
#include "Platform/Linux/QtPasteboard.h"

#include "support/ChildProcess.h"

#include <QProcess>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

// Another program asks for `selection` as `target` and gets its answer; `answer` receives it.
bool askedAs(const QString& selection, const QString& target, QByteArray* answer = nullptr) {
    QProcess xclip;
    xclip.start("xclip", {"-o", "-selection", selection, "-t", target});
    const bool ok = waitUntil([&] { return xclip.state() == QProcess::NotRunning; }, desktopDeadlineMs) &&
                    xclip.exitCode() == 0;
    if (answer) *answer = xclip.readAllStandardOutput();
    return ok;
}

const Pasteboard::Item item{{"text/plain", QString("你好").toUtf8()}};

} // namespace

TEST(QtPasteboardDesktop, TellsOnceWhenTheFrontApplicationFirstAsksForWhatWasWritten) {
    bool frontAsks = false; // whether the next request counts as the front application's
    const auto fromFront = [&](unsigned long) { return frontAsks; };
    QtPasteboard clipboard(QClipboard::Clipboard, fromFront);
    QtPasteboard selection(QClipboard::Selection, fromFront);
    int clipboardAsks = 0, selectionAsks = 0;
    clipboard.write({item});
    selection.write({item});
    ASSERT_TRUE(clipboard.whenFirstAsked([&] { ++clipboardAsks; }));
    ASSERT_TRUE(selection.whenFirstAsked([&] { ++selectionAsks; }));

    // Another program (a clipboard manager) asks first: answered, and no call.
    ASSERT_TRUE(askedAs("clipboard", "TARGETS"));
    ASSERT_TRUE(askedAs("clipboard", "UTF8_STRING"));
    EXPECT_EQ(clipboardAsks, 0);
    frontAsks = true;
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

TEST(QtPasteboardDesktop, WhatIsKeptFromOthersGoesToTheFrontApplicationOnly) {
    bool frontAsks = false;
    QtPasteboard clipboard(QClipboard::Clipboard, [&](unsigned long) { return frontAsks; });
    clipboard.write({item});
    ASSERT_TRUE(clipboard.keepFromOthers());
    QByteArray answer;
    // Told of no data at all, not that the clipboard is empty: some managers take an empty one for a
    // clipboard to refill at once.
    ASSERT_TRUE(askedAs("clipboard", "TARGETS", &answer));
    EXPECT_EQ(answer, "TARGETS\nTIMESTAMP\n");
    for (const char* target : {"UTF8_STRING", "text/plain", "STRING"}) {
        EXPECT_FALSE(askedAs("clipboard", target, &answer)) << target;
        EXPECT_EQ(answer, QByteArray()) << target;
    }
    frontAsks = true;
    ASSERT_TRUE(askedAs("clipboard", "UTF8_STRING", &answer));
    EXPECT_EQ(answer, item.front().second);

    // The next write is for everyone again.
    frontAsks = false;
    clipboard.write({item});
    ASSERT_TRUE(askedAs("clipboard", "UTF8_STRING", &answer));
    EXPECT_EQ(answer, item.front().second);

    // Kept contents leave with the clipboard object (at the program's end, Qt would hand them to a clipboard
    // manager that keeps the clipboard of programs that quit).
    {
        QtPasteboard leaving(QClipboard::Clipboard, [](unsigned long) { return true; });
        leaving.write({item});
        ASSERT_TRUE(leaving.keepFromOthers());
    }
    EXPECT_FALSE(askedAs("clipboard", "UTF8_STRING", &answer));
}

// The front application has taken what was written once it asked for data, not for the list of types; and
// the clipboard tells at once when another program has taken it, before any notice of that has come.
TEST(QtPasteboardDesktop, TellsWhenTheFrontApplicationTookTheDataAndWhetherItIsStillOurs) {
    bool frontAsks = true;
    QtPasteboard clipboard(QClipboard::Clipboard, [&](unsigned long) { return frontAsks; });
    clipboard.write({item});
    EXPECT_TRUE(clipboard.stillOurs());
    int taken = 0;
    ASSERT_TRUE(clipboard.whenTaken([&] { ++taken; }));
    frontAsks = false;
    ASSERT_TRUE(askedAs("clipboard", "UTF8_STRING")); // another program's request is not the paste
    frontAsks = true;
    ASSERT_TRUE(askedAs("clipboard", "TARGETS"));
    QByteArray none;
    askedAs("clipboard", "text/plain;charset=utf-8", &none); // GTK's first ask: no data, so not taken
    EXPECT_EQ(none, QByteArray());
    QCoreApplication::processEvents();
    EXPECT_EQ(taken, 0);
    ASSERT_TRUE(askedAs("clipboard", "UTF8_STRING"));
    EXPECT_TRUE(waitUntil([&] { return taken == 1; }, desktopDeadlineMs));
    ASSERT_TRUE(askedAs("clipboard", "UTF8_STRING"));
    QCoreApplication::processEvents();
    EXPECT_EQ(taken, 1);

    ChildProcess other;
    ASSERT_TRUE(other.start("mivora_clipboard", {"别人的"}) && other.waitForLine("ready"));
    EXPECT_FALSE(clipboard.stillOurs());
}
