#include "Dictation/MicSource.h"
#include "Platform/Linux/PulseDefaultSource.h"

#include "support/ChildProcess.h"
#include "support/MicFifo.h"

#include <QCoreApplication>
#include <QProcess>
#include <QProcessEnvironment>

#include <gtest/gtest.h>

#include <cmath>
#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

using namespace mivora;
using namespace mivora::test;

namespace {

// Records what is fed into the FIFO during one take.
AudioClip record(MicSource& mic, const std::vector<std::int16_t>& fed, int* meterCalls = nullptr) {
    MicFifo::drain();
    int calls = 0;
    mic.start([&](float) { ++calls; });
    waitUntil([] { return false; }, 300); // the stream is up and reading
    EXPECT_TRUE(MicFifo::feed(fed));
    waitUntil([] { return false; }, 700);
    AudioClip clip = mic.stop();
    if (meterCalls) *meterCalls = calls;
    return clip;
}

} // namespace

TEST(MicSourceDesktop, RecordsTheFedSamplesFromThePipeSource) {
    ASSERT_TRUE(MicFifo::available());
    MicSource mic;
    const auto fed = MicFifo::tone(16000, 0.5);
    int meterCalls = 0;
    const AudioClip clip = record(mic, fed, &meterCalls);
    EXPECT_EQ(clip.samples.size(), fed.size());
    EXPECT_TRUE(clip.samples == fed);
    EXPECT_EQ(mic.lastDiagnosis(), "输入 1 声道 16000Hz");
    EXPECT_FALSE(mic.lastWasDigitalSilence());
    EXPECT_GT(meterCalls, 0);

    // Exact zeros from the device are digital silence.
    const AudioClip zeros = record(mic, std::vector<std::int16_t>(8000, 0));
    EXPECT_EQ(zeros.samples.size(), 8000u);
    EXPECT_TRUE(mic.lastWasDigitalSilence());
}

TEST(MicSourceDesktop, RecordsFromTheSoundServersDefaultInput) {
    EXPECT_EQ(PulseDefaultSource::name(), "mic");
    ASSERT_EQ(QProcess::execute("pactl", {"set-default-source", "vmic"}), 0);
    EXPECT_EQ(PulseDefaultSource::name(), "vmic");
    QProcess::execute("pactl", {"set-default-source", "mic"});
    EXPECT_EQ(PulseDefaultSource::name(), "mic");
}

// Without a sound server there is no input device. Qt connects to the server once per process, so the
// check runs in a child process of this test program.
TEST(MicSourceDesktop, NoSoundServerMeansNoInput) {
    QProcess child;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("PULSE_SERVER", "unix:/nonexistent/pulse.sock");
    env.insert("MIVORA_NO_SOUND_SERVER", "1");
    child.setProcessEnvironment(env);
    child.start(QCoreApplication::applicationFilePath(),
                {"--gtest_filter=MicSourceWithoutServer.StartThrowsNoInput"});
    ASSERT_TRUE(child.waitForFinished(60000));
    const QString output = QString::fromUtf8(child.readAllStandardOutput());
    EXPECT_EQ(child.exitCode(), 0) << output.toStdString();
    EXPECT_TRUE(output.contains("[  PASSED  ] 1 test")) << output.toStdString();
}

TEST(MicSourceWithoutServer, StartThrowsNoInput) {
    if (qEnvironmentVariableIsEmpty("MIVORA_NO_SOUND_SERVER")) GTEST_SKIP() << "runs as a child process";
    MicSource mic;
    try {
        mic.start([](float) {});
        ADD_FAILURE() << "start did not throw";
    } catch (const MicSource::MicError& error) {
        EXPECT_EQ(error.kind(), MicSource::MicError::noInput);
        EXPECT_EQ(error.message(), "没有找到麦克风：在「系统设置 → 声音 → 输入」里选一个麦克风");
    }
    EXPECT_EQ(mic.lastDiagnosis(), "输入 0 声道 0Hz");
}

TEST(MicSourceDesktop, FollowsTheDefaultInputWhenItChangesDuringATake) {
    ASSERT_EQ(QProcess::execute("pactl", {"set-default-source", "vmic"}), 0);
    MicFifo::drain();
    MicSource mic;
    mic.start([](float) {});
    EXPECT_EQ(mic.lastDiagnosis(), "输入 1 声道 16000Hz");
    waitUntil([] { return false; }, 300);
    ASSERT_EQ(QProcess::execute("pactl", {"set-default-source", "mic"}), 0);
    const bool moved = waitUntil([&] { return mic.lastDiagnosis().endsWith(" · 录音中换了设备"); }, 5000);
    waitUntil([] { return false; }, 300);
    const auto fed = MicFifo::tone(8000, 0.25);
    EXPECT_TRUE(MicFifo::feed(fed));
    waitUntil([] { return false; }, 700);
    const AudioClip clip = mic.stop();
    EXPECT_TRUE(moved) << mic.lastDiagnosis().toStdString();
    ASSERT_GE(clip.samples.size(), fed.size());
    EXPECT_TRUE(std::equal(fed.begin(), fed.end(), clip.samples.end() - long(fed.size())));
}
