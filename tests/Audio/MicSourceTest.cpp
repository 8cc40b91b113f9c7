// The opening of a slow device, the 60 ms tail, Esc, a missing device or one that fails to open, digital
// silence and the end of the controller in the tail are checked through the voice controller, on this source
// (tests/Dictation/VoiceControllerTest.cpp).
#include "Audio/MicSource.h"

#include "support/FakeAudioInput.h"
#include "support/FakeScheduler.h"
#include "support/TaskProbe.h"

#include <QCoreApplication>

#include <gtest/gtest.h>

#include <numeric>
#include <thread>

using namespace mivora;
using namespace mivora::test;

namespace {

std::vector<std::int16_t> ramp(std::size_t count, std::int16_t from) {
    std::vector<std::int16_t> samples(count);
    std::iota(samples.begin(), samples.end(), from);
    return samples;
}

class MicSourceTest : public ::testing::Test {
protected:
    // Ends the take, letting the tail run out.
    AudioClip stop() {
        const TaskProbe<AudioClip> stopping(mic.stop());
        scheduler.advance(MicSource::tail);
        EXPECT_TRUE(stopping.done());
        return stopping.get();
    }

    FakeClock clock;
    FakeScheduler scheduler{clock};
    FakeAudioInput* input = new FakeAudioInput;
    MicSource mic{std::unique_ptr<AudioInput>(input), scheduler};
};

} // namespace

TEST_F(MicSourceTest, RecordsAndReportsTheMeterOnTheMainThread) {
    int levels = 0;
    mic.start([&](float) { ++levels; });
    std::thread([&] { input->deliver(ramp(3200, -1600)); }).join();
    EXPECT_EQ(levels, 0); // queued to the main thread, not called on the capture thread
    QCoreApplication::processEvents();
    EXPECT_EQ(levels, 1);
    EXPECT_EQ(stop().samples, ramp(3200, -1600));
}

TEST_F(MicSourceTest, ADeviceChangeKeepsTheAudioFromBeforeDuringAndAfter) {
    mic.start({});
    input->deliver(ramp(1600, 1));
    // A buffer still in flight when the change stops the capture must not be lost.
    input->duringStop = [&] { input->deliver(ramp(800, 1601)); };
    input->change();
    EXPECT_EQ(mic.lastDiagnosis(), "输入 1 声道 16000Hz · 录音中换了设备");
    input->deliver(ramp(1600, 2401));
    EXPECT_EQ(stop().samples, ramp(4000, 1));

    // When no device is left the take keeps what it has; the next take starts empty.
    mic.start({});
    input->deliver(ramp(1600, 1));
    input->nextFormat = {0, 0};
    input->change();
    EXPECT_EQ(stop().samples, ramp(1600, 1));
    input->nextFormat = {16000, 1};
    input->change(); // outside a take: nothing happens
    mic.start({});
    EXPECT_TRUE(stop().samples.empty());
    EXPECT_EQ(input->starts, 4);
}
