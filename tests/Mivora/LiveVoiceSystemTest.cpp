#include "LiveVoiceSystem.h"
#include "Dictation/Permissions.h"

#include "support/FakeAudioSource.h"
#include "support/FakeInserter.h"
#include "support/FakePlatform.h"
#include "support/FakeRecognizer.h"
#include "support/FakeScheduler.h"
#include "support/MemoryDefaults.h"

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

// The voice controller on the live probes, wired to a platform of fakes.
class LiveVoiceSystemTest : public ::testing::Test {
protected:
    // A take's answer at the Fn press: the error notice it shows, empty when it records.
    QString take() {
        VoiceController voice(std::make_unique<FakeAudioSource>(), recognizer, inserter, nullptr,
                              liveVoiceSystem(platform, permissions, defaults), scheduler, clock);
        voice.handle(KeyInput::fnDown(), clock.uptime());
        EXPECT_EQ(voice.isRecording(), !voice.phase().isError);
        const QString notice = voice.phase().isError ? voice.phase().text : QString();
        voice.handle(KeyInput::fnUp(), clock.uptime());
        return notice;
    }

    FakePlatform platform;
    MemoryDefaults defaults;
    Permissions permissions{platform, defaults};
    FakeClock clock;
    FakeScheduler scheduler{clock};
    FakeInserter inserter;
    std::shared_ptr<FakeRecognizer> recognizer = std::make_shared<FakeRecognizer>();
};

TEST_F(LiveVoiceSystemTest, APasswordFieldOrAMissingMicrophoneRefusesTheTake) {
    EXPECT_EQ(take(), "");
    platform.fake.accessibility.apps[4242] = FakeElement("AXTextField", true, true, /*password*/ true);
    EXPECT_EQ(take(), "密码框里不能用语音输入");
    // Found anywhere on the desktop when the front application does not answer.
    platform.fake.accessibility.apps.clear();
    platform.fake.accessibility.anywhere = FakeElement("AXTextField", true, true, true);
    EXPECT_EQ(take(), "密码框里不能用语音输入");
    platform.fake.accessibility.anywhere = Accessibility::noValue;
    platform.fake.audioInputs.present = false;
    EXPECT_EQ(take(), "需要麦克风权限，点菜单栏图标完成设置");
}

TEST_F(LiveVoiceSystemTest, FnIsTheKeyTheSettingNamesHeldDownNow) {
    const VoiceController::System live = liveVoiceSystem(platform, permissions, defaults);
    platform.fake.keyboard.down = {"Control_R"};
    EXPECT_TRUE(live.fnIsDown());
    defaults.setValue(KeySource::fnKeySetting, "F13");
    EXPECT_FALSE(live.fnIsDown());
    platform.fake.keyboard.down = {"F13"};
    EXPECT_TRUE(live.fnIsDown());
}

} // namespace
