#include "Dictation/AppLog.h"
#include "Dictation/HotkeyMachine.h"
#include "Dictation/KeyTap.h"
#include "Platform/Linux/OwnKeyEvents.h"
#include "Platform/Linux/X11KeySource.h"
#include "Support/Clock.h"

#include "support/MemoryDefaults.h"

#include <QCoreApplication>
#include <QFile>
#include <QProcess>
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

constexpr int escape = 53, space = 49, keyA = 0, keyV = 9;

// The user's keyboard: XTest events from a connection of the test's own.
class Keyboard {
public:
    ~Keyboard() {
        if (display) XCloseDisplay(display);
    }
    int keycode(KeySym sym) const { return XKeysymToKeycode(display, sym); }
    void send(KeySym sym, bool down, int settleMs = 30) {
        XTestFakeKeyEvent(display, keycode(sym), down, CurrentTime);
        XFlush(display);
        QTest::qWait(settleMs); // our source reads on this thread's event loop
    }
    void tap(KeySym sym) {
        send(sym, true);
        send(sym, false);
    }
    Display* display = XOpenDisplay(nullptr);
};

class KeyTapDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(keyboard.display);
        tap.handler = [this](const KeyInput& input, double time) {
            seen.push_back(input);
            return answer(input, time);
        };
        ASSERT_TRUE(tap.start());
    }
    bool waitForInput(const KeyInput& input) {
        return QTest::qWaitFor([&] { return std::find(seen.begin(), seen.end(), input) != seen.end(); });
    }

    test::MemoryDefaults defaults;
    Keyboard keyboard;
    KeyTap tap{std::make_unique<X11KeySource>(defaults, Clock::system(), OwnKeyEvents::shared())};
    std::vector<KeyInput> seen;
    std::function<bool(const KeyInput&, double)> answer = [](const KeyInput&, double) { return false; };
};

TEST_F(KeyTapDesktop, AHeldKeyArrivesAsOnePressAndOneRelease) {
    keyboard.send(XK_a, true, 1200); // long enough for the server's auto-repeat to start
    keyboard.send(XK_a, false);
    keyboard.send(XK_Control_R, true, 1000); // the key acting as Fn by default
    keyboard.send(XK_Control_R, false);
    ASSERT_TRUE(waitForInput(KeyInput::fnUp()));
    EXPECT_EQ(seen, (std::vector<KeyInput>{KeyInput::keyDown(keyA), KeyInput::keyUp(keyA), KeyInput::fnDown(),
                                           KeyInput::fnUp()}));
}

TEST_F(KeyTapDesktop, AGrabbedKeyIsKeptFromTheFocusedApplicationOnlyWhenSwallowed) {
    QProcess target; // "another application", holding the focus and printing every key it receives
    target.start(QCoreApplication::applicationDirPath() + "/mivora_target");
    QStringList printed;
    const auto targetPrints = [&](const QString& line) {
        return QTest::qWaitFor([&] {
            target.waitForReadyRead(0);
            while (target.canReadLine())
                printed << QString::fromUtf8(target.readLine()).trimmed();
            return printed.contains(line);
        });
    };
    ASSERT_TRUE(targetPrints("ready"));
    QTest::qWait(200); // let it take the focus
    HotkeyMachine machine;
    answer = [&](const KeyInput& input, double time) { return machine.handle(input, time).swallow; };
    tap.stop(); // announced while stopped: grabbed once started
    tap.setSwallowable("voice", {escape, space});
    ASSERT_TRUE(tap.start());

    keyboard.tap(XK_a);
    keyboard.send(XK_Control_R, true, 100);
    keyboard.send(XK_Escape, true, 1200); // during a take: swallowed, auto-repeats included
    keyboard.send(XK_Escape, false);
    keyboard.send(XK_Control_R, false);
    keyboard.send(XK_space, true, 1000); // after it: passed on, and replayed with its repeats
    keyboard.send(XK_space, false);
    keyboard.tap(XK_Escape);
    keyboard.tap(XK_b);
    ASSERT_TRUE(targetPrints("release:B"));
    EXPECT_EQ(printed.filter("Esc"), QStringList({"press:Esc", "release:Esc"}));
    EXPECT_TRUE(printed.contains("repeat:Space"));
    EXPECT_NE(std::find(seen.begin(), seen.end(), KeyInput::keyDown(escape, true)), seen.end());
}

TEST_F(KeyTapDesktop, OurOwnPostedKeysAreNotHandedOn) {
    const int control = keyboard.keycode(XK_Control_L), v = keyboard.keycode(XK_v);
    const double now = Clock::system().uptime();
    for (const auto& [keycode, down] : {std::pair{control, true}, {v, true}, {v, false}, {control, false}})
        OwnKeyEvents::shared().expect(keycode, down, now);
    keyboard.send(XK_Control_L, true);
    keyboard.tap(XK_v);
    keyboard.send(XK_Control_L, false);
    keyboard.tap(XK_v); // the user's own V afterwards is handed on
    ASSERT_TRUE(waitForInput(KeyInput::keyUp(keyV)));
    EXPECT_EQ(seen, (std::vector<KeyInput>{KeyInput::keyDown(keyV), KeyInput::keyUp(keyV)}));
}

TEST_F(KeyTapDesktop, AKeyAnotherProgramHoldsIsWatchedWithoutEndingTheProcess) {
    // Xlib's default handler ends the process on any error; Qt's platform plugin may have replaced it
    // with a forgiving one, which would hide a missing handler of ours.
    tap.stop();
    const XErrorHandler qtHandler = XSetErrorHandler(nullptr);
    ASSERT_TRUE(tap.start());
    Keyboard other; // another program with a global shortcut
    XGrabKey(other.display, other.keycode(XK_Escape), AnyModifier, DefaultRootWindow(other.display), False,
             GrabModeAsync, GrabModeAsync);
    XSync(other.display, False);
    tap.setSwallowable("voice", {escape});
    keyboard.tap(XK_Escape);
    EXPECT_TRUE(waitForInput(KeyInput::keyUp(escape)));
    XSetErrorHandler(qtHandler);

    AppLog::flush();
    QFile log(AppLog::file());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(log.readAll()).contains("按键 Escape 已被其他程序占用，无法拦截"));
}

} // namespace
} // namespace mivora
