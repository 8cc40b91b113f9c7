#include "Dictation/Permissions.h"
#include "Dictation/SetupModel.h"

#include "support/FakePlatform.h"
#include "support/FakeScheduler.h"
#include "support/MemoryDefaults.h"

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

TEST(Permissions, TheHotkeyFollowsTheSettingAndTheKeyboardMustBeWatchable) {
    FakePlatform platform;
    MemoryDefaults defaults;
    Permissions permissions{platform, defaults};
    platform.fake.keyboard.hotkeys["Control_R"] = KeyboardProbe::KeyState::taken;
    EXPECT_FALSE(permissions.allSet());
    defaults.setValue(KeySource::fnKeySetting, "F13");
    EXPECT_TRUE(permissions.allSet());

    platform.fake.keyboard.watching = false; // a bus that answers is not enough
    EXPECT_FALSE(permissions.allSet());
}

// A sound server that answers only after the start brings the microphone to the readiness then, with no
// window polling; a model gone no longer listens.
TEST(Permissions, TheMicrophoneFollowsTheSoundServerWhenItAnswersLate) {
    FakePlatform platform;
    MemoryDefaults defaults;
    FakeClock clock;
    FakeScheduler scheduler{clock};
    Permissions permissions{platform, defaults};
    platform.fake.audioInputs.present = false;
    {
        SetupModel setup{permissions, [] { return true; }, scheduler};
        EXPECT_EQ(setup.missing(), QList{SetupModel::Missing::mic});
        platform.fake.audioInputs.present = true;
        ASSERT_TRUE(platform.fake.audioInputs.onChange);
        platform.fake.audioInputs.onChange();
        EXPECT_TRUE(setup.ready());
    }
    EXPECT_FALSE(platform.fake.audioInputs.onChange);
}
