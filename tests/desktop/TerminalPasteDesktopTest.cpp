// Text inserted while a terminal emulator is in front lands at its prompt: xterm pastes the primary
// selection with Shift+Insert, lxterminal the clipboard with Ctrl+Shift+V, and the user's clipboard and
// selection come back afterwards. The terminal runs `cat` into a file, which is read back.
#include "Insertion/TextInserter.h"

#include "LinuxDesktop.h"
#include "support/ChildProcess.h"

#include <QClipboard>
#include <QFile>
#include <QGuiApplication>
#include <QStandardPaths>
#include <QTemporaryDir>

using namespace mivora;
using namespace mivora::test;

namespace {

// The primary selection as another application reads it.
QByteArray selectionAs(const QString& target) {
    QProcess xclip;
    xclip.start("xclip", {"-o", "-selection", "primary", "-t", target});
    waitUntil([&] { return xclip.state() == QProcess::NotRunning; }, desktopDeadlineMs);
    return xclip.readAllStandardOutput();
}

struct TerminalPasteDesktop : LinuxDesktop {
    QTemporaryDir dir;
    QProcess terminal;

    ~TerminalPasteDesktop() override {
        terminal.kill();
        terminal.waitForFinished(5000);
    }
    QString received() const {
        QFile file(dir.filePath("received"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }
    // Starts the terminal with a shell that copies every byte typed into it, unbuffered, to a file, and
    // gives its window the keyboard once the shell runs.
    bool startTerminal(const QString& program, QStringList args) {
        if (QStandardPaths::findExecutable(program).isEmpty()) return false;
        const QString script = dir.filePath("cat.sh");
        QFile file(script);
        if (!file.open(QIODevice::WriteOnly)) return false;
        file.write("#!/bin/sh\nstty -icanon -echo\n: > \"$1/received\"\nexec cat >> \"$1/received\"\n");
        file.close();
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        terminal.start(program, args << "-e" << script + " " + dir.path());
        if (!terminal.waitForStarted(desktopDeadlineMs)) return false;
        if (!waitUntil([&] { return QFile::exists(dir.filePath("received")); }, desktopDeadlineMs))
            return false;
        QString window;
        const QString pid = QString::number(terminal.processId());
        waitUntil(
            [&] {
                window = runTool("xdotool", {"search", "--onlyvisible", "--pid", pid}).section('\n', 0, 0);
                return !window.isEmpty();
            },
            desktopDeadlineMs);
        if (window.isEmpty()) return false;
        runTool("xdotool", {"windowfocus", "--sync", window});
        return waitUntil(
            [&] {
                return platform->frontApplication().current().value_or(FrontApp{}).pid ==
                       terminal.processId();
            },
            desktopDeadlineMs);
    }
    void pasteAndGiveBack(PasteKeys expected) {
        const auto app = platform->frontApplication().current();
        ASSERT_TRUE(app);
        EXPECT_EQ(app->paste, expected) << app->identifier.toStdString();
        QGuiApplication::clipboard()->setText(QStringLiteral("之前复制的"), QClipboard::Clipboard);
        QGuiApplication::clipboard()->setText(QStringLiteral("之前选中的"), QClipboard::Selection);

        TextInserter inserter{*platform, scheduler};
        const QString text = QStringLiteral("终端里的字 abc");
        EXPECT_EQ(QCoro::waitFor(inserter.insert(text)), InsertResult::inserted());
        EXPECT_TRUE(waitUntil([&] { return received() == text; }, desktopDeadlineMs))
            << received().toStdString();
        EXPECT_TRUE(waitUntil([] { return clipboardAs("UTF8_STRING") == QString("之前复制的").toUtf8(); },
                              desktopDeadlineMs));
        EXPECT_TRUE(waitUntil([] { return selectionAs("UTF8_STRING") == QString("之前选中的").toUtf8(); },
                              desktopDeadlineMs));
    }
};

} // namespace

TEST_F(TerminalPasteDesktop, XtermGetsThePrimarySelectionWithShiftInsert) {
    ASSERT_TRUE(startTerminal("xterm", {"-class", "XTerm"})) << "xterm (scripts/install-deps)";
    pasteAndGiveBack(PasteKeys::shiftInsert);
}

TEST_F(TerminalPasteDesktop, LxterminalGetsTheClipboardWithControlShiftV) {
    ASSERT_TRUE(startTerminal("lxterminal", {"--no-remote"})) << "lxterminal (scripts/install-deps)";
    pasteAndGiveBack(PasteKeys::controlShiftV);
}
