// The real program while the keyboard's map changes under it (xmodmap, setxkbmap): the hotkey is the key that
// types it now, and the key that typed it before is the applications' again.
#include "LinuxDesktop.h"
#include "support/ChildProcess.h"
#include "support/FakeOpenAI.h"
#include "support/RelayProgram.h"
#include "support/StoredSignIn.h"

#include <QTemporaryDir>

#include <memory>

// Bring Xlib, whose macros clash with Qt and GoogleTest names: include them last.
#include "support/DesktopInput.h"

using namespace mivora;
using namespace mivora::test;

namespace {

using DisplayPtr = std::unique_ptr<Display, int (*)(Display*)>;

struct KeyMapChangeDesktop : LinuxDesktop {
    FakeOpenAI server;
    QTemporaryDir dir;
    RelayProgram program{dir, server.url("/")};
    StoredSignIn signedIn{platform->secrets()};
    DisplayPtr keyboard{XOpenDisplay(nullptr), XCloseDisplay};
    Window window = None; // an application's window of the test's own, which tells the keys it gets

    void SetUp() override {
        ASSERT_TRUE(keyboard);
        window =
            XCreateSimpleWindow(keyboard.get(), DefaultRootWindow(keyboard.get()), 0, 0, 200, 100, 0, 0, 0);
        XSelectInput(keyboard.get(), window, KeyPressMask | ExposureMask);
        XMapWindow(keyboard.get(), window);
        XSync(keyboard.get(), False);
    }

    ::testing::AssertionResult startWithHotkey(const QByteArray& settings) {
        program.finishWelcome(settings);
        program.start();
        if (auto watching = program.watchesKeys(); !watching) return watching;
        if (!program.toldWhatIsLeft()) return ::testing::AssertionFailure() << "no word of what is left";
        return ::testing::AssertionSuccess();
    }
    qsizetype takes() const { return program.log().filter("开始听").size(); }
    qsizetype ended() const { return program.log().filter(QRegularExpression("松开，录音|取消（")).size(); }
    std::string trace() const { return program.log().join('\n').toStdString(); }
    // Key presses of `keycode` our window received since the last look.
    int pressesReceived(unsigned int keycode) {
        XSync(keyboard.get(), False);
        int presses = 0;
        XEvent event;
        while (XCheckWindowEvent(keyboard.get(), window, KeyPressMask | ExposureMask, &event))
            if (event.type == KeyPress && event.xkey.keycode == keycode) ++presses;
        return presses;
    }
    void focusWindow() {
        XSetInputFocus(keyboard.get(), window, RevertToParent, CurrentTime);
        XSync(keyboard.get(), False);
        pressesReceived(0);
    }
    void key(unsigned int keycode, bool down) {
        XTestFakeKeyEvent(keyboard.get(), keycode, down, CurrentTime);
        XSync(keyboard.get(), False);
    }
    // Presses and lets go of `keycode` until a take starts (the program follows a new map once it has read
    // it); false when none did. Every take is over before this returns.
    bool startsATake(unsigned int keycode) {
        const qsizetype before = takes(), endedBefore = ended();
        bool started = false;
        for (int tries = 0; !started && tries < desktopDeadlineMs / 2000; ++tries) {
            key(keycode, true);
            started = waitUntil([&] { return takes() > before; }, 2000);
            key(keycode, false);
        }
        return started && waitUntil([&] { return ended() > endedBefore; }, desktopDeadlineMs);
    }
    // A press and release of `keycode` reaches the window and starts no take.
    ::testing::AssertionResult reachesTheApplication(unsigned int keycode) {
        const qsizetype before = takes();
        key(keycode, true);
        key(keycode, false);
        int received = 0;
        waitUntil([&] { return (received += pressesReceived(keycode)) > 0; }, desktopDeadlineMs);
        if (received != 1)
            return ::testing::AssertionFailure() << "the window got " << received << " presses";
        if (takes() != before) return ::testing::AssertionFailure() << "it started a take";
        return ::testing::AssertionSuccess();
    }
};

} // namespace

// F9 is the hotkey; xmodmap swaps F9 and F10. The key that types F9 now starts takes and is kept from the
// window; the key that typed F9 before types F10 into the window and starts nothing.
TEST_F(KeyMapChangeDesktop, AHotkeyMovedByXmodmapFollowsTheKeyThatTypesItNow) {
    const unsigned int f9 = XKeysymToKeycode(keyboard.get(), XK_F9),
                       f10 = XKeysymToKeycode(keyboard.get(), XK_F10);
    ASSERT_TRUE(f9 && f10);
    ASSERT_TRUE(startWithHotkey("fnKey=F9\n"));
    focusWindow();
    ASSERT_TRUE(startsATake(f9)) << trace();
    EXPECT_EQ(pressesReceived(f9), 0);

    const auto remap = [&](unsigned int nine, unsigned int ten) {
        return QProcess::execute("xmodmap", {"-e", QString("keycode %1 = F9").arg(nine), "-e",
                                             QString("keycode %1 = F10").arg(ten)});
    };
    ASSERT_EQ(remap(f10, f9), 0);
    // Presses made before the program read the new map were the window's: count from then on.
    ASSERT_TRUE(startsATake(f10)) << trace();
    pressesReceived(f10);
    EXPECT_TRUE(startsATake(f10)) << trace();
    EXPECT_EQ(pressesReceived(f10), 0) << "the new hotkey reached the window";
    EXPECT_TRUE(reachesTheApplication(f9)) << trace();
    remap(f9, f10);
}

// The right Ctrl is the hotkey; the keyboard has none, and the usual option makes the right Alt type it.
TEST_F(KeyMapChangeDesktop, ARightAltMadeARightControlBySetxkbmapStartsTakes) {
    const unsigned int rightAlt = XKeysymToKeycode(keyboard.get(), XK_Alt_R);
    ASSERT_NE(rightAlt, 0u);
    ASSERT_TRUE(startWithHotkey({}));
    focusWindow();
    ASSERT_EQ(QProcess::execute("setxkbmap", {"-layout", "us", "-option", "ctrl:ralt_rctrl"}), 0);
    EXPECT_TRUE(startsATake(rightAlt)) << trace();
    QProcess::execute("setxkbmap", {"-layout", "us", "-option", ""});
}
