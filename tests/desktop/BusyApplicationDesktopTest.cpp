// The real program beside a GTK entry in an application whose main loop is busy 400 of every 500 ms (a
// loading browser, an indexing editor), whose answers to the program's looks at its field come late: the
// program's own keys and its microphone wait for none of them.
#include "LinuxDesktop.h"
#include "support/ChildProcess.h"
#include "support/FakeOpenAI.h"
#include "support/RelayProgram.h"
#include "support/StoredSignIn.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <memory>

// Bring Xlib, whose macros clash with Qt and GoogleTest names: include them last.
#include "support/DesktopInput.h"

#include <X11/Xatom.h>

using namespace mivora;
using namespace mivora::test;

namespace {

using DisplayPtr = std::unique_ptr<Display, int (*)(Display*)>;

struct BusyApplication : LinuxDesktop {
    FakeOpenAI server;
    QTemporaryDir dir;
    RelayProgram program{dir, server.url("/")};
    StoredSignIn signedIn{platform->secrets()};
    QProcess* mivora = nullptr;
    ChildProcess busy;  // the slow application, with its entry
    ChildProcess other; // another application's window, to click into
    Window busyWindow = None, otherWindow = None;
    DisplayPtr keyboard{XOpenDisplay(nullptr), XCloseDisplay};

    // The program with a memory to offer (so that it reads what is typed), the other window, and the busy
    // one in front of it.
    ::testing::AssertionResult startBesideBusyField() {
        program.holdMemories({Memory{.title = "公司地址", .value = "北京市海淀区中关村大街1号"}});
        mivora = program.start();
        if (auto watching = program.watchesKeys(); !watching) return watching;
        if (!program.toldWhatIsLeft()) return ::testing::AssertionFailure() << "no word of what is left";
        if (!other.startInFront(platform->frontApplication(), "mivora_target"))
            return ::testing::AssertionFailure() << "the other window never came in front";
        otherWindow = focusWindow();
        if (!busy.startInFront(platform->frontApplication(), "/usr/bin/python3",
                               {MIVORA_GTK_TARGET, "--gtk", "3", "--busy"}))
            return ::testing::AssertionFailure() << "the busy field never came in front";
        busyWindow = focusWindow();
        return ::testing::AssertionSuccess();
    }
    Window focusWindow() {
        Window focus = None;
        int revert = 0;
        XGetInputFocus(keyboard.get(), &focus, &revert);
        return focus;
    }
    bool focus(Window window, const ChildProcess& owner) {
        XSetInputFocus(keyboard.get(), window, RevertToParent, CurrentTime);
        XSync(keyboard.get(), False);
        return waitUntil(
            [&] {
                return platform->frontApplication().current().value_or(FrontApp{}).pid == owner.processId();
            },
            desktopDeadlineMs);
    }
    void hotkey(bool down) {
        XTestFakeKeyEvent(keyboard.get(), XKeysymToKeycode(keyboard.get(), XK_Control_R), down, CurrentTime);
        XSync(keyboard.get(), False);
    }
    qsizetype takes() const { return program.log().filter("开始听").size(); }

    // The program's HUD as the X server maps and unmaps it: a window of its own that bypasses the window
    // manager (the main window does not).
    DisplayPtr watcher{XOpenDisplay(nullptr), XCloseDisplay};
    Window hud = None;
    bool hudMapped = false;
    void watchHud() {
        XSelectInput(watcher.get(), DefaultRootWindow(watcher.get()), SubstructureNotifyMask);
        XSync(watcher.get(), False);
    }
    qint64 pidOf(Window window) {
        Atom type = None;
        int format = 0;
        unsigned long items = 0, after = 0;
        unsigned char* data = nullptr;
        qint64 pid = 0;
        if (XGetWindowProperty(watcher.get(), window, XInternAtom(watcher.get(), "_NET_WM_PID", False), 0, 1,
                               False, XA_CARDINAL, &type, &format, &items, &after, &data) == Success &&
            data && items == 1)
            pid = qint64(*reinterpret_cast<unsigned long*>(data));
        if (data) XFree(data);
        return pid;
    }
    // Reads what the server told of the HUD so far.
    void followHud() {
        while (XPending(watcher.get()) > 0) {
            XEvent event;
            XNextEvent(watcher.get(), &event);
            if (event.type == MapNotify && event.xmap.override_redirect &&
                (event.xmap.window == hud || pidOf(event.xmap.window) == mivora->processId())) {
                hud = event.xmap.window;
                hudMapped = true;
            } else if (event.type == UnmapNotify && event.xunmap.window == hud) {
                hudMapped = false;
            }
        }
    }
    // Takes over, with a clip or called off as too short a press.
    qsizetype ended() const { return program.log().filter(QRegularExpression("松开，录音|取消（")).size(); }
    QString trace() { return (program.log() + busy.lines()).join('\n'); }
};

// Typed into the busy field, the program looks at it (its kind, the text before the caret) and waits on its
// late answers; meanwhile the user clicks into another window and presses the hotkey 100 ms later. The
// press is the user's own, into a window no other program's grab holds: it is heard every time.
TEST_F(BusyApplication, TheHotkeyPressedRightAfterAClickAwayIsHeard) {
    ASSERT_TRUE(startBesideBusyField());
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(focus(busyWindow, busy));
        ASSERT_TRUE(typeText(busy, "我的")) << trace().toStdString();
        // The program reads the field once typing pauses for 180 ms: the click comes while it waits on it.
        QTest::qWait(250);
        XTestFakeButtonEvent(keyboard.get(), 1, True, CurrentTime);
        XTestFakeButtonEvent(keyboard.get(), 1, False, CurrentTime);
        XSetInputFocus(keyboard.get(), otherWindow, RevertToParent, CurrentTime);
        XSync(keyboard.get(), False);
        QTest::qWait(100);
        const qsizetype before = takes();
        hotkey(true);
        const bool heard = waitUntil([&] { return takes() > before; }, desktopDeadlineMs);
        hotkey(false);
        EXPECT_TRUE(heard) << trace().toStdString();
        // The take, with nothing said, is over before the next round.
        ASSERT_TRUE(waitUntil([&] { return ended() > before; }, desktopDeadlineMs)) << trace().toStdString();
    }
}

// With the busy field in front, the hotkey's take records and shows at once: neither the microphone nor the
// HUD waits for the application's answer to whether its field is a password field (which comes after its busy
// 400 ms at the worst, and over several questions far later), and that answer still comes.
TEST_F(BusyApplication, ATakeRecordsAtOnceWithTheBusyFieldInFront) {
    watchHud();
    ASSERT_TRUE(startBesideBusyField());
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        ASSERT_TRUE(focus(busyWindow, busy));
        // The sound server tells of each new recording stream as it comes.
        QProcess events;
        events.start("pactl", {"subscribe"});
        ASSERT_TRUE(events.waitForStarted(desktopDeadlineMs));
        QByteArray said;
        // Listening once it tells of another client coming and going.
        ASSERT_TRUE(waitUntil(
            [&] {
                runTool("pactl", {"info"});
                said += events.readAllStandardOutput();
                return said.contains("'remove' on client");
            },
            desktopDeadlineMs));
        said.clear();
        // The HUD of the last take has gone.
        ASSERT_TRUE(waitUntil(
            [&] {
                followHud();
                return !hudMapped;
            },
            desktopDeadlineMs));
        const qsizetype before = takes();
        QElapsedTimer pressed;
        hotkey(true);
        pressed.start();
        qint64 hudAfter = -1;
        const auto hudShown = [&] {
            followHud();
            if (hudMapped && hudAfter < 0) hudAfter = pressed.elapsed();
            return hudAfter >= 0;
        };
        ASSERT_TRUE(waitUntil(
            [&] {
                said += events.readAllStandardOutput();
                return said.contains("'new' on source-output");
            },
            desktopDeadlineMs))
            << said.toStdString() << trace().toStdString();
        const qint64 recordingAfter = pressed.elapsed();
        hudShown();
        EXPECT_TRUE(waitUntil(hudShown, desktopDeadlineMs)) << trace().toStdString();
        EXPECT_TRUE(waitUntil([&] { return takes() > before; }, desktopDeadlineMs)) << trace().toStdString();
        hotkey(false);
        // The microphone closes once the take is over; the next press may start one again.
        EXPECT_TRUE(waitUntil(
            [&] {
                said += events.readAllStandardOutput();
                return said.contains("'remove' on source-output");
            },
            desktopDeadlineMs))
            << said.toStdString();
        events.kill();
        events.waitForFinished(5000);
        // Well under the application's busy 400 ms, which a microphone waiting on its answer would add to.
        EXPECT_LT(recordingAfter, 300) << trace().toStdString();
        // Nor does the HUD that tells the user the take listens.
        EXPECT_LE(hudAfter, 200) << trace().toStdString();
        ASSERT_TRUE(waitUntil([&] { return ended() > before; }, desktopDeadlineMs)) << trace().toStdString();
    }
}

} // namespace
