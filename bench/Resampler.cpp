// Converting 48 kHz stereo capture buffers (1024 frames, as the microphone delivers them) to the engine
// format. Target: 500 times real time or better.
#include "Audio/Resampler.h"

#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

using namespace mivora;

namespace {

void BM_Resample48kStereo(benchmark::State& state) {
    constexpr std::size_t frames = 1024;
    constexpr double seconds = 10.0;
    const std::size_t buffers = std::size_t(seconds * 48000 / frames);
    std::vector<float> buffer(frames * 2);
    for (std::size_t i = 0; i < frames; ++i) {
        buffer[2 * i] = 0.4f * float(std::sin(2 * std::numbers::pi * 440 * double(i) / 48000));
        buffer[2 * i + 1] = 0.3f * float(std::sin(2 * std::numbers::pi * 660 * double(i) / 48000));
    }
    auto resampler = Resampler::make(48000, 2);
    for (auto _ : state) {
        for (std::size_t b = 0; b < buffers; ++b)
            benchmark::DoNotOptimize(resampler->append(std::span<const float>(buffer)));
        resampler->flush();
        benchmark::DoNotOptimize(resampler->takeSamples());
    }
    // Seconds of audio per second of work: the real-time factor.
    state.counters["xRealTime"] =
        benchmark::Counter(seconds * double(state.iterations()), benchmark::Counter::kIsRate);
}

void BM_Resample48kStereoInt16(benchmark::State& state) {
    constexpr std::size_t frames = 1024;
    constexpr double seconds = 10.0;
    const std::size_t buffers = std::size_t(seconds * 48000 / frames);
    std::vector<std::int16_t> buffer(frames * 2);
    for (std::size_t i = 0; i < buffer.size(); ++i)
        buffer[i] = std::int16_t(std::lround(12000 * std::sin(double(i) * 0.03)));
    auto resampler = Resampler::make(48000, 2);
    for (auto _ : state) {
        for (std::size_t b = 0; b < buffers; ++b)
            benchmark::DoNotOptimize(resampler->append(std::span<const std::int16_t>(buffer)));
        resampler->flush();
        benchmark::DoNotOptimize(resampler->takeSamples());
    }
    state.counters["xRealTime"] =
        benchmark::Counter(seconds * double(state.iterations()), benchmark::Counter::kIsRate);
}

} // namespace

BENCHMARK(BM_Resample48kStereo)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_Resample48kStereoInt16)->Unit(benchmark::kMillisecond);

BENCHMARK_MAIN();
