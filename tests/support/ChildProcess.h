#pragma once

#include <QProcess>
#include <QStringList>

#include <functional>

namespace mivora::test {

// A helper program run by a desktop test ("another application"). Its standard output is collected line
// by line while the test waits with the event loop running, so this process keeps answering X11 and
// D-Bus requests (clipboard transfers, accessibility calls) meanwhile. Ended by its own process id.
class ChildProcess {
public:
    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts a program built beside the test executable.
    bool start(const QString& name, const QStringList& args = {});
    // Waits until a line equal to `line` has been printed; false on time-out or exit.
    bool waitForLine(const QString& line, int timeoutMs = 10000);
    QStringList lines() const { return lines_; }
    qint64 pid() const { return process_.processId(); }
    void stop();

private:
    QProcess process_;
    QStringList lines_;
    QByteArray partial_;
};

// Runs the event loop until `done` is true or the time is up; returns `done()`.
bool waitUntil(const std::function<bool()>& done, int timeoutMs);

// Runs a command to the end (event loop running) and returns its standard output; empty on failure.
QByteArray runCommand(const QString& program, const QStringList& args, int timeoutMs = 10000);

} // namespace mivora::test
