#include "Audio/Resampler.h"

#include <gtest/gtest.h>

#include <cmath>
#include <thread>

using namespace mivora;

// Mixing, rate conversion and the flush are checked through FileSource::load; the microphone checks the
// format before it makes a resampler.
TEST(Resampler, AppendReportsTheLevelOfTheMonoMix) {
    auto r = Resampler::make(48000, 2);
    ASSERT_TRUE(r);
    std::vector<float> in(2 * 4800); // left at half scale, right silent: the mix is their average
    for (std::size_t i = 0; i < in.size(); i += 2)
        in[i] = 0.5f * float(std::sin(0.0576 * double(i / 2)));
    float level = 0;
    for (std::size_t i = 0; i < in.size(); i += 1920) // capture-sized chunks
        level = r->append(std::span<const float>(in).subspan(i, 1920));
    EXPECT_NEAR(level, 0.25 / std::sqrt(2.0), 0.01);
}

TEST(Resampler, OwnerTakesSamplesWhileACaptureThreadAppends) {
    auto r = Resampler::make(48000, 1);
    ASSERT_TRUE(r);
    const std::vector<float> chunk(1024, 0.2f);
    std::size_t taken = 0;
    std::thread capture([&] {
        for (int i = 0; i < 300; ++i)
            r->append(std::span<const float>(chunk));
    });
    for (int i = 0; i < 200; ++i, std::this_thread::yield())
        taken += r->takeSamples().size();
    capture.join();
    r->flush();
    EXPECT_NEAR(double(taken + r->takeSamples().size()), 300.0 * 1024 / 3, 4.0);
}
