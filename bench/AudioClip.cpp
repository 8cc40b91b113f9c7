// The measures the voice controller takes of a finished 10 s take: normalisation, voiced duration and the
// WAV image, together and one by one, plus writing the temporary WAV file.

#include "Audio/AudioClip.h"

#include <QFile>

#include <benchmark/benchmark.h>

#include <cmath>
#include <random>
#include <vector>

using namespace mivora;

namespace {

// 10 s of a quiet take: background noise with bursts of "speech" (two tones under an envelope), peak
// about 0.2 so normalisation has work to do.
const AudioClip& tenSeconds() {
    static const AudioClip clip = [] {
        std::mt19937 rng(7);
        std::normal_distribution<double> noise(0, 60);
        std::vector<std::int16_t> s(10 * AudioClip::sampleRate);
        for (size_t i = 0; i < s.size(); ++i) {
            const double t = double(i) / AudioClip::sampleRate;
            const double burst = std::fmod(t, 1.25) < 0.8 ? std::sin(M_PI * std::fmod(t, 1.25) / 0.8) : 0;
            const double voice =
                burst * (4000 * std::sin(2 * M_PI * 180 * t) + 2000 * std::sin(2 * M_PI * 720 * t));
            s[i] = std::int16_t(std::lround(voice + noise(rng)));
        }
        return AudioClip(std::move(s));
    }();
    return clip;
}

void BM_ClipAllThree(benchmark::State& state) {
    const AudioClip& clip = tenSeconds();
    for (auto _ : state) {
        AudioClip louder = clip.normalized(0.5f, 40);
        double voiced = louder.voicedDuration();
        QByteArray wav = louder.wav();
        benchmark::DoNotOptimize(voiced);
        benchmark::DoNotOptimize(wav.data());
    }
    state.counters["voiced_s"] = tenSeconds().normalized(0.5f, 40).voicedDuration();
    state.counters["peak"] = tenSeconds().peak;
}
BENCHMARK(BM_ClipAllThree)->Unit(benchmark::kMillisecond);

void BM_ClipNormalized(benchmark::State& state) {
    for (auto _ : state) {
        AudioClip louder = tenSeconds().normalized(0.5f, 40);
        benchmark::DoNotOptimize(louder.samples.data());
    }
}
BENCHMARK(BM_ClipNormalized)->Unit(benchmark::kMillisecond);

void BM_ClipVoicedDuration(benchmark::State& state) {
    for (auto _ : state) {
        double voiced = tenSeconds().voicedDuration();
        benchmark::DoNotOptimize(voiced);
    }
}
BENCHMARK(BM_ClipVoicedDuration)->Unit(benchmark::kMillisecond);

void BM_ClipWav(benchmark::State& state) {
    for (auto _ : state) {
        QByteArray wav = tenSeconds().wav();
        benchmark::DoNotOptimize(wav.data());
    }
}
BENCHMARK(BM_ClipWav)->Unit(benchmark::kMillisecond);

// Writing the temporary file (in $TMPDIR); the removal is not timed.
void BM_ClipWriteWav(benchmark::State& state) {
    for (auto _ : state) {
        const QString path = tenSeconds().writeWAV();
        state.PauseTiming();
        QFile::remove(path);
        state.ResumeTiming();
    }
}
BENCHMARK(BM_ClipWriteWav)->Unit(benchmark::kMillisecond);

} // namespace

BENCHMARK_MAIN();
