#pragma once

#include "Platform/FrontApplication.h"

#include <QCoreApplication>
#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <functional>

namespace mivora::test {

// How long a desktop test waits for what the desktop does in well under a second when idle: far above the
// work, so a busy machine passes too.
constexpr int desktopDeadlineMs = 30000;

// Runs the event loop (so this process keeps answering clipboard and accessibility requests) until `done`
// is true or the time is up; returns `done()`.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    return QTest::qWaitFor(done, timeoutMs);
}

// A selection ("clipboard" or "primary") as another application reads it (this process keeps serving it
// meanwhile).
inline QByteArray selectionAs(const QString& selection, const QString& target) {
    QProcess xclip;
    xclip.start("xclip", {"-o", "-selection", selection, "-t", target});
    waitUntil([&] { return xclip.state() == QProcess::NotRunning; }, desktopDeadlineMs);
    return xclip.readAllStandardOutput();
}
inline QByteArray clipboardAs(const QString& target) {
    return selectionAs("clipboard", target);
}
inline QByteArray primaryAs(const QString& target) {
    return selectionAs("primary", target);
}

// A program built beside the test executable (or named by its absolute path), run as "another application";
// killed at the end.
class ChildProcess {
public:
    ~ChildProcess() { stop(); }
    // `name` is a program beside the test executable, or one anywhere by its absolute path.
    bool start(const QString& name, const QStringList& args = {}) {
        const QString program =
            name.startsWith('/') ? name : QCoreApplication::applicationDirPath() + '/' + name;
        process_.start(program, args);
        return process_.waitForStarted(desktopDeadlineMs);
    }
    qint64 processId() const { return process_.processId(); }
    // The lines printed so far.
    QStringList lines() { return QString::fromUtf8(output_ += process_.readAllStandardOutput()).split('\n'); }
    // The text of its last "text:<text>" line; empty before the first.
    QString lastText() {
        const QStringList texts = lines().filter(QRegularExpression("^text:"));
        return texts.isEmpty() ? QString() : texts.last().mid(5);
    }
    // False on time-out or when the program ended without printing `line`.
    bool waitForLine(const QString& line, int timeoutMs = desktopDeadlineMs) {
        waitUntil([&] { return lines().contains(line) || process_.state() == QProcess::NotRunning; },
                  timeoutMs);
        return lines().contains(line);
    }
    // Starts the program, waits for its "ready" and until its window is the front application.
    bool startInFront(FrontApplication& front, const QString& name, const QStringList& args = {}) {
        return start(name, args) && waitForLine("ready") &&
               waitUntil([&] { return front.current().value_or(FrontApp{}).pid == process_.processId(); },
                         desktopDeadlineMs);
    }
    void stop() {
        process_.kill();
        process_.waitForFinished(5000);
    }

private:
    QProcess process_;
    QByteArray output_;
};

// The user's copy of `text`, made by another program as a user's is (a copy made by this process's own Qt
// is stamped with the time of the last X event it read, which on a busy machine can be older than the
// program's last restore: the X server then ignores it). True once the clipboard shows it.
inline bool copyInAnotherProgram(ChildProcess& owner, const QString& text) {
    return owner.start("mivora_clipboard", {text}) && owner.waitForLine("ready") &&
           waitUntil([&] { return clipboardAs("UTF8_STRING") == text.toUtf8(); }, desktopDeadlineMs);
}

} // namespace mivora::test
