// Whether an input method takes an application's keys, as the desktop tells it: never for an application
// started without one, nor while the one it names does not run; with fcitx5 while it is switched on in the
// field (not in its English mode); with ibus once it runs.
#include "Platform/Linux/SessionInputMethods.h"

#include "LinuxDesktop.h"
#include "support/Fcitx.h"
#include "support/Ibus.h"
#include "support/TargetWindow.h"

#include <QDBusInterface>
#include <QDBusReply>

using namespace mivora;
using namespace mivora::test;

namespace {

struct InputMethodInUse : LinuxDesktop {
    // The GTK test window typing through what `environment` names, in front with its field focused.
    static ::testing::AssertionResult inFrontWith(TargetWindow& target,
                                                  const QProcessEnvironment& environment) {
        if (!target.start("/usr/bin/python3", {MIVORA_GTK_TARGET, "--gtk", "3"}, environment) ||
            !target.waitForLine("ready"))
            return ::testing::AssertionFailure() << target.lines().join('\n').toStdString();
        return ::testing::AssertionSuccess();
    }
    static int fcitxState() {
        QDBusInterface controller("org.fcitx.Fcitx5", "/controller", "org.fcitx.Fcitx.Controller1");
        return QDBusReply<int>(controller.call("State")).value();
    }
};

TEST_F(InputMethodInUse, IsKnownFromTheApplicationAndTheInputMethodThatRuns) {
    SessionInputMethods methods;
    TargetWindow plain, beforeFcitx;
    ASSERT_TRUE(inFrontWith(plain, QProcessEnvironment::systemEnvironment()));
    ASSERT_TRUE(inFrontWith(beforeFcitx, Fcitx::environment()));
    EXPECT_FALSE(methods.composesFor(plain.processId()));
    EXPECT_FALSE(methods.composesFor(beforeFcitx.processId())) << "no fcitx runs";

    TargetWindow viaFcitx;
    {
        Fcitx fcitx;
        ASSERT_TRUE(fcitx.ready()) << fcitx.output().toStdString();
        ASSERT_TRUE(inFrontWith(viaFcitx, Fcitx::environment()));
        ASSERT_TRUE(waitUntil([&] { return fcitxState() == 2; }, desktopDeadlineMs));
        EXPECT_TRUE(methods.composesFor(viaFcitx.processId()));
        EXPECT_FALSE(methods.composesFor(plain.processId()));
        // Asked again until it has switched: a busy input method may not have the field's focus yet.
        ASSERT_TRUE(waitUntil(
            [&] {
                QDBusInterface("org.fcitx.Fcitx5", "/controller", "org.fcitx.Fcitx.Controller1")
                    .call("Deactivate");
                return fcitxState() == 1;
            },
            desktopDeadlineMs));
        EXPECT_FALSE(methods.composesFor(viaFcitx.processId())) << "switched to its English mode";
    }
    EXPECT_FALSE(methods.composesFor(viaFcitx.processId())) << "fcitx has gone";

    Ibus ibus;
    ASSERT_TRUE(ibus.ready()) << ibus.output().toStdString();
    TargetWindow viaIbus;
    ASSERT_TRUE(inFrontWith(viaIbus, Ibus::environment()));
    EXPECT_TRUE(methods.composesFor(viaIbus.processId()));
    EXPECT_FALSE(methods.composesFor(viaFcitx.processId()));
    EXPECT_FALSE(methods.composesFor(plain.processId()));
}

} // namespace
