#pragma once

#include "support/ChildProcess.h"

#include <QProcess>
#include <QProcessEnvironment>
#include <QRegularExpression>

namespace mivora::test {

// A test window ("another application") started with an environment of its own (an input method's, say):
// the Qt one built beside the tests or the GTK one, speaking the lines of `ChildProcess`. Killed at the end.
class TargetWindow {
public:
    ~TargetWindow() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    bool start(const QString& program, const QStringList& args,
               const QProcessEnvironment& env = QProcessEnvironment::systemEnvironment()) {
        process_.setProcessEnvironment(env);
        process_.start(program, args);
        return process_.waitForStarted(desktopDeadlineMs);
    }
    qint64 processId() const { return process_.processId(); }
    // What it said on its standard error (for a failure's message).
    QString errors() {
        return QString::fromUtf8(process_.readAllStandardError()) + process_.errorString() + " " +
               QString::number(process_.exitCode());
    }
    QStringList lines() { return QString::fromUtf8(output_ += process_.readAllStandardOutput()).split('\n'); }
    // Every text the field has had, in order.
    QStringList texts() {
        QStringList out;
        for (const QString& line : lines().filter(QRegularExpression("^text:")))
            out << line.mid(5);
        return out;
    }
    bool waitForLine(const QString& line, int timeoutMs = desktopDeadlineMs) {
        waitUntil([&] { return lines().contains(line) || process_.state() == QProcess::NotRunning; },
                  timeoutMs);
        return lines().contains(line);
    }

private:
    QProcess process_;
    QByteArray output_;
};

} // namespace mivora::test
