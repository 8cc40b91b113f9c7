#include "Dictation/VoiceControllerFixture.h"

#include <QSignalSpy>

using namespace mivora;
using namespace mivora::test;
using Kind = VoicePhase::Kind;

namespace {

// A refused start: the notice, what the microphone saw, and that the Fn release that follows does nothing.
struct Refusal {
    QString notice;
    int setupCalls = 0;
    int signInCalls = 0;
};

} // namespace

class VoiceTakeTest : public VoiceControllerFixture {
protected:
    Refusal refusedTake() {
        fnDown();
        Refusal r;
        const VoicePhase p = controller->phase();
        EXPECT_EQ(p.kind, Kind::notice);
        EXPECT_TRUE(p.isError);
        r.notice = p.text;
        r.setupCalls = needsSetup;
        r.signInCalls = needsSignIn;
        EXPECT_FALSE(controller->isRecording());
        wait(0.5);
        fnUp(); // must not stop, cancel or log anything
        EXPECT_EQ(source->stops + source->cancels, 0);
        EXPECT_TRUE(lines.isEmpty()) << lines.join('\n').toStdString();
        return r;
    }
};

TEST_F(VoiceTakeTest, GatesRefuseInOrderWithTheirCallbacks) {
    secureInput = true;
    micAuthorized = false; // the first gate wins
    Refusal r = refusedTake();
    EXPECT_EQ(r.notice, "密码框里不能用语音输入");
    EXPECT_EQ(r.setupCalls, 0);
    EXPECT_EQ(source->starts, 0);
    wait(2.09); // 2.59 s after the press
    EXPECT_EQ(phase(), Kind::notice);
    wait(0.02);
    EXPECT_EQ(phase(), Kind::idle);

    secureInput = false;
    r = refusedTake();
    EXPECT_EQ(r.notice, "需要麦克风权限，点菜单栏图标完成设置");
    EXPECT_EQ(r.setupCalls, 1);
    // The callback runs before the notice is shown.
    EXPECT_EQ(phaseAtCallback.kind, Kind::idle);

    micAuthorized = true;
    signInRequired = true;
    r = refusedTake();
    EXPECT_EQ(r.notice, "先登录 Veskel 才能用口述和「问」，已打开设置");
    EXPECT_EQ(r.signInCalls, 1);
    EXPECT_EQ(r.setupCalls, 1);

    signInRequired = false;
    source->startError = std::make_exception_ptr(
        std::runtime_error("没有找到麦克风：在「系统设置 → 声音 → 输入」里选一个麦克风"));
    r = refusedTake();
    EXPECT_EQ(r.notice, "没有找到麦克风：在「系统设置 → 声音 → 输入」里选一个麦克风");
    source->startError = std::make_exception_ptr(42); // an error without a message
    EXPECT_EQ(refusedTake().notice, "麦克风打不开");
    EXPECT_EQ(recognizer->warmUps, 0);
}

TEST_F(VoiceTakeTest, NoRecognizerAsksForSetupBeforeTheNotice) {
    make(std::make_unique<FakeMicSource>(), false);
    signInRequired = true; // a later gate never gets asked
    const Refusal r = refusedTake();
    EXPECT_EQ(r.notice, "云端识别还没配置好");
    EXPECT_EQ(r.setupCalls, 1);
    EXPECT_EQ(r.signInCalls, 0);
    EXPECT_EQ(phaseAtCallback.kind, Kind::idle);
    EXPECT_EQ(source->starts, 0);
}

TEST_F(VoiceTakeTest, DictationFromPressToInsertedText) {
    QSignalSpy phases(controller.get(), &VoiceController::phaseChanged);
    EXPECT_FALSE(fnDown());
    EXPECT_EQ(controller->phase(), VoicePhase::listening(false));
    EXPECT_EQ(recognizer->warmUps, 1);
    EXPECT_EQ(lines, QStringList{"开始听"});
    source->level(0.4f);
    EXPECT_FLOAT_EQ(controller->level(), 0.4f);

    wait(1.2344);
    EXPECT_FALSE(fnUp());
    EXPECT_EQ(lines[1], "松开，录音 1234ms");
    EXPECT_EQ(controller->level(), 0.0f);
    source->level(0.7f); // a late meter value after the take
    EXPECT_EQ(controller->level(), 0.0f);
    EXPECT_EQ(phase(), Kind::processing);
    ASSERT_EQ(recognizer->requests.size(), 1u);
    EXPECT_TRUE(recognizer->requests[0].tidied);
    // The quiet take (peak 0.3) went out amplified towards 0.5.
    EXPECT_NEAR(recognizer->requests[0].clip.peak, 0.5, 0.001);

    wait(0.8);
    recognizer->answer(" 你好，世界\n ");
    EXPECT_EQ(lines.mid(1), QStringList({"松开，录音 1234ms", "麦克风：输入 1 声道 48000Hz", "识别完成 800ms",
                                         "上屏 800ms（已插入）"}));
    EXPECT_EQ(inserter.texts, std::vector<QString>{"你好，世界"});
    EXPECT_EQ(controller->lastText(), "你好，世界");
    ASSERT_EQ(timings.size(), 1u);
    EXPECT_EQ(timings[0].audio, 1.0);
    EXPECT_NEAR(timings[0].releaseToInsert, 0.8, 1e-9);
    EXPECT_EQ(timings[0].result, InsertResult::inserted());
    EXPECT_EQ(timings[0].chars, 5);
    EXPECT_EQ(timings[0].mode, VoiceMode::dictate);
    EXPECT_EQ(phase(), Kind::done);
    wait(0.89);
    EXPECT_EQ(phase(), Kind::done);
    wait(0.02);
    EXPECT_EQ(phase(), Kind::idle);
    EXPECT_GE(phases.count(), 4); // listening, processing, done, idle
}

TEST_F(VoiceTakeTest, StopGatesEndTheTakeWithTheirLogLines) {
    // Too short a clip (the source delivered 0.25 s): only the release line, then idle.
    source->clip = speech(0.25, 0.25);
    take();
    EXPECT_EQ(lines, QStringList({"开始听", "松开，录音 500ms"}));
    EXPECT_EQ(phase(), Kind::idle);

    // Barely audible, not digital silence: amplification line, then the silence gate.
    lines.clear();
    source->clip = speech(1.0, 0.5, 0.001);
    take();
    EXPECT_EQ(lines.mid(2), QStringList({"录音偏轻（峰值 0.001），放大后识别", "麦克风：输入 1 声道 48000Hz",
                                         "音量太小（峰值 0.0010），不发云端"}));
    EXPECT_EQ(controller->phase(),
              VoicePhase::notice("声音太小：靠近麦克风，或在「系统设置 → 声音 → 输入」调大输入音量", false));

    // Loud enough but hardly any speech.
    lines.clear();
    source->clip = speech(1.0, 0.14, 0.1);
    take();
    EXPECT_EQ(lines.mid(2), QStringList({"录音偏轻（峰值 0.100），放大后识别", "麦克风：输入 1 声道 48000Hz",
                                         "有效说话太短（140ms），不发云端"}));
    EXPECT_EQ(controller->phase(), VoicePhase::notice("没听清，再说一次", false));

    // A microphone that delivered nothing but zeros.
    lines.clear();
    mic->digitalSilence = true;
    source->clip = speech(1.0, 0);
    take();
    EXPECT_EQ(lines.mid(2), QStringList({"录音偏轻（峰值 0.000），放大后识别",
                                         "麦克风：输入 1 声道 48000Hz，收到的全是 0"}));
    EXPECT_EQ(controller->phase(),
              VoicePhase::notice("麦克风没有声音：检查麦克风权限和「声音 → 输入」设备", true));
    EXPECT_EQ(needsSetup, 1);
    EXPECT_TRUE(recognizer->requests.empty());
}

TEST_F(VoiceTakeTest, OtherSourcesSkipTheMicrophoneLine) {
    make(std::make_unique<FakeAudioSource>());
    source->clip = speech(1.0, 0.5, 0.5);
    take();
    EXPECT_EQ(lines, QStringList({"开始听", "松开，录音 500ms"}));
    EXPECT_EQ(recognizer->requests.size(), 1u);
}

TEST_F(VoiceTakeTest, RecordingLimitEndsAHandsFreeTake) {
    fnDown();
    EXPECT_TRUE(key(KeyInput::keyDown(49)));
    EXPECT_EQ(controller->phase(), VoicePhase::listening(true));
    EXPECT_TRUE(key(KeyInput::keyUp(49)));
    fnUp();
    wait(119.9);
    EXPECT_TRUE(controller->isRecording());
    wait(0.2);
    EXPECT_FALSE(controller->isRecording());
    EXPECT_EQ(lines.mid(1, 2), QStringList({"到达单段上限，自动结束", "松开，录音 120000ms"}));
    EXPECT_EQ(phase(), Kind::processing);
    EXPECT_EQ(recognizer->requests.size(), 1u);
    EXPECT_EQ(controller->machine().state(), HotkeyMachine::State::idle());
}

TEST_F(VoiceTakeTest, RecordingLimitWhileFnHeldLeavesTheReleaseWithNothingToDo) {
    controller->maxDuration = 5;
    fnDown();
    wait(6);
    EXPECT_EQ(recognizer->requests.size(), 1u);
    const auto before = lines.size();
    fnUp();
    EXPECT_EQ(lines.size(), before);
    EXPECT_EQ(source->stops, 1);
}

TEST_F(VoiceTakeTest, EscCancelsAndDiscardsTheTake) {
    fnDown();
    EXPECT_TRUE(key(KeyInput::keyDown(53)));
    EXPECT_EQ(lines.last(), "取消（user）");
    EXPECT_EQ(phase(), Kind::idle);
    EXPECT_EQ(source->cancels, 1);
    EXPECT_EQ(source->stops, 0);
    EXPECT_TRUE(key(KeyInput::keyUp(53)));
    fnUp();
    EXPECT_EQ(lines.size(), 2);

    // A release before the minimum hold and a key combination cancel too, without swallowing.
    fnDown();
    wait(0.29);
    fnUp();
    EXPECT_EQ(lines.last(), "取消（tooShort）");
    fnDown();
    EXPECT_FALSE(key(KeyInput::keyDown(0)));
    EXPECT_EQ(lines.last(), "取消（combo）");
    EXPECT_EQ(source->cancels, 3);
    EXPECT_TRUE(recognizer->requests.empty());
}

TEST_F(VoiceTakeTest, PressWhileProcessingIsIgnoredSilently) {
    take();
    ASSERT_EQ(phase(), Kind::processing);
    const auto before = lines.size();
    fnDown();
    wait(1);
    fnUp();
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
    ASSERT_EQ(recognizer->requests.size(), 1u);
    EXPECT_FALSE(recognizer->requests[0].tidied);
}

TEST_F(VoiceTakeTest, DelayedResetsLeaveANewerTakeAlone) {
    secureInput = true;
    fnDown();
    fnUp();
    secureInput = false;
    wait(1);
    fnDown(); // the notice's reset at 2.6 s finds a newer take recording
    wait(2);
    EXPECT_EQ(controller->phase(), VoicePhase::listening(false));
    fnUp();
    recognizer->answer("好");
    EXPECT_EQ(phase(), Kind::done);
    // A done shown and a notice shown right after: only the notice's own reset acts.
    secureInput = true;
    wait(0.5);
    fnDown();
    fnUp();
    wait(0.5); // past the done's 0.9 s
    EXPECT_EQ(phase(), Kind::notice);
    wait(2.2);
    EXPECT_EQ(phase(), Kind::idle);
}

TEST_F(VoiceTakeTest, EmptyTranscriptIsNoFailure) {
    take();
    recognizer->answer(" \n\t ");
    EXPECT_EQ(lines.last().left(5), "识别完成 ");
    EXPECT_EQ(controller->phase(), VoicePhase::notice("没听清，再说一次", false));
    EXPECT_FALSE(controller->lastText());
    EXPECT_FALSE(controller->failedClip());
    EXPECT_TRUE(inserter.texts.empty());
    EXPECT_TRUE(timings.empty());
}

TEST_F(VoiceTakeTest, CopiedInsertionShowsTheHint) {
    inserter.result = InsertResult::copied("没出现的话，按 ⌘V 粘贴");
    take();
    recognizer->answer("👍🏽你好");
    EXPECT_EQ(lines.last(), "上屏 0ms（留在剪贴板）");
    ASSERT_EQ(timings.size(), 1u);
    EXPECT_EQ(timings[0].result, InsertResult::copied("没出现的话，按 ⌘V 粘贴"));
    EXPECT_EQ(timings[0].chars, 3);
    EXPECT_EQ(controller->phase(), VoicePhase::notice("没出现的话，按 ⌘V 粘贴", false));
    wait(2.7);
    EXPECT_EQ(phase(), Kind::idle);
}

TEST_F(VoiceTakeTest, FailureKeepsTheClipForRetry) {
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
    EXPECT_EQ(recognizer->requests.size(), 1u);
    wait(0.5);
    fnUp();
    ASSERT_EQ(recognizer->requests.size(), 2u);
    controller->retryLast();
    EXPECT_EQ(recognizer->requests.size(), 2u);

    // A later take that succeeds leaves the failed recording on offer.
    recognizer->answer("别的");
    EXPECT_EQ(controller->failedClip(), sent);

    // An error without a message.
    wait(3);
    controller->retryLast();
    recognizer->fail(std::make_exception_ptr(42));
    EXPECT_EQ(lines.last(), "识别失败：网络出错");
    EXPECT_EQ(controller->phase(), VoicePhase::notice("网络出错，可在菜单里重试", true));
    EXPECT_EQ(controller->failedClip(), sent);

    // The retry sends the same clip with a new release time, and its success ends the offer.
    wait(5);
    controller->retryLast();
    ASSERT_EQ(recognizer->requests.size(), 4u);
    EXPECT_EQ(recognizer->requests[3].clip, sent);
    EXPECT_TRUE(recognizer->requests[3].tidied);
    wait(0.3);
    recognizer->answer("重试好了");
    EXPECT_FALSE(controller->failedClip());
    EXPECT_EQ(inserter.texts.back(), "重试好了");
    EXPECT_NEAR(timings.back().releaseToInsert, 0.3, 1e-9);
}

TEST_F(VoiceTakeTest, RetryOfARecallTakeTranscribesWithoutTidying) {
    fnDown();
    key(KeyInput::shift(true));
    wait(0.5);
    fnUp();
    recognizer->fail(std::make_exception_ptr(std::runtime_error("x")));
    wait(3);
    controller->retryLast();
    ASSERT_EQ(recognizer->requests.size(), 2u);
    EXPECT_FALSE(recognizer->requests[1].tidied);
}

TEST_F(VoiceTakeTest, SwallowableKeysFollowTheState) {
    QSignalSpy changes(controller.get(), &VoiceController::swallowableKeysChanged);
    EXPECT_TRUE(controller->swallowableKeys().isEmpty());
    fnDown();
    EXPECT_EQ(controller->swallowableKeys(), QList<int>({49, 53}));
    wait(0.5);
    fnUp();
    EXPECT_TRUE(controller->swallowableKeys().isEmpty());
    EXPECT_EQ(changes.count(), 2);

    // Esc's key-up is still owed a swallow after the take ended, so it stays listed until it comes.
    recognizer->answer("");
    wait(3);
    fnDown();
    key(KeyInput::keyDown(53));
    fnUp();
    EXPECT_EQ(controller->swallowableKeys(), QList<int>({53}));
    key(KeyInput::keyUp(53));
    EXPECT_TRUE(controller->swallowableKeys().isEmpty());
}
