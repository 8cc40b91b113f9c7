#include "Modes/RecognizeMode.h"

#include "Audio/FileSource.h"
#include "Audio/TakeRecordings.h"
#include "Cloud/CloudRecognizer.h"
#include "Support/Clock.h"
#include "Support/Defaults.h"
#include "Support/HttpClient.h"
#include "Support/Scheduler.h"
#include "Support/UserError.h"

#include <QCoreApplication>
#include <QCoro/QCoroTask>
#include <QTextStream>

namespace mivora {

namespace {

QCoro::Task<int> recognizeFile(QString path, CloudRecognizer* recognizer) {
    QTextStream out(stdout);
    QTextStream err(stderr);
    if (!recognizer) {
        err << QStringLiteral("云端识别还没配置好") << Qt::endl;
        co_return 1;
    }
    try {
        const AudioClip clip = FileSource::load(path);
        const QString text = co_await recognizer->recognize(clip, {});
        out << text << Qt::endl;
        co_return 0;
    } catch (...) {
        err << UserError::messageOf(std::current_exception())
                   .value_or(QStringLiteral("出了点问题，稍后再试。"))
            << Qt::endl;
    }
    co_return 1;
}

} // namespace

int runRecognizeMode(const QString& audioFile) {
    // Locals, so they go while the application object still exists: the HTTP client's socket notifiers
    // belong to it.
    // Its recording stays its own while it runs (a start beside it removes only what killed runs left); it
    // removes nothing itself: the file it is given may be named like a recording.
    const TakeRecordings recordings(TakeRecordings::defaultLock(), false);
    SystemClock clock;
    QtScheduler scheduler;
    SettingsDefaults defaults;
    HttpClient network(scheduler);
    const auto recognizer = CloudRecognizer::make(network, defaults, scheduler, clock);
    const int status = QCoro::waitFor(recognizeFile(audioFile, recognizer.get()));
    // Let what the run queued for later (released timers) finish before the process ends.
    QCoreApplication::sendPostedEvents();
    return status;
}

} // namespace mivora
