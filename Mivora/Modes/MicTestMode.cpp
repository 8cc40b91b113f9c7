#include "Modes/MicTestMode.h"

#include "Audio/MicSource.h"
#include "Platform/Linux/QtAudioInput.h"
#include "Support/Scheduler.h"

#include <QCoreApplication>
#include <QTextStream>

#include <algorithm>

namespace mivora {

namespace {
constexpr int steps = 6;
constexpr double step = 0.5;
} // namespace

QCoro::Task<int> testMicrophone(MicSource& mic, Scheduler& scheduler, QTextStream& out) {
    float loudest = 0;
    try {
        out << QStringLiteral("麦克风测试：录 %1 秒，请说几句话").arg(steps * step) << Qt::endl;
        co_await mic.start([&loudest](float level) { loudest = std::max(loudest, level); });
        for (int i = 0; i < steps; ++i) {
            auto pause = scheduler.sleep(step);
            co_await pause;
            out << QStringLiteral("电平 %1 %2").arg(loudest, 4, 'f', 2).arg(QString(int(loudest * 20), u'#'))
                << Qt::endl;
            loudest = 0;
        }
        const AudioClip clip = co_await mic.stop();
        out << QStringLiteral("麦克风：") << mic.lastDiagnosis() << Qt::endl;
        out << QStringLiteral("录到 %1 秒，峰值 %2").arg(clip.duration(), 0, 'f', 1).arg(clip.peak, 0, 'f', 3)
            << Qt::endl;
        if (clip.samples.empty()) {
            out << QStringLiteral("✗ 什么也没录到：麦克风没有送来声音") << Qt::endl;
            co_return 1;
        }
        if (mic.lastWasDigitalSilence()) {
            out << QStringLiteral("✗ 收到的全是 0：麦克风可能被静音，或没有权限") << Qt::endl;
            co_return 1;
        }
        out << (clip.isSilent() ? QStringLiteral("✓ 麦克风能用，但声音很小") : QStringLiteral("✓ 麦克风能用"))
            << Qt::endl;
        co_return 0;
    } catch (...) {
        mic.cancel();
        out << QStringLiteral("✗ ")
            << UserError::messageOf(std::current_exception()).value_or(QStringLiteral("麦克风打不开"))
            << Qt::endl;
    }
    co_return 1;
}

int runMicTestMode() {
    QtScheduler scheduler;
    MicSource mic(std::make_unique<QtAudioInput>(scheduler), scheduler);
    QTextStream out(stdout);
    const int status = QCoro::waitFor(testMicrophone(mic, scheduler, out));
    QCoreApplication::sendPostedEvents();
    return status;
}

} // namespace mivora
