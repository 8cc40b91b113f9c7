#include "support/ChildProcess.h"

#include <QCoreApplication>
#include <QDeadlineTimer>
#include <QEventLoop>
#include <QThread>

namespace mivora::test {

ChildProcess::~ChildProcess() {
    stop();
}

bool ChildProcess::start(const QString& name, const QStringList& args) {
    QObject::connect(&process_, &QProcess::readyReadStandardOutput, [this] {
        partial_ += process_.readAllStandardOutput();
        qsizetype end;
        while ((end = partial_.indexOf('\n')) >= 0) {
            lines_ << QString::fromUtf8(partial_.left(end));
            partial_.remove(0, end + 1);
        }
    });
    process_.setProcessChannelMode(QProcess::SeparateChannels);
    process_.start(QCoreApplication::applicationDirPath() + "/" + name, args);
    return process_.waitForStarted(5000);
}

bool ChildProcess::waitForLine(const QString& line, int timeoutMs) {
    return waitUntil([&] { return lines_.contains(line) || process_.state() == QProcess::NotRunning; },
                     timeoutMs) &&
           lines_.contains(line);
}

void ChildProcess::stop() {
    if (process_.state() == QProcess::NotRunning) return;
    process_.kill();
    process_.waitForFinished(5000);
}

bool waitUntil(const std::function<bool()>& done, int timeoutMs) {
    QDeadlineTimer deadline(timeoutMs);
    while (!done()) {
        if (deadline.hasExpired()) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
        QThread::msleep(5);
    }
    return true;
}

QByteArray runCommand(const QString& program, const QStringList& args, int timeoutMs) {
    QProcess process;
    process.start(program, args);
    if (!process.waitForStarted(5000)) return {};
    if (!waitUntil([&] { return process.state() == QProcess::NotRunning; }, timeoutMs)) {
        process.kill();
        process.waitForFinished(5000);
        return {};
    }
    return process.readAllStandardOutput();
}

} // namespace mivora::test
