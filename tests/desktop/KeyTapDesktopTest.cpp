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
#include <memory>
#include <set>
#include <vector>

// Xlib's macros clash with Qt and GoogleTest names: include it last.
#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>

namespace mivora {
namespace {

constexpr int escape = 53, space = 49, keyA = 0, keyV = 9;

// "Another application": a focused line edit in its own process that prints every key it receives.
class KeyLog {
public:
    KeyLog() {
        process_.setProgram(QCoreApplication::applicationDirPath() + "/mivora_keylog");
        process_.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process_.start();
        started_ = process_.waitForStarted(5000) && waitFor("ready");
        QTest::qWait(200); // let it take the focus
    }
    ~KeyLog() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    bool started() const { return started_; }
    // Every line printed so far.
    QStringList lines() {
        read();
        return lines_;
    }
    bool waitFor(const QString& line, int ms = 3000) {
        return QTest::qWaitFor([&] { return lines().contains(line); }, ms);
    }
    bool received(const QString& key) {
        const QStringList all = lines();
        return all.contains("press:" + key) || all.contains("repeat:" + key) ||
               all.contains("release:" + key);
    }
    QString text() {
        QString last;
        for (const QString& l : lines())
            if (l.startsWith("text:")) last = l.mid(5);
        return last;
    }

private:
    void read() {
        process_.waitForReadyRead(0);
        while (process_.canReadLine())
            lines_ << QString::fromUtf8(process_.readLine()).trimmed();
    }
    QProcess process_;
    QStringList lines_;
    bool started_ = false;
};

// The user's keyboard: XTest events from a connection of the test's own.
class Keyboard {
public:
    Keyboard() : display_(XOpenDisplay(nullptr)) {}
    ~Keyboard() {
        if (display_) XCloseDisplay(display_);
    }
    Display* display() const { return display_; }
    int keycode(KeySym sym) const { return XKeysymToKeycode(display_, sym); }
    void press(KeySym sym, int settleMs = 30) { send(sym, true, settleMs); }
    void release(KeySym sym, int settleMs = 30) { send(sym, false, settleMs); }
    void tap(KeySym sym) {
        press(sym);
        release(sym);
    }

private:
    void send(KeySym sym, bool down, int settleMs) {
        XTestFakeKeyEvent(display_, keycode(sym), down ? True : False, CurrentTime);
        XFlush(display_);
        QTest::qWait(settleMs); // our source reads on this thread's event loop
    }
    Display* display_;
};

class KeyTapDesktop : public ::testing::Test {
protected:
    KeyTapDesktop() {
        auto owned = std::make_unique<X11KeySource>(defaults, Clock::system(), OwnKeyEvents::shared());
        source = owned.get();
        tap = std::make_unique<KeyTap>(std::move(owned));
        tap->handler = [this](const KeyInput& input, double time) {
            seen.push_back(input);
            return answer(input, time);
        };
    }
    void SetUp() override {
        ASSERT_TRUE(keyboard.display());
        ASSERT_TRUE(tap->start());
    }
    // Waits until the handler has seen `input` (events are read on this thread's event loop).
    bool waitForInput(const KeyInput& input, int ms = 3000) {
        return QTest::qWaitFor([&] { return std::find(seen.begin(), seen.end(), input) != seen.end(); }, ms);
    }
    std::vector<KeyInput> keyInputs(int code) const {
        std::vector<KeyInput> out;
        for (const KeyInput& i : seen)
            if ((i.kind == KeyInput::Kind::keyDown || i.kind == KeyInput::Kind::keyUp) && i.code == code)
                out.push_back(i);
        return out;
    }

    test::MemoryDefaults defaults;
    Keyboard keyboard;
    X11KeySource* source = nullptr;
    std::unique_ptr<KeyTap> tap;
    std::vector<KeyInput> seen;
    std::function<bool(const KeyInput&, double)> answer = [](const KeyInput&, double) { return false; };
};

TEST_F(KeyTapDesktop, AHeldKeyArrivesAsOnePressAndOneRelease) {
    keyboard.press(XK_a, 1200); // long enough for the server's auto-repeat to start
    keyboard.release(XK_a);
    ASSERT_TRUE(waitForInput(KeyInput::keyUp(keyA)));
    EXPECT_EQ(keyInputs(keyA), (std::vector<KeyInput>{KeyInput::keyDown(keyA), KeyInput::keyUp(keyA)}));

    // The key acting as Fn (right Control by default), held the same way.
    seen.clear();
    keyboard.press(XK_Control_R, 1000);
    keyboard.release(XK_Control_R);
    ASSERT_TRUE(waitForInput(KeyInput::fnUp()));
    EXPECT_EQ(seen, (std::vector<KeyInput>{KeyInput::fnDown(), KeyInput::fnUp()}));
    EXPECT_EQ(tap->fnEventsSeen(), 2);
}

TEST_F(KeyTapDesktop, EscDuringATakeIsKeptFromTheFocusedApplication) {
    KeyLog target;
    ASSERT_TRUE(target.started());
    // A voice controller in miniature: the hotkey machine, announcing the keys it may swallow.
    HotkeyMachine machine;
    answer = [&](const KeyInput& input, double time) {
        const HotkeyMachine::Result r = machine.handle(input, time);
        std::set<int> keys;
        switch (machine.state().kind) {
        case HotkeyMachine::State::Kind::holding:
            keys = {escape, space};
            break;
        case HotkeyMachine::State::Kind::handsFree:
            keys = {escape};
            break;
        case HotkeyMachine::State::Kind::waitingFnUp:
            keys = {space};
            break;
        case HotkeyMachine::State::Kind::idle:
            break;
        }
        tap->setSwallowable("voice", keys);
        return r.swallow;
    };

    keyboard.tap(XK_a);
    keyboard.press(XK_Control_R, 100);
    keyboard.press(XK_Escape, 1200); // held: its auto-repeats are swallowed too
    keyboard.release(XK_Escape);
    keyboard.release(XK_Control_R);
    keyboard.tap(XK_b);
    ASSERT_TRUE(target.waitFor("text:ab"));
    ASSERT_TRUE(waitForInput(KeyInput::keyUp(escape)));
    EXPECT_FALSE(target.received("Esc")) << target.lines().join(' ').toStdString();

    const std::vector<KeyInput> esc = keyInputs(escape);
    ASSERT_GE(esc.size(), 3u);
    EXPECT_EQ(esc.front(), KeyInput::keyDown(escape));
    EXPECT_EQ(esc[1], KeyInput::keyDown(escape, true));
    EXPECT_EQ(esc.back(), KeyInput::keyUp(escape));

    // The take is over: Esc is no longer held back.
    EXPECT_TRUE(tap->swallowable().empty());
    keyboard.tap(XK_Escape);
    EXPECT_TRUE(target.waitFor("press:Esc"));
}

TEST_F(KeyTapDesktop, AGrabbedKeyTheHandlerPassesIsReplayed) {
    KeyLog target;
    ASSERT_TRUE(target.started());
    // Announced while stopped: grabbed once started.
    tap->stop();
    tap->setSwallowable("voice", {escape, space});
    ASSERT_TRUE(tap->start());
    EXPECT_EQ(source->grabbedKeycodes(),
              (std::set<int>{keyboard.keycode(XK_Escape), keyboard.keycode(XK_space)}));
    keyboard.tap(XK_a);
    keyboard.press(XK_space, 1000);
    keyboard.release(XK_space);
    keyboard.tap(XK_Escape);
    keyboard.tap(XK_b);
    ASSERT_TRUE(target.waitFor("press:Esc"));
    EXPECT_TRUE(target.lines().contains("repeat:Space"));
    EXPECT_TRUE(target.text().startsWith("a ") && target.text().endsWith(" b"))
        << target.text().toStdString();
    EXPECT_EQ(keyInputs(space).front(), KeyInput::keyDown(space));
}

TEST_F(KeyTapDesktop, OurOwnPostedKeysAreNotHandedOn) {
    const int control = keyboard.keycode(XK_Control_L), v = keyboard.keycode(XK_v);
    OwnKeyEvents& own = OwnKeyEvents::shared();
    const double now = Clock::system().uptime();
    own.expect(control, true, now);
    own.expect(v, true, now);
    own.expect(v, false, now);
    own.expect(control, false, now);
    keyboard.press(XK_Control_L);
    keyboard.tap(XK_v);
    keyboard.release(XK_Control_L);
    EXPECT_TRUE(keyInputs(keyV).empty());
    // The user's own V afterwards is handed on.
    keyboard.tap(XK_v);
    ASSERT_TRUE(waitForInput(KeyInput::keyUp(keyV)));
    EXPECT_EQ(keyInputs(keyV), (std::vector<KeyInput>{KeyInput::keyDown(keyV), KeyInput::keyUp(keyV)}));
}

TEST_F(KeyTapDesktop, AKeyAnotherProgramHoldsIsWatchedWithoutEndingTheProcess) {
    // Xlib's default handler ends the process on any error; Qt's platform plugin may have replaced it
    // with a forgiving one, which would hide a missing handler of ours.
    tap->stop();
    const XErrorHandler qtHandler = XSetErrorHandler(nullptr);
    ASSERT_TRUE(tap->start());

    KeyLog target;
    ASSERT_TRUE(target.started());
    Keyboard other; // another program with global shortcuts
    const Window root = DefaultRootWindow(other.display());
    const int esc = other.keycode(XK_Escape), spc = other.keycode(XK_space);
    XGrabKey(other.display(), esc, AnyModifier, root, False, GrabModeAsync, GrabModeAsync);
    XGrabKey(other.display(), spc, ControlMask, root, False, GrabModeAsync, GrabModeAsync);
    XSync(other.display(), False);

    answer = [](const KeyInput& i, double) { return i.code == escape || i.code == space; };
    tap->setSwallowable("voice", {escape, space});
    QTest::qWait(300); // the refusals arrive and are dealt with
    ASSERT_TRUE(tap->isRunning());

    keyboard.tap(XK_a);
    keyboard.tap(XK_Escape);
    keyboard.tap(XK_space); // held with Control by the other program only: still ours
    keyboard.tap(XK_b);
    ASSERT_TRUE(target.waitFor("text:ab"));
    ASSERT_TRUE(waitForInput(KeyInput::keyUp(space)));
    // Esc is still seen, but cannot be kept from the other program.
    EXPECT_EQ(keyInputs(escape), (std::vector<KeyInput>{KeyInput::keyDown(escape), KeyInput::keyUp(escape)}));
    EXPECT_EQ(keyInputs(space).size(), 2u);

    tap->stop();
    XSetErrorHandler(qtHandler);

    AppLog::flush();
    QFile log(AppLog::file());
    ASSERT_TRUE(log.open(QIODevice::ReadOnly));
    EXPECT_TRUE(QString::fromUtf8(log.readAll()).contains("按键 Escape 已被其他程序占用，无法拦截"));
}

} // namespace
} // namespace mivora
