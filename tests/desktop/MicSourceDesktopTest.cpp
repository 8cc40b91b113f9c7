#include "Dictation/MicSource.h"
#include "Platform/Linux/PulseDefaultSource.h"

#include "support/ChildProcess.h"

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

QByteArray fifoPath() {
    return qgetenv("MIC_FIFO");
}

// Throws away audio a writer left in the microphone's FIFO while nothing recorded.
void drainFifo() {
    const int fd = ::open(fifoPath().constData(), O_RDONLY | O_NONBLOCK);
    if (fd < 0) return;
    char buffer[65536];
    while (::read(fd, buffer, sizeof buffer) > 0) {
    }
    ::close(fd);
}

// Writes the samples into the FIFO (s16le), giving up after a few seconds without progress.
bool feed(const std::vector<std::int16_t>& samples) {
    const int fd = ::open(fifoPath().constData(), O_WRONLY | O_NONBLOCK);
    if (fd < 0) return false;
    const char* data = reinterpret_cast<const char*>(samples.data());
    std::size_t left = samples.size() * sizeof(std::int16_t);
    while (left > 0) {
        pollfd p{fd, POLLOUT, 0};
        if (::poll(&p, 1, 5000) <= 0) break;
        const ssize_t n = ::write(fd, data, left);
        if (n <= 0) break;
        data += n;
        left -= std::size_t(n);
    }
    ::close(fd);
    return left == 0;
}

std::vector<std::int16_t> tone(std::size_t count, double amplitude) {
    std::vector<std::int16_t> samples(count);
    for (std::size_t i = 0; i < count; ++i)
        samples[i] =
            std::int16_t(std::lround(amplitude * 32767.0 * std::sin(double(i) * 2 * M_PI * 440 / 16000)));
    return samples;
}

// Records what is fed into the FIFO during one take.
AudioClip record(MicSource& mic, const std::vector<std::int16_t>& fed, int* meterCalls = nullptr) {
    drainFifo();
    int calls = 0;
    mic.start([&](float) { ++calls; });
    waitUntil([] { return false; }, 300); // the stream is up and reading
    EXPECT_TRUE(feed(fed));
    waitUntil([] { return false; }, 700);
    AudioClip clip = mic.stop();
    if (meterCalls) *meterCalls = calls;
    return clip;
}

} // namespace

TEST(MicSourceDesktop, RecordsTheFedSamplesFromThePipeSource) {
    ASSERT_FALSE(fifoPath().isEmpty());
    MicSource mic;
    const auto fed = tone(16000, 0.5);
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
    drainFifo();
    MicSource mic;
    mic.start([](float) {});
    EXPECT_EQ(mic.lastDiagnosis(), "输入 1 声道 16000Hz");
    waitUntil([] { return false; }, 300);
    ASSERT_EQ(QProcess::execute("pactl", {"set-default-source", "mic"}), 0);
    const bool moved = waitUntil([&] { return mic.lastDiagnosis().endsWith(" · 录音中换了设备"); }, 5000);
    waitUntil([] { return false; }, 300);
    const auto fed = tone(8000, 0.25);
    EXPECT_TRUE(feed(fed));
    waitUntil([] { return false; }, 700);
    const AudioClip clip = mic.stop();
    EXPECT_TRUE(moved) << mic.lastDiagnosis().toStdString();
    ASSERT_GE(clip.samples.size(), fed.size());
    EXPECT_TRUE(std::equal(fed.begin(), fed.end(), clip.samples.end() - long(fed.size())));
}
