#include "RecognizeMode.h"

#include "Audio/FileSource.h"
#include "Cloud/CloudRecognizer.h"
#include "Support/Clock.h"
#include "Support/Scheduler.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QTextStream>

#include <exception>

namespace mivora {

namespace {

QCoro::Task<int> recognizeFile(QString path) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    const auto recognizer = CloudRecognizer::make(Scheduler::main(), Clock::system());
    if (!recognizer) {
        err << QStringLiteral("云端识别还没配置好") << Qt::endl;
        co_return 1;
    }
    QString message;
    try {
        const AudioClip clip = FileSource::load(path);
        const QString text = co_await recognizer->recognize(clip, {});
        out << text << Qt::endl;
        co_return 0;
    } catch (const std::exception& e) {
        // Every error of ours carries its user-facing text in what().
        message = QString::fromUtf8(e.what());
    } catch (...) {
        message = QStringLiteral("识别失败");
    }
    err << message << Qt::endl;
    co_return 1;
}

} // namespace

int runRecognizeMode(const QString& audioFile) {
    const int status = QCoro::waitFor(recognizeFile(audioFile));
    // Let what the run queued for later (released timers) finish before the process ends.
    QCoreApplication::sendPostedEvents();
    return status;
}

} // namespace mivora
