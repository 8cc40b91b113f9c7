#include "Dictation/VoiceControllerFixture.h"

using namespace mivora;
using namespace mivora::test;
using Kind = VoicePhase::Kind;

class VoiceTakeTest : public VoiceControllerFixture {
protected:
    // A take a gate refuses at the press: its error notice. The release after it must do nothing.
    QString refusedTake() {
        lines.clear();
        take();
        EXPECT_EQ(source->stops + source->cancels + lines.size(), 0);
        return controller->phase().isError ? controller->phase().text : QString();
    }
};

TEST_F(VoiceTakeTest, GatesRefuseInOrderWithTheirCallbacks) {
    secureInput = true;
    micAuthorized = false; // the first gate wins
    EXPECT_EQ(refusedTake(), "密码框里不能用语音输入");
    EXPECT_EQ(needsSetup, 0);
    secureInput = false;
    EXPECT_EQ(refusedTake(), "需要麦克风权限，点菜单栏图标完成设置");
    EXPECT_EQ(needsSetup, 1);
    micAuthorized = true;
    signInRequired = true;
    EXPECT_EQ(refusedTake(), "先登录 Veskel 才能用口述和「问」，已打开设置");
    EXPECT_EQ(needsSignIn + source->starts, 1);
    signInRequired = false;
    source->startError = std::make_exception_ptr(42); // an error without a message of its own
    EXPECT_EQ(refusedTake(), "麦克风打不开");
    make(false);
    signInRequired = true; // never asked: the missing recogniser refuses first
    EXPECT_EQ(refusedTake(), "云端识别还没配置好");
    EXPECT_EQ(needsSetup + needsSignIn + source->starts, 3);
}

TEST_F(VoiceTakeTest, DictationFromPressToInsertedText) {
    EXPECT_FALSE(fn(true));
    wait(1.2344);
    EXPECT_FALSE(fn(false));
    EXPECT_EQ(phase(), Kind::processing);
    EXPECT_NEAR(recognizer->requests.at(0).clip.peak, 0.5, 0.001); // amplified from 0.3
    wait(0.8);
    recognizer->answer(" 👍🏽你好\n ");
    EXPECT_EQ(lines, QStringList({"开始听", "松开，录音 1234ms", "麦克风：输入 1 声道 48000Hz",
                                  "识别完成 800ms", "上屏 800ms（已插入）"}));
    EXPECT_EQ(inserter.texts, std::vector<QString>{"👍🏽你好"});
    EXPECT_EQ(timings.at(0).chars, 3);
    EXPECT_NEAR(timings.at(0).releaseToInsert, 0.8, 1e-9);
    EXPECT_EQ(phase(), Kind::done);
}

TEST_F(VoiceTakeTest, StopGatesEndTheTakeWithTheirLogLines) {
    const auto gate = [this](AudioClip clip) {
        lines.clear();
        source->clip = std::move(clip);
        take();
        return lines.mid(2);
    };
    EXPECT_EQ(gate(speech(0.25, 0.25)), QStringList()); // too short a clip
    EXPECT_EQ(gate(speech(1.0, 0.5, 0.001)),
              QStringList({"录音偏轻（峰值 0.001），放大后识别", "麦克风：输入 1 声道 48000Hz",
                           "音量太小（峰值 0.0010），不发云端"}));
    EXPECT_EQ(controller->phase().text, "声音太小：靠近麦克风，或在「系统设置 → 声音 → 输入」调大输入音量");
    EXPECT_EQ(gate(speech(1.0, 0.14, 0.1)),
              QStringList({"录音偏轻（峰值 0.100），放大后识别", "麦克风：输入 1 声道 48000Hz",
                           "有效说话太短（140ms），不发云端"}));
    EXPECT_EQ(controller->phase().text, "没听清，再说一次");
    source->digitalSilence = true;
    EXPECT_EQ(gate(speech(1.0, 0)), QStringList({"录音偏轻（峰值 0.000），放大后识别",
                                                 "麦克风：输入 1 声道 48000Hz，收到的全是 0"}));
    EXPECT_EQ(controller->phase(),
              VoicePhase::notice("麦克风没有声音：检查麦克风权限和「声音 → 输入」设备", true));
    EXPECT_EQ(needsSetup, 1);
    EXPECT_TRUE(recognizer->requests.empty());
}

TEST_F(VoiceTakeTest, CancelledTakesAndTheRecordingLimit) {
    fn(true);
    EXPECT_TRUE(press(53));
    fn(false);
    take(0.29);
    fn(true);
    EXPECT_FALSE(press(0)); // a key combination passes
    fn(false);
    EXPECT_EQ(lines.filter("取消"), QStringList({"取消（user）", "取消（tooShort）", "取消（combo）"}));

    fn(true); // hands-free, Fn released
    EXPECT_TRUE(press(49));
    fn(false);
    wait(119.9);
    EXPECT_TRUE(controller->isRecording());
    wait(0.2);
    EXPECT_EQ(lines.mid(lines.size() - 3, 2), QStringList({"到达单段上限，自动结束", "松开，录音 120000ms"}));
    EXPECT_EQ(recognizer->requests.size(), 1u);
}

TEST_F(VoiceTakeTest, StaleResetsAndOverlappingPressesAreDropped) {
    secureInput = true;
    take(0);
    secureInput = false;
    wait(1);
    fn(true); // the notice's reset at 2.6 s finds a take recording
    wait(2);
    EXPECT_EQ(phase(), Kind::listening);
    fn(false);
    take(); // a press while the recognition runs is ignored
    EXPECT_EQ(source->starts, 1);
    recognizer->answer("好");
    secureInput = true;
    wait(0.5);
    take(0);
    wait(0.5); // past the done's 0.9 s, which finds a newer notice
    EXPECT_EQ(phase(), Kind::notice);
    wait(2.2);
    EXPECT_EQ(phase(), Kind::idle);
}

TEST_F(VoiceTakeTest, FailedClipStaysOfferedUntilItsRetrySucceeds) {
    take();
    const AudioClip sent = recognizer->requests[0].clip;
    recognizer->fail("云端太慢，已超时");
    EXPECT_EQ(lines.last(), "识别失败：云端太慢，已超时");
    EXPECT_EQ(controller->phase(), VoicePhase::notice("云端太慢，已超时，可在菜单里重试", true));

    source->clip = speech(2.0); // no retry while recording or while another recognition runs
    fn(true);
    controller->retryLast();
    wait(0.5);
    fn(false);
    controller->retryLast();
    EXPECT_EQ(recognizer->requests.size(), 2u);
    recognizer->answer("别的"); // an unrelated success leaves the failed recording on offer
    EXPECT_EQ(controller->failedClip(), sent);
    wait(3);
    controller->retryLast();
    EXPECT_EQ(recognizer->requests.at(2).clip, sent);
    wait(0.3);
    recognizer->answer("重试好了");
    EXPECT_FALSE(controller->failedClip());
    EXPECT_NEAR(timings.back().releaseToInsert, 0.3, 1e-9); // measured from the retry

    fn(true); // Shift during a take turns it into a recall, and its failed clip is retried as one
    key(KeyInput::shift(true));
    wait(0.5);
    fn(false);
    recognizer->fail();
    EXPECT_EQ(controller->phase().text, "网络出错，可在菜单里重试");
    wait(3);
    controller->retryLast();
    EXPECT_FALSE(recognizer->requests.at(3).tidied || recognizer->requests.at(4).tidied);
}

TEST_F(VoiceTakeTest, EscStaysSwallowableUntilItsKeyUpEvenAfterTheTake) {
    fn(true);
    EXPECT_EQ(controller->swallowableKeys(), QList<int>({49, 53}));
    press(53);
    fn(false);
    EXPECT_EQ(controller->swallowableKeys(), QList<int>({53}));
    key(KeyInput::keyUp(53));
    EXPECT_TRUE(controller->swallowableKeys().isEmpty());
}
