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

// The clipboard as another application reads it (this process keeps serving it meanwhile).
inline QByteArray clipboardAs(const QString& target) {
    QProcess xclip;
    xclip.start("xclip", {"-o", "-selection", "clipboard", "-t", target});
    waitUntil([&] { return xclip.state() == QProcess::NotRunning; }, desktopDeadlineMs);
    return xclip.readAllStandardOutput();
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

} // namespace mivora::test
