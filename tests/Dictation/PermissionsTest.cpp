#include "Dictation/Permissions.h"

#include "support/FakePlatform.h"
#include "support/MemoryDefaults.h"

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

class PermissionsTest : public ::testing::Test {
protected:
    FakePlatform platform;
    MemoryDefaults defaults;
    Permissions permissions{platform, defaults};
};

TEST_F(PermissionsTest, EachNeedIsAskedOfItsServiceAndOpensItsOwnPage) {
    EXPECT_TRUE(permissions.allSet());
    platform.fake.keyboard.hotkeys["Control_R"] = KeyboardProbe::KeyState::taken;
    EXPECT_EQ(permissions.fnUsage(), 1);
    defaults.setValue(KeySource::fnKeySetting, "F13"); // the hotkey follows the setting
    EXPECT_EQ(permissions.fnUsage(), 0);
    platform.fake.keyboard.hotkeys["F13"] = KeyboardProbe::KeyState::missing;
    EXPECT_EQ(permissions.fnUsage(), std::nullopt);
    EXPECT_FALSE(permissions.allSet());

    platform.fake.keyboard.watching = false; // a bus that answers is not enough
    permissions.requestAccessibility();
    platform.fake.audioInputs.present = false;
    EXPECT_FALSE(QCoro::waitFor(permissions.requestMic()));
    EXPECT_EQ(platform.fake.settings.opened,
              (std::vector<SettingsPages::Page>{SettingsPages::Page::accessibility,
                                                SettingsPages::Page::microphone}));
}

} // namespace
