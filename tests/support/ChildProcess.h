#pragma once

#include "Platform/FrontApplication.h"

#include <QCoreApplication>
#include <QProcess>
#include <QTest>

#include <functional>

namespace mivora::test {

// Runs the event loop (so this process keeps answering clipboard and accessibility requests) until `done`
// is true or the time is up; returns `done()`.
inline bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    return QTest::qWaitFor(done, timeoutMs);
}

// The clipboard as another application reads it (this process keeps serving it meanwhile).
inline QByteArray clipboardAs(const QString& target) {
    QProcess xclip;
    xclip.start("xclip", {"-o", "-selection", "clipboard", "-t", target});
    waitUntil([&] { return xclip.state() == QProcess::NotRunning; }, 10000);
    return xclip.readAllStandardOutput();
}

// A program built beside the test executable, run as "another application"; killed at the end.
class ChildProcess {
public:
    ~ChildProcess() { stop(); }
    bool start(const QString& name, const QStringList& args = {}) {
        process_.start(QCoreApplication::applicationDirPath() + "/" + name, args);
        return process_.waitForStarted(5000);
    }
    qint64 processId() const { return process_.processId(); }
    // The lines printed so far.
    QStringList lines() { return QString::fromUtf8(output_ += process_.readAllStandardOutput()).split('\n'); }
    // False on time-out or when the program ended without printing `line`.
    bool waitForLine(const QString& line, int timeoutMs = 10000) {
        waitUntil([&] { return lines().contains(line) || process_.state() == QProcess::NotRunning; },
                  timeoutMs);
        return lines().contains(line);
    }
    // Starts the program, waits for its "ready" and until its window is the front application.
    bool startInFront(FrontApplication& front, const QString& name, const QStringList& args = {}) {
        return start(name, args) && waitForLine("ready") &&
               waitUntil([&] { return front.current().value_or(FrontApp{}).pid == process_.processId(); },
                         5000);
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
