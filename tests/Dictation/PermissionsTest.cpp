#include "Dictation/Permissions.h"

#include "Platform/AccessibilityBus.h"
#include "Platform/AudioInputs.h"
#include "Platform/KeyboardProbe.h"
#include "Platform/Linux/DesktopSettingsPages.h"
#include "Platform/SettingsPages.h"

#include "support/MemoryDefaults.h"

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <qcoro/qcorotask.h>

#include <vector>

namespace mivora {
namespace {

using Page = SettingsPages::Page;
using KeyState = KeyboardProbe::KeyState;

struct FakeInputs final : AudioInputs {
    bool present = true;
    int asked = 0;
    bool available() override {
        ++asked;
        return present;
    }
};
struct FakeBus final : AccessibilityBus {
    bool up = true;
    int asked = 0;
    bool answers() override {
        ++asked;
        return up;
    }
};
struct FakeKeyboard final : KeyboardProbe {
    bool canWatch = true;
    KeyState state = KeyState::free;
    QString askedFor;
    bool watchable() override { return canWatch; }
    bool isDown(const QString&) override { return false; }
    KeyState hotkeyState(const QString& keyName) override {
        askedFor = keyName;
        return state;
    }
};
struct FakePages final : SettingsPages {
    std::vector<Page> opened;
    bool open(Page page) override {
        opened.push_back(page);
        return true;
    }
};

class PermissionsTest : public ::testing::Test {
protected:
    PermissionsTest() { Permissions::setServices({&inputs, &bus, &keyboard, &pages, &defaults}); }
    ~PermissionsTest() override { Permissions::setServices({}); }

    FakeInputs inputs;
    FakeBus bus;
    FakeKeyboard keyboard;
    FakePages pages;
    test::MemoryDefaults defaults;
};

TEST_F(PermissionsTest, PanesAreKnownByTheirExactNames) {
    using Pane = Permissions::Pane;
    for (Pane p : {Pane::microphone, Pane::accessibility, Pane::keyboard})
        EXPECT_EQ(Permissions::pane(Permissions::rawValue(p)), p);
    EXPECT_EQ(Permissions::pane("x-apple.systempreferences:com.apple.Keyboard-Settings.extension"),
              Pane::keyboard);
    EXPECT_FALSE(Permissions::pane("x-apple.systempreferences:com.apple.Keyboard-Settings.extension "));
    EXPECT_FALSE(Permissions::pane("x-apple.systempreferences:com.apple.preference.security"));
    EXPECT_FALSE(Permissions::pane(""));
}

TEST_F(PermissionsTest, TheHotkeySettingIsUsableOnlyWhenItsKeyIsFree) {
    keyboard.state = KeyState::missing;
    EXPECT_EQ(Permissions::fnUsage(), std::nullopt);
    EXPECT_FALSE(Permissions::fnKeyFree());
    EXPECT_FALSE(Permissions::allSet());
    EXPECT_EQ(keyboard.askedFor, "Control_R"); // the default hotkey

    keyboard.state = KeyState::taken;
    EXPECT_EQ(Permissions::fnUsage(), 1);
    EXPECT_FALSE(Permissions::fnKeyFree());

    keyboard.state = KeyState::free;
    defaults.setValue("fnKey", "F13");
    EXPECT_EQ(Permissions::fnUsage(), 0);
    EXPECT_TRUE(Permissions::fnKeyFree());
    EXPECT_EQ(keyboard.askedFor, "F13");
    EXPECT_TRUE(Permissions::allSet());
}

TEST_F(PermissionsTest, AskingForTheMicrophoneOpensItsPageOnlyWhenThereIsNone) {
    EXPECT_EQ(Permissions::micStatus(), Permissions::MicStatus::authorized);
    EXPECT_TRUE(QCoro::waitFor(Permissions::requestMic()));
    EXPECT_TRUE(pages.opened.empty());

    inputs.present = false;
    EXPECT_EQ(Permissions::micStatus(), Permissions::MicStatus::denied);
    EXPECT_FALSE(QCoro::waitFor(Permissions::requestMic()));
    EXPECT_EQ(pages.opened, std::vector<Page>{Page::microphone});
}

TEST_F(PermissionsTest, AccessibilityNeedsTheBusAndAWatchableKeyboard) {
    Permissions::requestAccessibility();
    EXPECT_TRUE(pages.opened.empty());

    keyboard.canWatch = false;
    EXPECT_FALSE(Permissions::accessibility());
    Permissions::requestAccessibility();
    keyboard.canWatch = true;
    bus.up = false;
    EXPECT_FALSE(Permissions::accessibility());
    Permissions::requestAccessibility();
    EXPECT_EQ(pages.opened, (std::vector<Page>{Page::accessibility, Page::accessibility}));
}

TEST_F(PermissionsTest, AllSetStopsAtTheFirstMissingPiece) {
    inputs.present = false;
    EXPECT_FALSE(Permissions::allSet());
    EXPECT_EQ(bus.asked, 0);
    inputs.present = true;
    bus.up = false;
    keyboard.askedFor.clear();
    EXPECT_FALSE(Permissions::allSet());
    EXPECT_TRUE(keyboard.askedFor.isEmpty());
}

TEST(DesktopSettingsPages, EachDesktopOpensItsOwnPageOrNothing) {
    QStringList installed;
    const DesktopSettingsPages::Finder find = [&](const QString& p) {
        return installed.contains(p) ? "/usr/bin/" + p : QString();
    };
    installed = {"gnome-control-center", "pavucontrol"};
    EXPECT_EQ(DesktopSettingsPages::command("ubuntu:GNOME", Page::microphone, find),
              (QStringList{"/usr/bin/gnome-control-center", "sound"}));
    EXPECT_EQ(DesktopSettingsPages::command("GNOME", Page::keyboard, find),
              (QStringList{"/usr/bin/gnome-control-center", "keyboard"}));
    installed = {"systemsettings5"};
    EXPECT_EQ(DesktopSettingsPages::command("KDE", Page::accessibility, find),
              (QStringList{"/usr/bin/systemsettings5", "kcm_access"}));
    // A desktop without its settings program installed, or an unknown one: only a mixer, and only for
    // the microphone.
    installed = {"pavucontrol"};
    EXPECT_EQ(DesktopSettingsPages::command("GNOME", Page::microphone, find).value(0),
              "/usr/bin/pavucontrol");
    EXPECT_TRUE(DesktopSettingsPages::command("i3", Page::keyboard, find).isEmpty());
    EXPECT_TRUE(DesktopSettingsPages::command("", Page::accessibility, find).isEmpty());

    int launches = 0;
    DesktopSettingsPages pages("i3", find,
                               [&](const QString&, const QStringList&) { return ++launches > 0; });
    EXPECT_FALSE(pages.open(Page::keyboard));
    EXPECT_TRUE(pages.open(Page::microphone));
    EXPECT_EQ(launches, 1);
}

} // namespace
} // namespace mivora
