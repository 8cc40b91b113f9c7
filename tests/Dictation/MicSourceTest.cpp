#include "Dictation/MicSource.h"

#include "support/FakeAudioInput.h"

#include <QCoreApplication>
#include <QThread>

#include <gtest/gtest.h>

#include <numeric>
#include <thread>

using namespace mivora;
using namespace mivora::test;

namespace {

std::vector<std::int16_t> ramp(std::size_t count, std::int16_t from = 1) {
    std::vector<std::int16_t> samples(count);
    std::iota(samples.begin(), samples.end(), from);
    return samples;
}

std::vector<std::int16_t> concat(std::vector<std::int16_t> a, const std::vector<std::int16_t>& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

class MicSourceTest : public ::testing::Test {
protected:
    FakeAudioInput* input = new FakeAudioInput;
    MicSource mic{std::unique_ptr<AudioInput>(input)};
    std::vector<float> levels;
    std::function<void(float)> record = [this](float v) { levels.push_back(v); };
};

} // namespace

TEST(MicSourceMeter, IsLinearInDecibelsBetweenMinus55AndMinus10) {
    EXPECT_NEAR(MicSource::meterValue(0.01f), 15.0 / 45.0, 1e-4);
    EXPECT_EQ(MicSource::meterValue(1.0f), 1.0f);
    EXPECT_EQ(MicSource::meterValue(0.5f), 1.0f);
    EXPECT_EQ(MicSource::meterValue(0.001f), 0.0f);
    EXPECT_EQ(MicSource::meterValue(0.0f), 0.0f);
    EXPECT_EQ(MicSource::meterValue(std::nanf("")), 0.0f);
}

TEST_F(MicSourceTest, RecordsTheDeliveredAudioAndReportsTheMeterOnTheMainThread) {
    mic.start(record);
    EXPECT_EQ(mic.lastDiagnosis(), "输入 1 声道 16000Hz");
    const auto samples = ramp(3200, -1600);
    std::thread capture([&] { input->deliver(samples); });
    capture.join();
    EXPECT_TRUE(levels.empty()); // queued to the main thread, not called on the capture thread
    QCoreApplication::processEvents();
    ASSERT_EQ(levels.size(), 1u);
    EXPECT_GT(levels[0], 0.0f);

    const AudioClip clip = mic.stop();
    EXPECT_EQ(clip.samples, samples);
    EXPECT_FLOAT_EQ(clip.peak, AudioClip::peakOf(samples));
    EXPECT_FALSE(mic.lastWasDigitalSilence());
    EXPECT_FALSE(input->recording());

    // Audio after the take is not part of anything.
    input->deliver(ramp(100));
    mic.start(record);
    EXPECT_TRUE(mic.stop().samples.empty());
}

TEST_F(MicSourceTest, ConvertsStereo48kToOneThirdAsManyMonoSamples) {
    input->nextFormat = {48000, 2};
    mic.start(record);
    EXPECT_EQ(mic.lastDiagnosis(), "输入 2 声道 48000Hz");
    std::vector<float> stereo(48000 * 2);
    for (std::size_t i = 0; i < stereo.size(); ++i)
        stereo[i] = 0.25f * float(std::sin(double(i / 2) * 0.05));
    for (std::size_t i = 0; i < stereo.size(); i += 2048)
        input->deliver(std::vector<float>(stereo.begin() + long(i),
                                          stereo.begin() + long(std::min(i + 2048, stereo.size()))));
    EXPECT_NEAR(double(mic.stop().samples.size()), 16000.0, 4.0);
}

TEST_F(MicSourceTest, DigitalSilenceIsOnlyExactZeros) {
    mic.start(record);
    input->deliver(std::vector<float>(1024, 0.0f));
    input->deliver(std::vector<std::int16_t>(1024, 0));
    EXPECT_EQ(mic.stop().samples.size(), 2048u);
    EXPECT_TRUE(mic.lastWasDigitalSilence());

    mic.start(record);
    std::vector<float> one(1024, 0.0f);
    one[700] = 1e-6f; // a single non-zero raw sample, below what 16 bits can show
    input->deliver(one);
    const AudioClip clip = mic.stop();
    EXPECT_FALSE(mic.lastWasDigitalSilence());
    EXPECT_TRUE(clip.isSilent());

    mic.start(record);
    mic.cancel();
    EXPECT_TRUE(mic.lastWasDigitalSilence()); // a take that received nothing
}

TEST_F(MicSourceTest, WithoutAnInputDeviceStartFailsWithNoInput) {
    for (AudioInput::Format format :
         {AudioInput::Format{0, 0}, AudioInput::Format{48000, 0}, AudioInput::Format{0, 2}}) {
        input->nextFormat = format;
        try {
            mic.start(record);
            ADD_FAILURE() << "start did not throw";
        } catch (const MicSource::MicError& error) {
            EXPECT_EQ(error, MicSource::MicError(MicSource::MicError::noInput));
            EXPECT_EQ(error.message(), "没有找到麦克风：在「系统设置 → 声音 → 输入」里选一个麦克风");
            EXPECT_STREQ(error.what(), "没有找到麦克风：在「系统设置 → 声音 → 输入」里选一个麦克风");
        }
        EXPECT_FALSE(input->recording());
    }
    EXPECT_EQ(mic.lastDiagnosis(), "输入 2 声道 0Hz");
    EXPECT_EQ(input->starts, 0);

    // The device refusing to start passes its error through.
    input->nextFormat = {16000, 1};
    input->startFailure = "麦克风打不开：设备打开失败";
    try {
        mic.start(record);
        ADD_FAILURE() << "start did not throw";
    } catch (const std::runtime_error& error) {
        EXPECT_STREQ(error.what(), "麦克风打不开：设备打开失败");
    }
    input->change(); // a failed start leaves nothing to restart
    EXPECT_EQ(input->starts, 1);
}

TEST_F(MicSourceTest, ADeviceChangeKeepsTheAudioFromBeforeAndAfter) {
    mic.start(record);
    const auto before = ramp(1600, 1);
    const auto inFlight = ramp(800, 5000);
    input->deliver(before);
    // A buffer the capture thread is still handling when the change stops it must not be lost.
    input->duringStop = [&] {
        input->duringStop = nullptr;
        input->deliver(inFlight);
    };
    input->nextFormat = {16000, 1};
    input->change();
    EXPECT_EQ(mic.lastDiagnosis(), "输入 1 声道 16000Hz · 录音中换了设备");
    EXPECT_TRUE(input->recording());
    const auto after = ramp(1600, 9000);
    input->deliver(after);

    EXPECT_EQ(mic.stop().samples, concat(concat(before, inFlight), after));

    // Changes outside a take do nothing; the next take starts empty.
    input->change();
    EXPECT_EQ(input->starts, 2);
    mic.start(record);
    EXPECT_TRUE(mic.stop().samples.empty());
}

TEST_F(MicSourceTest, AFailedRestartKeepsWhatWasRecorded) {
    mic.start(record);
    const auto before = ramp(1600);
    input->deliver(before);
    input->nextFormat = {0, 0}; // the only device went away
    input->change();
    EXPECT_EQ(mic.lastDiagnosis(), "输入 0 声道 0Hz · 录音中换了设备");
    EXPECT_FALSE(input->recording());
    EXPECT_EQ(mic.stop().samples, before);

    // Cancel discards the carried audio too.
    input->nextFormat = {16000, 1};
    mic.start(record);
    input->deliver(before);
    input->change();
    mic.cancel();
    EXPECT_FALSE(input->recording());
    mic.start(record);
    EXPECT_TRUE(mic.stop().samples.empty());
}
