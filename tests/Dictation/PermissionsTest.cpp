#include "Dictation/Permissions.h"

#include "Platform/AccessibilityBus.h"
#include "Platform/AudioInputs.h"
#include "Platform/KeyboardProbe.h"
#include "Platform/SettingsPages.h"

#include "support/MemoryDefaults.h"

#include <gtest/gtest.h>

#include <vector>

namespace mivora {
namespace {

using Page = SettingsPages::Page;
using KeyState = KeyboardProbe::KeyState;

// The desktop's services in one, answering what the test sets and recording what is asked.
struct FakeDesktop final : AudioInputs, AccessibilityBus, KeyboardProbe, SettingsPages {
    bool microphone = true, bus = true;
    KeyState hotkey = KeyState::free;
    QString keyAsked;
    std::vector<Page> opened;

    bool available() override { return microphone; }
    bool answers() override { return bus; }
    bool watchable() override { return true; }
    bool isDown(const QString&) override { return false; }
    KeyState hotkeyState(const QString& keyName) override { return keyAsked = keyName, hotkey; }
    bool open(Page page) override { return opened.push_back(page), true; }
};

TEST(Permissions, AskTheDesktopAndOpenItsPageOnlyForWhatIsMissing) {
    FakeDesktop desktop;
    test::MemoryDefaults defaults;
    Permissions::setServices({&desktop, &desktop, &desktop, &desktop, &defaults});
    EXPECT_TRUE(Permissions::allSet());
    EXPECT_EQ(desktop.keyAsked, "Control_R"); // the default hotkey
    EXPECT_TRUE(QCoro::waitFor(Permissions::requestMic()));
    Permissions::requestAccessibility();
    EXPECT_TRUE(desktop.opened.empty());

    desktop.hotkey = KeyState::taken;
    EXPECT_EQ(Permissions::fnUsage(), 1);
    desktop.hotkey = KeyState::missing;
    defaults.setValue("fnKey", "F13");
    EXPECT_EQ(Permissions::fnUsage(), std::nullopt);
    EXPECT_EQ(desktop.keyAsked, "F13");
    desktop.microphone = desktop.bus = false;
    EXPECT_FALSE(QCoro::waitFor(Permissions::requestMic()));
    Permissions::requestAccessibility();
    EXPECT_EQ(desktop.opened, (std::vector<Page>{Page::microphone, Page::accessibility}));
    Permissions::setServices({});
}

} // namespace
} // namespace mivora
