// Local overhead of one dictation for a 10 s take against a loopback server that answers at once: WAV
// writing, multipart body, request and answer handling, filters and the Simplified conversion. The server
// runs in this process, so its (small) share is included. Target: 15 ms or less per take.
#include "Cloud/CloudRecognizer.h"
#include "Support/HttpClient.h"
#include "support/FakeOpenAI.h"
#include "support/MemoryDefaults.h"
#include "support/TaskProbe.h"

#include <QCoreApplication>
#include <QTemporaryDir>

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

void run(benchmark::State& state, const QString& transcript, const QString* tidied) {
    FakeOpenAI server;
    server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription(transcript));
    if (tidied) server.respond("/v1/chat/completions", FakeOpenAI::chat(*tidied));
    HttpClient network;
    MemoryDefaults defaults;
    SystemClock clock;
    QtScheduler scheduler;
    CloudRecognizer recognizer(CloudASR(network, defaults, server.url("/v1"), "gpt-4o-transcribe",
                                        "gpt-6-luna", "low", QStringLiteral("sk-bench")),
                               CloudRecognizer::AccountToken(), scheduler, clock);
    const AudioClip clip = tenSeconds();
    const QStringList words = vocabulary();
    // One call outside the loop opens the keep-alive connection, as the warm-up does in the program.
    TaskProbe<QString>(recognizer.recognize(clip, words)).wait();
    for (auto _ : state) {
        TaskProbe<QString> probe(recognizer.recognize(clip, words));
        if (!probe.wait() || probe.error()) {
            state.SkipWithError("recognition failed");
            break;
        }
        benchmark::DoNotOptimize(probe.value());
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

BENCHMARK(BM_RecognizeClean)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RecognizeWithCleanUp)->Unit(benchmark::kMillisecond)->UseRealTime();

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
