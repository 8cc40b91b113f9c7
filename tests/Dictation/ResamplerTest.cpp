#include "Dictation/Resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <thread>

using namespace mivora;

namespace {

// Interleaved float frames: every channel carries its own amplitude of one sine.
std::vector<float> sine(double rate, std::size_t frames, std::vector<float> amplitudes, double hz = 440) {
    std::vector<float> out;
    out.reserve(frames * amplitudes.size());
    for (std::size_t i = 0; i < frames; ++i)
        for (float a : amplitudes)
            out.push_back(a * float(std::sin(2 * std::numbers::pi * hz * double(i) / rate)));
    return out;
}

double rms(const std::vector<std::int16_t>& s, std::size_t from, std::size_t to) {
    double sum = 0;
    for (std::size_t i = from; i < to; ++i)
        sum += double(s[i]) * double(s[i]);
    return std::sqrt(sum / double(to - from)) / 32767.0;
}

// Feeds the buffer in capture-sized chunks, then flushes and takes the result.
template <typename T>
std::vector<std::int16_t> convertAll(Resampler& r, const std::vector<T>& data,
                                     std::size_t chunkFrames = 1024) {
    const std::size_t step = chunkFrames * std::size_t(r.channels());
    for (std::size_t i = 0; i < data.size(); i += step)
        r.append(std::span<const T>(data.data() + i, std::min(step, data.size() - i)));
    r.flush();
    return r.takeSamples();
}

} // namespace

TEST(Resampler, RefusesFormatsWithoutAConverter) {
    EXPECT_EQ(Resampler::make(0, 1), nullptr);
    EXPECT_EQ(Resampler::make(-44100, 2), nullptr);
    EXPECT_EQ(Resampler::make(48000, 0), nullptr);
    EXPECT_EQ(Resampler::make(std::nan(""), 1), nullptr);
    EXPECT_NE(Resampler::make(44100, 6), nullptr);
}

TEST(Resampler, StereoAt48kBecomesOneThirdAsManyMonoSamples) {
    auto r = Resampler::make(48000, 2);
    ASSERT_TRUE(r);
    // Left at half scale, right silent: the mix is their average, not either channel alone.
    const auto in = sine(48000, 48000, {0.5f, 0.0f});
    const auto out = convertAll(*r, in);
    EXPECT_NEAR(double(out.size()), 16000.0, 4.0); // flush recovers the filter delay
    EXPECT_NEAR(rms(out, 2000, 14000), 0.25 / std::sqrt(2.0), 0.005);
    EXPECT_TRUE(r->takeSamples().empty()); // taking leaves nothing behind
}

TEST(Resampler, FlushRecoversTheFilterDelayAndStartsFresh) {
    auto r = Resampler::make(44100, 1);
    ASSERT_TRUE(r);
    const auto in = sine(44100, 4410, {0.3f});
    r->append(std::span<const float>(in));
    const std::size_t before = r->takeSamples().size();
    r->flush();
    const std::size_t drained = r->takeSamples().size();
    EXPECT_NEAR(double(before + drained), 1600.0, 2.0);
    EXPECT_GT(drained, 0u);
    // After a flush the next take is converted on its own, at the same length.
    EXPECT_NEAR(double(convertAll(*r, in).size()), 1600.0, 2.0);
}

TEST(Resampler, ReturnsTheLevelOfEachChunk) {
    auto r = Resampler::make(16000, 1);
    ASSERT_TRUE(r);
    EXPECT_EQ(r->append(std::span<const std::int16_t>()), 0.0f);
    const std::vector<std::int16_t> silence(1600, 0);
    r->append(std::span<const std::int16_t>(silence));
    EXPECT_EQ(r->append(std::span<const std::int16_t>(silence)), 0.0f);
    // A full-scale-ish sine in 16-bit: RMS of amplitude 0.8 is 0.8 / sqrt 2.
    std::vector<std::int16_t> loud;
    for (float f : sine(16000, 3200, {0.8f}))
        loud.push_back(std::int16_t(std::lround(f * 32767)));
    r->append(std::span<const std::int16_t>(loud.data(), 1600));
    EXPECT_NEAR(r->append(std::span<const std::int16_t>(loud.data() + 1600, 1600)), 0.8 / std::sqrt(2.0),
                0.01);
}

TEST(Resampler, KeepsExactSilenceExact) {
    auto r = Resampler::make(48000, 2);
    ASSERT_TRUE(r);
    const std::vector<std::int16_t> zeros(2 * 9600, 0);
    const auto out = convertAll(*r, zeros);
    ASSERT_FALSE(out.empty());
    for (std::int16_t s : out)
        ASSERT_EQ(s, 0);
}

TEST(Resampler, OwnerTakesSamplesWhileACaptureThreadAppends) {
    auto r = Resampler::make(48000, 1);
    ASSERT_TRUE(r);
    const auto chunk = sine(48000, 1024, {0.2f});
    std::vector<std::int16_t> taken;
    std::thread capture([&] {
        for (int i = 0; i < 300; ++i)
            r->append(std::span<const float>(chunk));
    });
    for (int i = 0; i < 200; ++i) {
        auto part = r->takeSamples();
        taken.insert(taken.end(), part.begin(), part.end());
        std::this_thread::yield();
    }
    capture.join();
    r->flush();
    auto rest = r->takeSamples();
    taken.insert(taken.end(), rest.begin(), rest.end());
    EXPECT_NEAR(double(taken.size()), 300.0 * 1024 / 3, 4.0);
}
