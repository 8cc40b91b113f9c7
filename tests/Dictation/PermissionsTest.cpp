#include "Dictation/Permissions.h"

#include "support/FakePlatform.h"
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
