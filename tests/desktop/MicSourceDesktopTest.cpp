#include "Audio/MicSource.h"

#include "LinuxDesktop.h"
#include "support/MicFifo.h"
#include "support/Speech.h"
#include "support/TaskProbe.h"

using namespace mivora;
using namespace mivora::test;

using MicSourceDesktop = LinuxDesktop;

// Stopped right after the last samples went in: the tail must still bring them all.
TEST_F(MicSourceDesktop, RecordsTheFedSamplesUpToTheLastWhenStoppedRightAfter) {
    MicFifo::drain();
    MicSource mic(platform->makeAudioInput(), scheduler);
    int meterCalls = 0;
    const TaskProbe<void> started(mic.start([&](float) { ++meterCalls; }));
    ASSERT_TRUE(started.wait(5000));
    started.get(); // the stream is up and reading
    const auto fed = speech(1.0, 1.0, 0.5).samples;
    EXPECT_TRUE(MicFifo::feed(fed));
    const TaskProbe<AudioClip> stopping(mic.stop());
    ASSERT_TRUE(stopping.wait(5000));
    const AudioClip clip = stopping.get();
    EXPECT_EQ(clip.samples.size(), fed.size());
    EXPECT_TRUE(clip.samples == fed);
    EXPECT_EQ(mic.lastDiagnosis(), "输入 1 声道 16000Hz");
    EXPECT_GT(meterCalls, 0);
}
