// The voice controller on the microphone source over a fake device: what reaches the recording when the
// device opens slowly, when the key comes up right after the last word, and when a take is called off.
#include "Audio/MicSource.h"
#include "Dictation/VoiceController.h"
#include "Platform/KeyCodes.h"

#include "support/FakeAudioInput.h"
#include "support/FakeInserter.h"
#include "support/FakeRecognizer.h"
#include "support/FakeScheduler.h"
#include "support/Speech.h"

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;
using Kind = VoicePhase::Kind;

namespace {

class VoiceMicTest : public ::testing::Test {
protected:
    VoiceMicTest() {
        auto owned = std::make_unique<FakeAudioInput>();
        input = owned.get();
        VoiceController::System system{{}, [] { return true; }, {}};
        controller =
            std::make_unique<VoiceController>(std::make_unique<MicSource>(std::move(owned), scheduler),
                                              recognizer, inserter, nullptr, system, scheduler, clock);
        controller->log = [this](const QString& line) { lines << line; };
    }
    ~VoiceMicTest() override { recognizer->abandon(); }

    bool key(const KeyInput& input) { return controller->handle(input, clock.uptime()); }
    void fn(bool down) { key(down ? KeyInput::fnDown() : KeyInput::fnUp()); }
    void tap(int code) {
        key(KeyInput::keyDown(code, false));
        key(KeyInput::keyUp(code));
    }
    void wait(double seconds) { scheduler.advance(seconds); }
    // Speech of `seconds` followed by as much silence.
    void speak(double seconds) { input->deliver(speech(2 * seconds, seconds).samples); }
    Kind phase() const { return controller->phase().kind; }
    size_t samplesSent() const { return recognizer->requests.at(0).clip.samples.size(); }

    FakeClock clock;
    FakeScheduler scheduler{clock};
    FakeInserter inserter;
    std::shared_ptr<FakeRecognizer> recognizer = std::make_shared<FakeRecognizer>();
    FakeAudioInput* input = nullptr;
    QStringList lines;
    std::unique_ptr<VoiceController> controller;
};

TEST_F(VoiceMicTest, TheLastWordAfterTheReleaseIsPartOfTheTake) {
    fn(true);
    speak(0.25);
    wait(0.5);
    fn(false);
    wait(0.05);
    EXPECT_EQ(phase(), Kind::listening); // still taking in the last audio, for 60 ms
    speak(0.025);
    wait(0.01);
    EXPECT_EQ(phase(), Kind::processing);
    EXPECT_EQ(samplesSent(), 8800u);
    EXPECT_FALSE(input->recording());
}

TEST_F(VoiceMicTest, ATakeListensWhileTheMicrophoneOpensAndKeepsItsFirstAudio) {
    input->slowOpening = true;
    fn(true);
    EXPECT_EQ(phase(), Kind::listening);
    speak(0.25); // before the opening is reported
    wait(0.5);
    fn(false);
    wait(1); // the stop waits for the opening
    EXPECT_TRUE(recognizer->requests.empty());
    input->open();
    wait(MicSource::tail);
    EXPECT_EQ(samplesSent(), 8000u);
    recognizer->answer("好");

    // A microphone that fails to open ends the take with its message, whether Fn is still held or not.
    wait(1);
    fn(true);
    input->open("麦克风打不开：声音服务没有响应");
    EXPECT_EQ(controller->phase(), VoicePhase::notice("麦克风打不开：声音服务没有响应", true));
    EXPECT_FALSE(input->recording());
    lines.clear();
    fn(false); // nothing left to stop
    EXPECT_TRUE(lines.isEmpty());
    wait(3);
    fn(true);
    wait(0.5);
    fn(false);
    input->open("麦克风打不开：设备打开失败");
    EXPECT_EQ(controller->phase(), VoicePhase::notice("麦克风打不开：设备打开失败", true));
    EXPECT_EQ(recognizer->requests.size(), 1u);
}

TEST_F(VoiceMicTest, CallingATakeOffStopsTheMicrophoneInEveryState) {
    fn(true); // held
    tap(KeyCode::escape);
    EXPECT_FALSE(input->recording());
    fn(false);

    fn(true); // hands-free
    tap(KeyCode::space);
    fn(false);
    EXPECT_TRUE(input->recording());
    tap(KeyCode::escape);
    EXPECT_FALSE(input->recording());

    input->slowOpening = true; // still opening; the opening that ends later changes nothing
    fn(true);
    tap(KeyCode::escape);
    fn(false);
    EXPECT_FALSE(input->recording());
    input->open();
    EXPECT_EQ(phase(), Kind::idle);
    EXPECT_EQ(lines.filter("取消").size(), 3);

    input->slowOpening = false; // the controller goes away in the tail: the tail's end finds nothing to do
    fn(true);
    wait(0.5);
    fn(false);
    controller.reset();
    wait(1);
}

// A retry from the menu while the last take is still taking in its tail: that take goes on to recognition,
// and the hotkey keeps working afterwards.
TEST_F(VoiceMicTest, ARetryWhileATakeEndsNeitherDropsItNorLocksTheHotkey) {
    fn(true);
    speak(0.5);
    wait(0.6);
    fn(false);
    wait(MicSource::tail);
    recognizer->fail("云端太慢，已超时");
    wait(3);
    ASSERT_TRUE(controller->failedClip());

    fn(true);
    speak(0.5);
    wait(0.6);
    fn(false);
    controller->retryLast();
    wait(MicSource::tail);
    EXPECT_EQ(recognizer->requests.size(), 2u);
    recognizer->answer("第二段");
    wait(3);

    fn(true);
    EXPECT_TRUE(controller->isRecording());
}

} // namespace
