#pragma once

#include "support/ChildProcess.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

namespace mivora::test {

// A terminal emulator (xterm, lxterminal) whose shell copies every byte typed or pasted into it, unbuffered
// and unechoed, to a file that is read back: what a user's `cat > file` at a prompt would keep. Killed at the
// end.
class CatTerminal {
public:
    ~CatTerminal() {
        terminal_.kill();
        terminal_.waitForFinished(5000);
    }
    // Starts `program` with `args` and gives its window the keyboard once the shell runs. False when the
    // program is not installed or its window did not come up. A terminal whose window belongs to another
    // process (a terminal server) names that process in `windowOwner`.
    bool start(const QString& program, QStringList args, qint64 windowOwner = 0) {
        if (QStandardPaths::findExecutable(program).isEmpty()) return false;
        const QString script = dir_.filePath("cat.sh");
        QFile file(script);
        if (!file.open(QIODevice::WriteOnly)) return false;
        // The folder is written into the script: a terminal whose -e takes a program and no arguments in the
        // same word (cool-retro-term) runs it too.
        const QString received = dir_.filePath("received");
        file.write(QStringLiteral("#!/bin/sh\nstty -icanon -echo\n: > '%1'\nexec cat >> '%1'\n")
                       .arg(received)
                       .toUtf8());
        file.close();
        file.setPermissions(file.permissions() | QFileDevice::ExeOwner);
        terminal_.start(program, args << "-e" << script);
        if (!terminal_.waitForStarted(desktopDeadlineMs)) return false;
        if (!waitUntil([&] { return QFile::exists(dir_.filePath("received")); }, desktopDeadlineMs))
            return false;
        QString window;
        const QString pid = QString::number(windowOwner > 0 ? windowOwner : terminal_.processId());
        waitUntil(
            [&] {
                window = tool("xdotool", {"search", "--onlyvisible", "--pid", pid}).section('\n', 0, 0);
                return !window.isEmpty();
            },
            desktopDeadlineMs);
        if (window.isEmpty()) return false;
        tool("xdotool", {"windowfocus", "--sync", window});
        return true;
    }
    qint64 processId() const { return terminal_.processId(); }
    // Everything that reached the shell so far.
    QString received() const {
        QFile file(dir_.filePath("received"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    static QString tool(const QString& program, const QStringList& args) {
        QProcess p;
        p.start(program, args);
        if (!p.waitForFinished(5000)) return {};
        return QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    }

    QTemporaryDir dir_;
    QProcess terminal_;
};

} // namespace mivora::test
