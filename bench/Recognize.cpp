// Local overhead of one dictation for a 10 s take against a loopback server in another process that answers
// at once: WAV writing, multipart body, request and answer handling, filters and the Simplified conversion.
// As in the program, the take's warm-up has opened the connection before the timed part (it happens at
// the key press); the first recognition of the process is reported apart ("first_ms"). The event loop
// runs without sleeping while a recognition waits. Target: 15 ms or less per take.
#include "Cloud/CloudRecognizer.h"
#include "Support/HttpClient.h"
#include "support/MemoryDefaults.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QProcess>
#include <QTemporaryDir>
#include <QTimer>

#include <benchmark/benchmark.h>

using namespace mivora;
using namespace mivora::test;

namespace {

AudioClip tenSeconds() {
    std::vector<std::int16_t> samples(160000);
    std::uint32_t x = 12345;
    for (auto& s : samples) {
        x = x * 1664525u + 1013904223u;
        s = std::int16_t(int(x >> 16) % 6000 - 3000);
    }
    return AudioClip(std::move(samples));
}

QStringList vocabulary() {
    QStringList words;
    for (int i = 0; i < 40; ++i)
        words << QStringLiteral("词语%1").arg(i);
    return words;
}

// The API server program, started once per benchmark; its root URL.
struct Server {
    QProcess process;
    QUrl root;
    Server(const QString& transcript, const QString* tidied) {
        QStringList args{transcript};
        if (tidied) args << *tidied;
        process.start(MIVORA_API_SERVER_PATH, args);
        if (process.waitForReadyRead(10000)) root = QUrl(QString::fromUtf8(process.readLine()).trimmed());
    }
    ~Server() {
        process.kill();
        process.waitForFinished(5000);
    }
};

// Runs the event loop until `done` (checked after every event batch, no sleeping) or 10 s have passed.
bool spinUntil(const std::function<bool()>& done) {
    QElapsedTimer limit;
    limit.start();
    while (!done() && limit.elapsed() < 10000)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    return done();
}

QCoro::Task<> recognizeInto(CloudRecognizer& recognizer, AudioClip clip, QStringList words,
                            std::optional<QString>& text, bool& failed) {
    try {
        text = co_await recognizer.recognize(std::move(clip), std::move(words));
    } catch (...) {
        failed = true;
    }
}

void run(benchmark::State& state, const QString& transcript, const QString* tidied) {
    const Server server(transcript, tidied);
    if (server.root.isEmpty()) return state.SkipWithError("the API server did not start");
    QtScheduler scheduler;
    HttpClient network(scheduler);
    MemoryDefaults defaults;
    SystemClock clock;
    CloudRecognizer recognizer(CloudASR(network, defaults, server.root.resolved(QUrl("v1")),
                                        "gpt-4o-transcribe", "gpt-6-luna", "low", QStringLiteral("sk-bench")),
                               CloudRecognizer::AccountToken(), scheduler, clock);
    const AudioClip clip = tenSeconds();
    const QStringList words = vocabulary();
    bool first = true;
    for (auto _ : state) {
        recognizer.warmUp(); // at the key press, seconds before the upload
        if (!spinUntil([&] { return network.running() == 0; }))
            return state.SkipWithError("no warm-up answer");
        std::optional<QString> text;
        bool failed = false;
        QElapsedTimer timer;
        timer.start();
        recognizeInto(recognizer, clip, words, text, failed);
        if (!spinUntil([&] { return text || failed; }) || failed)
            return state.SkipWithError("recognition failed");
        const double seconds = double(timer.nsecsElapsed()) / 1e9;
        state.SetIterationTime(seconds);
        if (std::exchange(first, false)) state.counters["first_ms"] = seconds * 1000;
        benchmark::DoNotOptimize(text);
    }
}

void BM_RecognizeClean(benchmark::State& state) {
    run(state, QStringLiteral("明天下午在溪山樓開會。"), nullptr);
}

void BM_RecognizeWithCleanUp(benchmark::State& state) {
    const QString tidied = QStringLiteral("明天下午四点在溪山楼开会，请大家准时参加，会议大概一个小时。");
    run(state, QStringLiteral("嗯明天下午三点不对四点在溪山樓開會那個請大家準時參加會議大概一個小時"),
        &tidied);
}

} // namespace

BENCHMARK(BM_RecognizeClean)->Unit(benchmark::kMillisecond)->UseManualTime();
BENCHMARK(BM_RecognizeWithCleanUp)->Unit(benchmark::kMillisecond)->UseManualTime();

int main(int argc, char** argv) {
    // Keep the device identifier and any other settings out of the real home.
    QTemporaryDir home;
    qputenv("HOME", home.path().toUtf8());
    qputenv("XDG_CONFIG_HOME", (home.path() + "/.config").toUtf8());
    QCoreApplication app(argc, argv);
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
