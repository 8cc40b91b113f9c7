#include "Dictation/VoiceControllerFixture.h"

using namespace mivora;
using namespace mivora::test;
using Kind = VoicePhase::Kind;

class VoiceTakeTest : public VoiceControllerFixture {
protected:
    // A press that a gate refuses: returns the error notice; the release after it must do nothing.
    QString refusedTake() {
        fnDown();
        EXPECT_FALSE(controller->isRecording());
        EXPECT_TRUE(controller->phase().isError);
        const QString notice = controller->phase().text;
        wait(0.5);
        fnUp();
        EXPECT_EQ(source->stops + source->cancels, 0);
        EXPECT_TRUE(lines.isEmpty()) << lines.join('\n').toStdString();
        return notice;
    }
};

TEST_F(VoiceTakeTest, GatesRefuseInOrderWithTheirCallbacks) {
    secureInput = true;
    micAuthorized = false; // the first gate wins
    EXPECT_EQ(refusedTake(), "密码框里不能用语音输入");
    EXPECT_EQ(needsSetup + source->starts, 0);
    wait(2.09); // 2.59 s after the press
    EXPECT_EQ(phase(), Kind::notice);
    wait(0.02);
    EXPECT_EQ(phase(), Kind::idle);

    secureInput = false;
    EXPECT_EQ(refusedTake(), "需要麦克风权限，点菜单栏图标完成设置");
    EXPECT_EQ(needsSetup, 1);
    EXPECT_EQ(phaseAtCallback.kind, Kind::idle); // called before the notice shows

    micAuthorized = true;
    signInRequired = true;
    EXPECT_EQ(refusedTake(), "先登录 Veskel 才能用口述和「问」，已打开设置");
    EXPECT_EQ(needsSignIn, 1);

    signInRequired = false;
    source->startError = std::make_exception_ptr(std::runtime_error("没有找到麦克风"));
    EXPECT_EQ(refusedTake(), "没有找到麦克风");
    source->startError = std::make_exception_ptr(42); // an error without a message
    EXPECT_EQ(refusedTake(), "麦克风打不开");
    EXPECT_EQ(recognizer->warmUps, 0);

    make(std::make_unique<FakeMicSource>(), false);
    signInRequired = true; // never asked: the missing recogniser refuses first
    EXPECT_EQ(refusedTake(), "云端识别还没配置好");
    EXPECT_EQ(needsSetup, 2);
    EXPECT_EQ(needsSignIn, 1);
    EXPECT_EQ(source->starts, 0);
}

TEST_F(VoiceTakeTest, DictationFromPressToInsertedText) {
    EXPECT_FALSE(fnDown());
    EXPECT_EQ(controller->phase(), VoicePhase::listening(false));
    EXPECT_EQ(recognizer->warmUps, 1);
    source->level(0.4f);
    EXPECT_FLOAT_EQ(controller->level(), 0.4f);
    wait(1.2344);
    EXPECT_FALSE(fnUp());
    source->level(0.7f); // late meter values are dropped
    EXPECT_EQ(controller->level(), 0.0f);
    EXPECT_EQ(phase(), Kind::processing);
    ASSERT_EQ(recognizer->requests.size(), 1u);
    EXPECT_TRUE(recognizer->requests[0].tidied);
    EXPECT_NEAR(recognizer->requests[0].clip.peak, 0.5, 0.001); // amplified from 0.3

    wait(0.8);
    recognizer->answer(" 你好，世界\n ");
    EXPECT_EQ(lines, QStringList({"开始听", "松开，录音 1234ms", "麦克风：输入 1 声道 48000Hz",
                                  "识别完成 800ms", "上屏 800ms（已插入）"}));
    EXPECT_EQ(inserter.texts, std::vector<QString>{"你好，世界"});
    EXPECT_EQ(controller->lastText(), "你好，世界");
    ASSERT_EQ(timings.size(), 1u);
    EXPECT_EQ(timings[0], (VoiceController::Timing{1.0, timings[0].releaseToInsert, InsertResult::inserted(),
                                                   5, VoiceMode::dictate}));
    EXPECT_NEAR(timings[0].releaseToInsert, 0.8, 1e-9);
    EXPECT_EQ(phase(), Kind::done);
    wait(0.89);
    EXPECT_EQ(phase(), Kind::done);
    wait(0.02);
    EXPECT_EQ(phase(), Kind::idle);
}

TEST_F(VoiceTakeTest, StopGatesEndTheTakeWithTheirLogLines) {
    auto gate = [this](AudioClip clip) {
        lines.clear();
        source->clip = std::move(clip);
        take();
        return lines.mid(2);
    };
    // Too short a clip (the source delivered 0.25 s): only the release line, then idle.
    EXPECT_EQ(gate(speech(0.25, 0.25)), QStringList());
    EXPECT_EQ(lines[1], "松开，录音 500ms");
    EXPECT_EQ(phase(), Kind::idle);

    EXPECT_EQ(gate(speech(1.0, 0.5, 0.001)),
              QStringList({"录音偏轻（峰值 0.001），放大后识别", "麦克风：输入 1 声道 48000Hz",
                           "音量太小（峰值 0.0010），不发云端"}));
    EXPECT_EQ(controller->phase(),
              VoicePhase::notice("声音太小：靠近麦克风，或在「系统设置 → 声音 → 输入」调大输入音量", false));

    EXPECT_EQ(gate(speech(1.0, 0.14, 0.1)),
              QStringList({"录音偏轻（峰值 0.100），放大后识别", "麦克风：输入 1 声道 48000Hz",
                           "有效说话太短（140ms），不发云端"}));
    EXPECT_EQ(controller->phase(), VoicePhase::notice("没听清，再说一次", false));

    mic->digitalSilence = true;
    EXPECT_EQ(gate(speech(1.0, 0)), QStringList({"录音偏轻（峰值 0.000），放大后识别",
                                                 "麦克风：输入 1 声道 48000Hz，收到的全是 0"}));
    EXPECT_EQ(controller->phase(),
              VoicePhase::notice("麦克风没有声音：检查麦克风权限和「声音 → 输入」设备", true));
    EXPECT_EQ(needsSetup, 1);
    EXPECT_TRUE(recognizer->requests.empty());

    // A source that is no microphone has no diagnosis line.
    make(std::make_unique<FakeAudioSource>());
    EXPECT_EQ(gate(speech(1.0, 0.5, 0.5)), QStringList());
    EXPECT_EQ(recognizer->requests.size(), 1u);
}

TEST_F(VoiceTakeTest, RecordingLimitEndsTheTake) {
    // Hands-free, Fn already released.
    fnDown();
    EXPECT_TRUE(key(KeyInput::keyDown(49)));
    EXPECT_EQ(controller->phase(), VoicePhase::listening(true));
    EXPECT_TRUE(key(KeyInput::keyUp(49)));
    fnUp();
    wait(119.9);
    EXPECT_TRUE(controller->isRecording());
    wait(0.2);
    EXPECT_EQ(lines.mid(1, 2), QStringList({"到达单段上限，自动结束", "松开，录音 120000ms"}));
    EXPECT_EQ(recognizer->requests.size(), 1u);

    // Fn still held at the limit: its release does nothing.
    recognizer->answer("");
    wait(3);
    controller->maxDuration = 5;
    fnDown();
    wait(6);
    EXPECT_EQ(recognizer->requests.size(), 2u);
    const auto before = lines.size();
    fnUp();
    EXPECT_EQ(lines.size(), before);
    EXPECT_EQ(source->stops, 2);
}

TEST_F(VoiceTakeTest, CancelledTakesAreDiscarded) {
    fnDown();
    EXPECT_TRUE(key(KeyInput::keyDown(53)));
    EXPECT_EQ(lines.last(), "取消（user）");
    EXPECT_EQ(phase(), Kind::idle);
    EXPECT_TRUE(key(KeyInput::keyUp(53)));
    fnUp();
    take(0.29);
    EXPECT_EQ(lines.last(), "取消（tooShort）");
    fnDown();
    EXPECT_FALSE(key(KeyInput::keyDown(0))); // a key combination passes
    EXPECT_EQ(lines.last(), "取消（combo）");
    EXPECT_EQ(source->cancels, 3);
    EXPECT_EQ(source->stops, 0);
}

TEST_F(VoiceTakeTest, PressWhileProcessingIsIgnoredSilently) {
    take();
    const auto before = lines.size();
    take(1);
    EXPECT_EQ(phase(), Kind::processing);
    EXPECT_EQ(lines.size(), before);
    EXPECT_EQ(source->starts, 1);
}

TEST_F(VoiceTakeTest, ShiftSwitchesOnlyARunningTakeToRecall) {
    key(KeyInput::shift(true));
    key(KeyInput::shift(false));
    EXPECT_EQ(controller->mode(), VoiceMode::dictate);
    fnDown();
    key(KeyInput::shift(true));
    EXPECT_EQ(controller->mode(), VoiceMode::recall);
    wait(0.5);
    fnUp();
    EXPECT_FALSE(recognizer->requests.at(0).tidied);
}

TEST_F(VoiceTakeTest, DelayedResetsLeaveANewerPhaseAlone) {
    secureInput = true;
    take(0);
    secureInput = false;
    wait(1);
    fnDown(); // the notice's reset at 2.6 s finds a take recording
    wait(2);
    EXPECT_EQ(phase(), Kind::listening);
    fnUp();
    recognizer->answer("好");
    EXPECT_EQ(phase(), Kind::done);
    secureInput = true;
    wait(0.5);
    take(0);
    wait(0.5); // past the done's 0.9 s, which finds a newer notice
    EXPECT_EQ(phase(), Kind::notice);
    wait(2.2);
    EXPECT_EQ(phase(), Kind::idle);
}

TEST_F(VoiceTakeTest, EmptyTranscriptOrCopiedTextIsNoFailure) {
    take();
    recognizer->answer(" \n\t ");
    EXPECT_EQ(lines.last(), "识别完成 0ms");
    EXPECT_EQ(controller->phase(), VoicePhase::notice("没听清，再说一次", false));
    EXPECT_FALSE(controller->lastText() || controller->failedClip());
    EXPECT_TRUE(inserter.texts.empty() && timings.empty());

    inserter.result = InsertResult::copied("没出现的话，按 ⌘V 粘贴");
    take();
    recognizer->answer("👍🏽你好");
    EXPECT_EQ(lines.last(), "上屏 0ms（留在剪贴板）");
    ASSERT_EQ(timings.size(), 1u);
    EXPECT_EQ(timings[0].result, inserter.result);
    EXPECT_EQ(timings[0].chars, 3);
    EXPECT_EQ(controller->phase(), VoicePhase::notice("没出现的话，按 ⌘V 粘贴", false));
}

TEST_F(VoiceTakeTest, FailedClipStaysOfferedUntilItsRetrySucceeds) {
    take();
    const AudioClip sent = recognizer->requests[0].clip;
    recognizer->fail(std::make_exception_ptr(std::runtime_error("云端太慢，已超时")));
    EXPECT_EQ(lines.last(), "识别失败：云端太慢，已超时");
    EXPECT_EQ(controller->phase(), VoicePhase::notice("云端太慢，已超时，可在菜单里重试", true));
    EXPECT_EQ(controller->failedClip(), sent);

    // No retry while recording or while another recognition runs.
    source->clip = speech(2.0);
    fnDown();
    controller->retryLast();
    wait(0.5);
    fnUp();
    controller->retryLast();
    EXPECT_EQ(recognizer->requests.size(), 2u);
    // A later, unrelated take that succeeds leaves the failed recording on offer.
    recognizer->answer("别的");
    EXPECT_EQ(controller->failedClip(), sent);

    wait(3);
    controller->retryLast();
    recognizer->fail(std::make_exception_ptr(42));
    EXPECT_EQ(lines.last(), "识别失败：网络出错");
    EXPECT_EQ(controller->phase().text, "网络出错，可在菜单里重试");

    wait(5);
    controller->retryLast();
    ASSERT_EQ(recognizer->requests.size(), 4u);
    EXPECT_EQ(recognizer->requests[3].clip, sent);
    wait(0.3);
    recognizer->answer("重试好了");
    EXPECT_FALSE(controller->failedClip());
    EXPECT_EQ(inserter.texts.back(), "重试好了");
    EXPECT_NEAR(timings.back().releaseToInsert, 0.3, 1e-9); // measured from the retry

    // A clip that failed in recall mode is retried on the recall road.
    fnDown();
    key(KeyInput::shift(true));
    wait(0.5);
    fnUp();
    recognizer->fail(std::make_exception_ptr(42));
    wait(3);
    controller->retryLast();
    EXPECT_FALSE(recognizer->requests.back().tidied);
}

TEST_F(VoiceTakeTest, SwallowableKeysFollowTheState) {
    int changes = 0;
    QObject::connect(controller.get(), &VoiceController::swallowableKeysChanged, [&] { ++changes; });
    EXPECT_TRUE(controller->swallowableKeys().isEmpty());
    fnDown();
    EXPECT_EQ(controller->swallowableKeys(), QList<int>({49, 53}));
    wait(0.5);
    fnUp();
    EXPECT_TRUE(controller->swallowableKeys().isEmpty());
    EXPECT_EQ(changes, 2);

    // Esc's key-up is still owed a swallow after the take ended, so it stays listed until it comes.
    recognizer->answer("");
    fnDown();
    key(KeyInput::keyDown(53));
    fnUp();
    EXPECT_EQ(controller->swallowableKeys(), QList<int>({53}));
    key(KeyInput::keyUp(53));
    EXPECT_TRUE(controller->swallowableKeys().isEmpty());
}
