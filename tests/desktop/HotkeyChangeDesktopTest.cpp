// The real program on the private desktop: the user changes the hotkey on the settings page the way a person
// does (the button, then keys on the keyboard), and then records hands-free with the new key.
#include "LinuxDesktop.h"
#include "support/BusElement.h"
#include "support/ChildProcess.h"
#include "support/FakeOpenAI.h"
#include "support/MicFifo.h"
#include "support/RelayProgram.h"
#include "support/StoredSignIn.h"

#include <QFile>
#include <QTemporaryDir>

// Bring Xlib, whose macros clash with Qt and GoogleTest names: include them last.
#include "support/DesktopInput.h"

using namespace mivora;
using namespace mivora::test;

namespace {

// A showing element of process `pid` whose name contains `text`.
BusElement showingText(qint64 pid, const QString& text) {
    return findElement(
        pid, [&](const BusElement& e) { return e.has(ATSPI_STATE_SHOWING) && e.name().contains(text); });
}

bool showsText(qint64 pid, const QString& text) {
    return waitUntil([&] { return bool(showingText(pid, text)); }, desktopDeadlineMs);
}

} // namespace

using HotkeyChangeDesktop = LinuxDesktop;

// Keys that type (the Return that would confirm, a letter, a keypad key in either state of Num Lock) are
// refused while the program waits for the new
// key; a function key is taken, and the hands-free hint of the next take names it.
TEST_F(HotkeyChangeDesktop, KeysThatTypeAreRefusedAndTheHandsFreeHintNamesTheNewKey) {
    ASSERT_GE(atspi_init(), 0);
    FakeOpenAI server;
    server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription(QStringLiteral("你好")));
    QTemporaryDir dir;
    RelayProgram relay(dir, server.url("/"));
    relay.finishWelcome();
    const StoredSignIn signedIn(platform->secrets());
    QProcess* mivora = relay.start();
    ASSERT_TRUE(relay.watchesKeys());
    const qint64 pid = mivora->processId();
    const auto settingsFile = [&] {
        QFile file(dir.filePath("config/Mivora/Mivora.ini"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    };

    BusElement settings;
    ASSERT_TRUE(waitUntil([&] { return bool(settings = shown(pid, "设置")); }, desktopDeadlineMs));
    ASSERT_TRUE(settings.press());
    BusElement change;
    ASSERT_TRUE(waitUntil(
        [&] {
            return bool(change = findElement(pid, [](const BusElement& e) {
                            return e.has(ATSPI_STATE_SHOWING) && e.role() == ATSPI_ROLE_PUSH_BUTTON &&
                                   e.name() == "换一个键";
                        }));
        },
        desktopDeadlineMs));
    ASSERT_TRUE(change.press());
    ASSERT_TRUE(showsText(pid, "请按键…"));

    Display* display = XOpenDisplay(nullptr);
    ASSERT_NE(display, nullptr);
    // Keypad 1 with Num Lock off (End): it types 1 once Num Lock is on.
    for (const KeySym typing : {KeySym(XK_Return), KeySym(XK_a), KeySym(XK_KP_End)}) {
        pressKey(display, typing);
        EXPECT_TRUE(showsText(pid, "这个键用来打字，不能当按住说话的键")) << XKeysymToString(typing);
        EXPECT_TRUE(bool(showingText(pid, "请按键…")))
            << "the wait goes on after " << XKeysymToString(typing);
    }
    EXPECT_FALSE(settingsFile().contains("fnKey")) << settingsFile().toStdString();

    pressKey(display, XK_F8);
    ASSERT_TRUE(showsText(pid, "按住说话的键：F8"));
    EXPECT_TRUE(waitUntil([&] { return settingsFile().contains("fnKey=F8"); }, desktopDeadlineMs))
        << settingsFile().toStdString();

    // Hands-free with the new key: hold it until the take starts, add Space, let both go.
    const auto key = [&](KeySym sym, bool down) {
        XTestFakeKeyEvent(display, XKeysymToKeycode(display, sym), down, CurrentTime);
        XSync(display, False);
    };
    MicFifo::drain();
    key(XK_F8, true);
    bool started = waitUntil([&] { return relay.logged("开始听"); }, 3000);
    // The watcher takes the new key once the settings page has checked it; until then, press again.
    for (int tries = 0; !started && tries < desktopDeadlineMs / 3000; ++tries) {
        key(XK_F8, false);
        key(XK_F8, true);
        started = waitUntil([&] { return relay.logged("开始听"); }, 3000);
    }
    ASSERT_TRUE(started) << relay.log().join('\n').toStdString();
    pressKey(display, XK_space);
    key(XK_F8, false);
    // The HUD's hint alone is named just so (the settings page's shortcut list says more around it).
    EXPECT_TRUE(waitUntil([&] { return bool(shown(pid, "F8 结束")); }, desktopDeadlineMs));
    EXPECT_FALSE(bool(shown(pid, "右 Ctrl 结束")));
    // Esc gives the take up.
    pressKey(display, XK_Escape);
    XCloseDisplay(display);
    EXPECT_EQ(mivora->state(), QProcess::Running);
}

// A hotkey that types, put into the settings file by hand, is not taken at start: the default key is, and the
// log says why.
TEST_F(HotkeyChangeDesktop, ATypingKeyStoredByHandGivesWayToTheDefaultAtStart) {
    FakeOpenAI server;
    QTemporaryDir dir;
    RelayProgram relay(dir, server.url("/"));
    relay.finishWelcome("fnKey=KP_End\n");
    const StoredSignIn signedIn(platform->secrets());
    relay.start();
    ASSERT_TRUE(relay.watchesKeys());
    EXPECT_TRUE(relay.logged("设置里的按住说话键 KP_End 是打字用的键，不能当按住说话的键：改用默认的右 Ctrl"))
        << relay.log().join('\n').toStdString();
    EXPECT_TRUE(waitUntil(
        [&] {
            QFile settings(dir.filePath("config/Mivora/Mivora.ini"));
            return settings.open(QIODevice::ReadOnly) && !settings.readAll().contains("fnKey");
        },
        desktopDeadlineMs));
    EXPECT_TRUE(holdHotkeyAndSpeak({}, [&] { return relay.logged("开始听"); }))
        << relay.log().join('\n').toStdString();
}
