#include "Keys/HotkeyMachine.h"
#include "Keys/KeyTap.h"
#include "Platform/Linux/OwnKeyEvents.h"
#include "Platform/Linux/X11KeySource.h"
#include "Support/AppLog.h"
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

constexpr int escape = 53, space = 49, tab = 48, keyA = 0, keyV = 9;

// A key tap on the desktop's key source, and the user's keyboard: XTest events from a connection of the
// test's own.
class KeyTapDesktop : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(display);
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
    void send(KeySym sym, bool down, int settleMs = 30) {
        XTestFakeKeyEvent(display, keycode(sym), down, CurrentTime);
        XFlush(display);
        QTest::qWait(settleMs); // our source reads on this thread's event loop
    }
    void tapKey(KeySym sym) {
        send(sym, true);
        send(sym, false);
    }
    bool saw(const KeyInput& input) const { return std::find(seen.begin(), seen.end(), input) != seen.end(); }

    Display* display = XOpenDisplay(nullptr);
    test::MemoryDefaults defaults;
    KeyTap tap{std::make_unique<X11KeySource>(defaults, Clock::system(), OwnKeyEvents::shared())};
    std::vector<KeyInput> seen;
    std::function<bool(const KeyInput&, double)> answer = [](const KeyInput&, double) { return false; };
};

TEST_F(KeyTapDesktop, AHeldKeyArrivesAsOnePressAndOneReleaseAndOurOwnPasteNotAtAll) {
    send(XK_a, true, 1200); // long enough for the server's auto-repeat to start
    send(XK_a, false);
    const int control = keycode(XK_Control_L), v = keycode(XK_v);
    for (const auto& [keycode, down] : {std::pair{control, true}, {v, true}, {v, false}, {control, false}})
        OwnKeyEvents::shared().expect(keycode, down, Clock::system().uptime());
    send(XK_Control_L, true);
    tapKey(XK_v);
    send(XK_Control_L, false);
    send(XK_Control_R, true, 1000); // the key acting as Fn by default
    send(XK_Control_R, false);
    ASSERT_TRUE(QTest::qWaitFor([&] { return saw(KeyInput::fnUp()); }));
    EXPECT_EQ(seen, (std::vector<KeyInput>{KeyInput::keyDown(keyA), KeyInput::keyUp(keyA), KeyInput::fnDown(),
                                           KeyInput::fnUp()}));
}

TEST_F(KeyTapDesktop, GrabbedKeysAreKeptFromTheFocusedApplicationOnlyWhenSwallowed) {
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
    tap.setSwallowable("voice", {escape, space, tab});
    ASSERT_TRUE(tap.start());

    tapKey(XK_a);
    send(XK_Control_R, true, 100);
    send(XK_Escape, true, 1200); // during a take: swallowed, auto-repeats included
    send(XK_Escape, false);
    send(XK_Control_R, false);
    send(XK_space, true, 1000); // after it: passed on, and replayed with its repeats
    send(XK_space, false);
    tapKey(XK_Escape);
    tapKey(XK_b);
    ASSERT_TRUE(targetPrints("release:B"));
    XSetErrorHandler(qtHandler);
    XCloseDisplay(other);
    EXPECT_EQ(printed.filter("Esc"), QStringList({"press:Esc", "release:Esc"}));
    EXPECT_TRUE(printed.contains("repeat:Space"));
    EXPECT_TRUE(saw(KeyInput::keyDown(escape, true)));
    AppLog::flush();
    QFile log(AppLog::file());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(log.readAll()).contains("按键 Tab 已被其他程序占用，无法拦截"));
}

} // namespace
} // namespace mivora
