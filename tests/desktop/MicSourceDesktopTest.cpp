#include "Audio/MicSource.h"
#include "Platform/Linux/LinuxPlatform.h"
#include "Support/Clock.h"
#include "Support/Scheduler.h"

#include "support/MemoryDefaults.h"
#include "support/MicFifo.h"
#include "support/ScopedEnv.h"
#include "support/Speech.h"
#include "support/TaskProbe.h"

#include <QCoreApplication>
#include <QProcess>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

// A microphone on the Linux platform's input.
struct LinuxMic {
    MemoryDefaults defaults;
    SystemClock clock;
    QtScheduler scheduler;
    std::unique_ptr<Platform> platform = LinuxPlatform::make(defaults, clock, scheduler);
    MicSource mic{platform->makeAudioInput(), scheduler};
};

} // namespace

// Stopped right after the last samples went in: the tail must still bring them all.
TEST(MicSourceDesktop, RecordsTheFedSamplesUpToTheLastWhenStoppedRightAfter) {
    ASSERT_TRUE(MicFifo::available());
    MicFifo::drain();
    LinuxMic live;
    MicSource& mic = live.mic;
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

// Qt connects to the sound server once per process, so the check without one runs in a child process.
TEST(MicSourceDesktop, NoSoundServerMeansNoInput) {
    const char* noServer = "unix:/nonexistent/pulse.sock";
    if (qgetenv("PULSE_SERVER") == noServer) {
        LinuxMic live;
        EXPECT_THROW(live.mic.start([](float) {}), MicSource::MicError);
        return;
    }
    ScopedEnv env("PULSE_SERVER", noServer);
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=MicSourceDesktop.NoSoundServerMeansNoInput"});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QByteArray output = child.readAllStandardOutput();
    EXPECT_TRUE(child.exitCode() == 0 && output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}
