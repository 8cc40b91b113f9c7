#include "Keys/HotkeyMachine.h"
#include "Keys/KeyTap.h"
#include "Platform/KeyCodes.h"
#include "Platform/Linux/LinuxPlatform.h"
#include "Support/AppLog.h"
#include "Support/Clock.h"
#include "Support/Scheduler.h"

#include "support/ChildProcess.h"
#include "support/MemoryDefaults.h"

#include <QFile>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

// Xlib's macros clash with Qt and GoogleTest names: include it last.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace mivora {
namespace {

// A key tap on the desktop's key source, another application holding the focus and printing every key
// it receives, and the user's keyboard: XTest events from a connection of the test's own.
class KeyTapDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(display);
        ASSERT_TRUE(target.startInFront(platform->frontApplication(), "mivora_target"));
        tap.handler = [this](const KeyInput& input, double time) {
            seen.push_back(input);
            return answer(input, time);
        };
        ASSERT_TRUE(tap.start());
    }
    void TearDown() override {
        if (display) XCloseDisplay(display);
    }
    int keycode(KeySym sym) const { return XKeysymToKeycode(display, sym); }
    // Posts a key event and waits until the tap has handed it on (our source reads on this thread's
    // event loop).
    void send(KeySym sym, bool down) {
        const std::size_t before = seen.size();
        XTestFakeKeyEvent(display, keycode(sym), down, CurrentTime);
        XFlush(display);
        EXPECT_TRUE(QTest::qWaitFor([&] { return seen.size() > before; }, 5000)) << XKeysymToString(sym);
    }
    // Holds a key down until `done`, then lets it go.
    void hold(KeySym sym, const std::function<bool()>& done) {
        send(sym, true);
        EXPECT_TRUE(QTest::qWaitFor(done, 5000)) << XKeysymToString(sym);
        send(sym, false);
    }
    void tapKey(KeySym sym) {
        send(sym, true);
        send(sym, false);
    }
    bool saw(const KeyInput& input) const { return std::find(seen.begin(), seen.end(), input) != seen.end(); }
    bool targetGot(const QString& line) { return target.lines().contains(line); }

    Display* display = XOpenDisplay(nullptr);
    test::MemoryDefaults defaults;
    SystemClock clock;
    QtScheduler scheduler;
    std::unique_ptr<Platform> platform = LinuxPlatform::make(defaults, clock, scheduler);
    test::ChildProcess target;
    KeyTap tap{platform->makeKeySource(), clock};
    std::vector<KeyInput> seen;
    std::function<bool(const KeyInput&, double)> answer = [](const KeyInput&, double) { return false; };
};

TEST_F(KeyTapDesktop, AHeldKeyArrivesAsOnePressAndOneReleaseAndOurOwnPasteNotAtAll) {
    hold(XK_a, [&] { return targetGot("repeat:A"); }); // the server's auto-repeat has started
    ASSERT_TRUE(platform->syntheticKeys().postPaste());
    hold(XK_Control_R, [&] { return saw(KeyInput::fnDown()); }); // the key acting as Fn by default
    ASSERT_TRUE(QTest::qWaitFor([&] { return saw(KeyInput::fnUp()); }, 5000));
    EXPECT_TRUE(target.waitForLine("release:V")) << target.lines().join('\n').toStdString();
    EXPECT_EQ(seen, (std::vector<KeyInput>{KeyInput::keyDown(KeyCode::a), KeyInput::keyUp(KeyCode::a),
                                           KeyInput::fnDown(), KeyInput::fnUp()}));
}

TEST_F(KeyTapDesktop, GrabbedKeysAreKeptFromTheFocusedApplicationOnlyWhenSwallowed) {
    // Another program holds Tab: our grab of it is refused. Xlib's default handler would end the process
    // on that error; Qt's platform plugin may have replaced it with a forgiving one, hiding a missing
    // handler of ours.
    Display* other = XOpenDisplay(nullptr);
    XGrabKey(other, keycode(XK_Tab), AnyModifier, DefaultRootWindow(other), False, GrabModeAsync,
             GrabModeAsync);
    XSync(other, False);
    const XErrorHandler qtHandler = XSetErrorHandler(nullptr);
    HotkeyMachine machine;
    answer = [&](const KeyInput& input, double time) { return machine.handle(input, time).swallow; };
    tap.stop(); // announced while stopped: grabbed once started
    tap.setSwallowable("voice", {KeyCode::escape, KeyCode::space, KeyCode::tab});
    ASSERT_TRUE(tap.start());

    tapKey(XK_a);
    send(XK_Control_R, true);
    hold(XK_Escape, [&] { return saw(KeyInput::keyDown(KeyCode::escape, true)); }); // swallowed, repeats too
    send(XK_Control_R, false);
    hold(XK_space, [&] { return targetGot("repeat:Space"); }); // after the take: passed on with its repeats
    tapKey(XK_Escape);
    tapKey(XK_b);
    ASSERT_TRUE(target.waitForLine("release:B"));
    XSetErrorHandler(qtHandler);
    XCloseDisplay(other);
    EXPECT_EQ(target.lines().filter("Esc"), QStringList({"press:Esc", "release:Esc"}));
    AppLog::flush();
    QFile log(AppLog::file());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(log.readAll()).contains("按键 Tab 已被其他程序占用，无法拦截"));
}

} // namespace
} // namespace mivora
