// The voice controller on the microphone source over a fake device, the fake clock and three memories,
// with every callback recorded.
#include "Dictation/VoiceController.h"
#include "Audio/MicSource.h"
#include "Keys/KeyTap.h"
#include "Memories/MemoryStore.h"
#include "Platform/KeyCodes.h"

#include "support/FakeAudioInput.h"
#include "support/FakeInserter.h"
#include "support/FakeKeySource.h"
#include "support/FakeRecognizer.h"
#include "support/FakeScheduler.h"
#include "support/Speech.h"

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;
using Kind = VoicePhase::Kind;

namespace {

class VoiceTest : public ::testing::Test {
protected:
    void SetUp() override { make(); }
    void TearDown() override { recognizer->abandon(); }
    void make(bool withRecognizer = true) {
        controller.reset();
        auto owned = std::make_unique<FakeAudioInput>();
        input = owned.get();
        VoiceController::System system{[this] { return probingSecure(), secureInput; },
                                       [this] { return micAuthorized; }};
        controller = std::make_unique<VoiceController>(
            std::make_unique<MicSource>(std::move(owned), scheduler), withRecognizer ? recognizer : nullptr,
            inserter, &store, system, scheduler, clock);
        controller->onNeedsSetup = [this] { ++needsSetup; };
        controller->needsSignIn = [this] { return signInRequired; };
        controller->onNeedsSignIn = [this] { ++needsSignIn; };
        controller->onTiming = [this](const VoiceController::Timing& t) { timings.push_back(t); };
    }

    bool key(const KeyInput& input) { return controller->handle(input, clock.uptime()); }
    bool press(int code, bool isRepeat = false) { return key(KeyInput::keyDown(code, isRepeat)); }
    bool fn(bool down) { return key(down ? KeyInput::fnDown() : KeyInput::fnUp()); }
    void tap(int code) {
        press(code);
        key(KeyInput::keyUp(code));
    }
    void wait(double seconds) { scheduler.advance(seconds); }
    // Speech of `seconds` followed by as much silence.
    void speak(double seconds) { input->deliver(speech(2 * seconds, seconds).samples); }
    // Fn held for `seconds` while the microphone hears `clip`; a take adds its tail.
    void hold(double seconds = 0.5) {
        fn(true);
        input->deliver(clip.samples);
        wait(seconds);
        fn(false);
    }
    void take(double seconds = 0.5) {
        hold(seconds);
        wait(MicSource::tail);
    }
    // A take a gate refuses at the press: its error notice, which the release after it must leave alone.
    QString refusedTake() {
        take();
        return controller->phase().isError ? controller->phase().text : QString();
    }
    // A recall take (Fn with Shift) whose transcript is `text`.
    void recallTake(const QString& text) {
        key(KeyInput::shift(true));
        take();
        key(KeyInput::shift(false));
        recognizer->answer(text);
    }
    Kind phase() const { return controller->phase().kind; }

    FakeClock clock;
    FakeScheduler scheduler{clock};
    FakeInserter inserter;
    std::shared_ptr<FakeRecognizer> recognizer = std::make_shared<FakeRecognizer>();
    Memory home{.title = "家庭地址", .type = "地址", .value = "海淀路 1 号"};
    Memory work{.title = "公司地址", .type = "地址", .aliases = {"公司"}, .value = "浦东路 2 号"};
    Memory wifi{.title = "Wi-Fi 密码", .type = "信息", .value = "hunter22", .sensitive = true};
    MemoryStore store{std::nullopt, QList<Memory>{home, work, wifi}, clock};
    FakeAudioInput* input = nullptr;
    AudioClip clip = speech(1.0);
    bool secureInput = false, micAuthorized = true, signInRequired = false;
    std::function<void()> probingSecure = [] {};
    int needsSetup = 0, needsSignIn = 0;
    std::vector<VoiceController::Timing> timings;
    std::unique_ptr<VoiceController> controller;
};

constexpr int two = KeyCode::digit2, three = KeyCode::digit3, keypadOne = KeyCode::keypad1,
              esc = KeyCode::escape, space = KeyCode::space;

TEST_F(VoiceTest, GatesRefuseInOrderWithTheirCallbacks) {
    secureInput = true;
    micAuthorized = false; // the first gate wins
    EXPECT_EQ(refusedTake(), "密码框里不能用语音输入");
    secureInput = false;
    // Nothing is granted or withheld here: the take says the device is missing, and where to pick one.
    EXPECT_EQ(refusedTake(), "没有找到麦克风：在「设置 → 声音 → 输入」里选一个麦克风");
    micAuthorized = true;
    signInRequired = true;
    EXPECT_EQ(refusedTake(), "先登录 Veskel 才能用口述和「问」，已打开设置");
    EXPECT_EQ(needsSignIn + input->starts, 1);
    signInRequired = false;
    // A device failing to open with an error without a message of its own.
    input->startFailure = std::make_exception_ptr(42);
    take();
    EXPECT_EQ(controller->phase(), VoicePhase::notice("麦克风打不开", true));
    make(false);
    signInRequired = true; // never asked: the missing recogniser refuses first
    EXPECT_EQ(refusedTake(), "云端识别还没配置好");
    EXPECT_EQ(needsSetup + needsSignIn + input->starts, 3);
}

// The password probe asks the focused application, which may be slow to answer: the microphone already
// records by then and the HUD shows the take (the log has its start), and a take into a password field still
// ends there, with nothing of it kept.
TEST_F(VoiceTest, TheMicrophoneRecordsBeforeThePasswordProbeAnswersWhichStillRefusesTheTake) {
    std::vector<bool> recordingWhenAsked;
    QStringList logged;
    controller->log = [&](const QString& line) { logged << line; };
    std::vector<Kind> shownWhenAsked;
    probingSecure = [&] {
        recordingWhenAsked.push_back(input->recording());
        shownWhenAsked.push_back(logged.contains("开始听") ? phase() : Kind::idle);
    };
    take();
    recognizer->answer("明天见");
    EXPECT_EQ(recordingWhenAsked, std::vector<bool>{true});
    EXPECT_EQ(inserter.texts.size(), 1u);
    secureInput = true;
    EXPECT_EQ(refusedTake(), "密码框里不能用语音输入");
    EXPECT_EQ(recordingWhenAsked, (std::vector<bool>{true, true}));
    EXPECT_EQ(shownWhenAsked, (std::vector<Kind>{Kind::listening, Kind::listening}));
    EXPECT_FALSE(input->recording());
    EXPECT_EQ(recognizer->requests.size(), 1u);
    EXPECT_EQ(inserter.texts.size(), 1u);
    // Let go of before the probe was asked (the HUD took its time to show): still asked, still refused.
    fn(true);
    input->deliver(clip.samples);
    fn(false);
    EXPECT_EQ(recordingWhenAsked.size(), 2u);
    wait(MicSource::tail);
    EXPECT_EQ(controller->phase(), VoicePhase::notice("密码框里不能用语音输入", true));
    EXPECT_EQ(recognizer->requests.size(), 1u);
    EXPECT_EQ(inserter.texts.size(), 1u);
}

TEST_F(VoiceTest, StopGatesEndTheTakeWithTheirNotices) {
    const auto gate = [this](AudioClip clip) {
        this->clip = std::move(clip);
        take();
        return controller->phase().text;
    };
    EXPECT_EQ(gate(speech(0.25, 0.25)), ""); // too short a clip
    EXPECT_EQ(gate(speech(1.0, 0.5, 0.001)), "声音太小：靠近麦克风，或在「设置 → 声音 → 输入」调大输入音量");
    EXPECT_EQ(gate(speech(1.0, 0.14, 0.1)), "没听清，再说一次"); // loud enough once amplified, too short
    EXPECT_EQ(gate(speech(1.0, 0)), "麦克风没有声音：检查麦克风权限和「声音 → 输入」设备");
    EXPECT_EQ(needsSetup + recognizer->requests.size(), 1u);
}

// Esc ends a held take, a hands-free one and one whose microphone is still opening; Esc and Space are
// grabbed only while they can mean something to the take.
TEST_F(VoiceTest, EscCallsATakeOffAndStopsTheMicrophoneInEveryState) {
    fn(true);
    EXPECT_TRUE(press(esc));
    EXPECT_FALSE(input->recording());
    fn(false);
    EXPECT_EQ(controller->swallowableKeys(), QList<int>({esc})); // until Esc's key-up, after the take too
    key(KeyInput::keyUp(esc));
    EXPECT_TRUE(controller->swallowableKeys().isEmpty());

    fn(true); // hands-free, Fn released
    EXPECT_EQ(controller->swallowableKeys(), QList<int>({space, esc}));
    EXPECT_TRUE(press(space));
    fn(false);
    key(KeyInput::keyUp(space));
    EXPECT_EQ(controller->swallowableKeys(), QList<int>({esc})); // a Space now is the user's
    EXPECT_TRUE(input->recording());
    tap(esc);
    EXPECT_FALSE(input->recording());

    input->slowOpening = true; // the opening that ends later changes nothing
    fn(true);
    tap(esc);
    fn(false);
    EXPECT_FALSE(input->recording());
    input->open();
    EXPECT_EQ(phase(), Kind::idle);
    EXPECT_TRUE(recognizer->requests.empty()); // nothing called off went to recognition
}

// A hands-free take ends itself at the limit; the controller going away in its tail leaves the tail's end
// nothing to do.
TEST_F(VoiceTest, TheRecordingLimitEndsAHandsFreeTake) {
    fn(true);
    tap(space);
    fn(false);
    wait(120);
    EXPECT_FALSE(controller->isRecording());
    controller.reset();
    wait(1);
}

// A failed clip stays on offer until its retry succeeds. A retry from the menu while a take is still taking
// in its tail is ignored: that take goes on to recognition, and the hotkey keeps working afterwards.
TEST_F(VoiceTest, ARetryWhileATakeEndsNeitherDropsItNorLocksTheHotkey) {
    take();
    const AudioClip sent = recognizer->requests[0].clip;
    recognizer->fail("云端太慢，已超时");
    EXPECT_EQ(controller->phase(), VoicePhase::notice("云端太慢，已超时，可在菜单里重试", true));
    wait(3);

    clip = speech(0.8);
    hold(0.6);
    controller->retryLast();
    wait(MicSource::tail);
    controller->retryLast(); // nor while another recognition runs
    ASSERT_EQ(recognizer->requests.size(), 2u);
    EXPECT_EQ(recognizer->requests[1].clip.samples.size(), 12800u); // the new take, not the failed one
    recognizer->answer("第二段"); // an unrelated success leaves the failed recording on offer
    EXPECT_EQ(controller->failedClip(), sent);
    wait(3);
    take();
    recognizer->answer("第三段");
    wait(3);
    controller->retryLast();
    EXPECT_EQ(recognizer->requests.at(3).clip, sent); // after the third take: the hotkey still worked
    wait(0.3);
    recognizer->answer("重试好了");
    EXPECT_FALSE(controller->failedClip());
    EXPECT_NEAR(timings.back().releaseToInsert, 0.3, 1e-9); // measured from the retry

    fn(true); // Shift during a take turns it into a recall, and its failed clip is retried as one
    speak(0.5);
    key(KeyInput::shift(true));
    wait(0.5);
    fn(false);
    wait(MicSource::tail);
    recognizer->fail();
    wait(3);
    controller->retryLast();
    EXPECT_FALSE(recognizer->requests.at(4).tidied || recognizer->requests.at(5).tidied);
}

TEST_F(VoiceTest, RecallInsertsOneConfidentMatchAtOnceAndOffersSeveralByNumber) {
    recallTake("公司地址");
    wait(0); // inserted from the event loop
    EXPECT_EQ(inserter.texts, std::vector<QString>{"浦东路 2 号"});
    EXPECT_EQ(store.memories()[1].useCount, 1);
    wait(1);
    recallTake("地址");
    EXPECT_EQ(controller->phase(), VoicePhase::choosing({{home.id, "家庭地址", "海淀路 1 号", false},
                                                         {work.id, "公司地址", "浦东路 2 号", false}},
                                                        std::nullopt));
    EXPECT_TRUE(press(three)); // no third choice: swallowed, nothing happens
    inserter.holding = true;   // the pick is inserted once, whatever its key does meanwhile
    EXPECT_TRUE(press(two));
    wait(0);
    // Auto-repeats of the held key stay swallowed and pick nothing, its key-up is swallowed once, and a
    // fresh press is the user's again.
    EXPECT_TRUE(press(two, true) && key(KeyInput::keyUp(two)));
    EXPECT_FALSE(key(KeyInput::keyUp(two)) || press(two) || press(two, true));
    EXPECT_EQ(inserter.texts, std::vector<QString>(2, "浦东路 2 号"));
    EXPECT_EQ(inserter.secret, std::vector<bool>(2, false)); // plain values are plain text
}

// The picked key is kept from the application until its key-up (the key source holds the keyboard all that
// time, which a GTK field takes for a loss of focus): the memory goes in once the key is up.
TEST_F(VoiceTest, APickIsInsertedOnceItsKeyIsUp) {
    KeyTap tap(std::make_unique<FakeKeySource>(), clock);
    tap.handler = [this](const KeyInput& input, double time) { return controller->handle(input, time); };
    controller->keysSettled = [&] { return tap.keysSettled(scheduler); };
    recallTake("地址");
    EXPECT_TRUE(tap.process({KeyEvent::keyDown, two, false, 0, 0}));
    wait(1);
    EXPECT_TRUE(inserter.texts.empty()) << "its key is still down";
    EXPECT_TRUE(tap.process({KeyEvent::keyUp, two, false, 0, 0}));
    wait(0);
    EXPECT_EQ(inserter.texts, std::vector<QString>{"浦东路 2 号"});
}

TEST_F(VoiceTest, RecallOfASensitiveMemoryNeedsASecondPress) {
    recallTake("WiFi 密码");
    EXPECT_EQ(controller->phase().choices.value(0).preview, "••••••（敏感信息，确认后才插入）");
    wait(11);
    EXPECT_TRUE(press(keypadOne)); // arms it and restarts the 12 s
    wait(11);
    EXPECT_TRUE(inserter.texts.empty());
    EXPECT_TRUE(press(keypadOne, true)); // the held key's auto-repeat is the second press
    wait(0);
    EXPECT_EQ(inserter.texts, std::vector<QString>{"hunter22"});
    EXPECT_FALSE(controller->lastText());                // a secret never becomes the last text
    EXPECT_EQ(inserter.secret, std::vector<bool>{true}); // the way that keeps it out of clipboard managers
}

// Numbered choices over an input method's composition would take its digits, and a key taken from the
// application makes the input method commit its letters raw: with one open, no choices come and the digits
// stay the application's. One confident match still lands, around the composition.
TEST_F(VoiceTest, NoRecallChoicesWhileAnInputMethodComposes) {
    bool composing = true;
    controller->composing = [&] { return composing; };
    recallTake("地址");
    EXPECT_EQ(phase(), Kind::notice);
    EXPECT_EQ(controller->phase().text, "输入法还在输入，先上屏或取消再唤起");
    EXPECT_FALSE(controller->swallowableKeys().contains(two));
    EXPECT_FALSE(press(two));
    EXPECT_TRUE(inserter.texts.empty());
    wait(3);
    recallTake("公司地址");
    wait(0); // inserted from the event loop
    EXPECT_EQ(inserter.texts, std::vector<QString>{"浦东路 2 号"});
    composing = false;
    wait(3);
    recallTake("地址");
    EXPECT_EQ(phase(), Kind::choosing);
}

// An input method composing in the field may keep the paste key to itself: a take and a one-match recall
// over a composition go in by the way that sees them land, and what stays on the clipboard is never logged
// as inserted or shown with a tick.
TEST_F(VoiceTest, OverACompositionATakeOrARecallShowsATickOnlyWhenItLanded) {
    QStringList lines;
    controller->log = [&](const QString& line) { lines << line; };
    controller->composing = [] { return true; };
    const QString kept = "文字在剪贴板上：输入法上屏后按 Ctrl+V 粘贴";
    inserter.result = InsertResult::copied(kept);
    take();
    recognizer->answer("明天开会");
    EXPECT_EQ(controller->phase(), VoicePhase::notice(kept, false));
    EXPECT_TRUE(lines.last().endsWith("（留在剪贴板）")) << lines.last().toStdString();
    wait(3);
    recallTake("公司地址");
    wait(0);
    EXPECT_EQ(controller->phase(), VoicePhase::notice(kept, false));
    EXPECT_EQ(inserter.overComposition, std::vector<bool>({true, true}));
}

TEST_F(VoiceTest, TheLastWordAfterTheReleaseIsPartOfTheTake) {
    clip = speech(0.5, 0.25);
    hold();
    wait(0.05);
    EXPECT_EQ(phase(), Kind::listening); // still taking in the last audio, for 60 ms
    speak(0.025);
    wait(0.01);
    EXPECT_EQ(phase(), Kind::processing);
    EXPECT_EQ(recognizer->requests.at(0).clip.samples.size(), 8800u);
    EXPECT_FALSE(input->recording());
}

TEST_F(VoiceTest, ATakeListensWhileTheMicrophoneOpensAndKeepsItsFirstAudio) {
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
    EXPECT_EQ(recognizer->requests.at(0).clip.samples.size(), 8000u);
    recognizer->answer("好");

    // A microphone that fails to open after the release ends the take with its message.
    wait(1);
    hold();
    input->open("麦克风打不开：设备打开失败");
    EXPECT_EQ(controller->phase(), VoicePhase::notice("麦克风打不开：设备打开失败", true));
    EXPECT_EQ(recognizer->requests.size(), 1u);
}

} // namespace
