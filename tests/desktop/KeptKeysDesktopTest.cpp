// The keys the real program keeps from applications (a Tab that fills the offered memory, a digit that picks
// a recalled one) against GTK fields, which take any keyboard grab as a loss of focus: the fill gives the
// user's clipboard back as a spoken take does, and the keyboard is the user's again as soon as the key is
// answered, even while the insertion waits on a clipboard owner that does not answer. And the program keeps
// hearing the keys after another program's grab it could not watch: a switcher that focuses another window
// and exits at once, a password prompt that takes the focus and grabs on its own window at once.
#include "LinuxDesktop.h"
#include "support/ChildProcess.h"
#include "support/FakeOpenAI.h"
#include "support/RelayProgram.h"
#include "support/StoredSignIn.h"

#include <QElapsedTimer>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>
#include <memory>

// Bring Xlib, whose macros clash with Qt and GoogleTest names: include them last.
#include "support/DesktopInput.h"

using namespace mivora;
using namespace mivora::test;

namespace {

using DisplayPtr = std::unique_ptr<Display, int (*)(Display*)>;

// The user's own copy: a clipboard owner of its own (xclip in the foreground), which can be stopped.
class UserClipboard {
public:
    explicit UserClipboard(const QString& text) : text_(text) {
        xclip_.start("xclip", {"-quiet", "-selection", "clipboard", "-i"});
        xclip_.waitForStarted(desktopDeadlineMs);
        xclip_.write(text.toUtf8());
        xclip_.closeWriteChannel();
    }
    ~UserClipboard() {
        resume();
        xclip_.kill();
        xclip_.waitForFinished(5000);
    }
    bool owned() {
        return waitUntil([&] { return isBack(); }, desktopDeadlineMs);
    }
    // Whether another application reading the clipboard gets the user's text.
    bool isBack() { return QString::fromUtf8(clipboardAs("UTF8_STRING")) == text_; }
    void stop() { ::kill(pid_t(xclip_.processId()), SIGSTOP); }
    void resume() {
        if (xclip_.state() != QProcess::NotRunning) ::kill(pid_t(xclip_.processId()), SIGCONT);
    }

private:
    QString text_;
    QProcess xclip_;
};

struct KeptKeysDesktop : LinuxDesktop {
    FakeOpenAI server;
    QTemporaryDir dir;
    RelayProgram program{dir, server.url("/")};
    QProcess* mivora = nullptr;
    ChildProcess target;
    DisplayPtr keyboard{XOpenDisplay(nullptr), XCloseDisplay};

    // The program with `memories`, and a GTK 3 entry in front of its window.
    ::testing::AssertionResult startWithGtkField(const QList<Memory>& memories,
                                                 const QStringList& args = {}) {
        program.holdMemories(memories);
        mivora = program.start();
        if (auto watching = program.watchesKeys(); !watching) return watching;
        if (!program.toldWhatIsLeft()) return ::testing::AssertionFailure() << "no word of what is left";
        if (!waitUntil([&] { return frontPid() == mivora->processId(); }, desktopDeadlineMs))
            return ::testing::AssertionFailure() << "the main window never came in front";
        if (!target.startInFront(platform->frontApplication(), "/usr/bin/python3",
                                 QStringList{MIVORA_GTK_TARGET, "--gtk", "3"} + args))
            return ::testing::AssertionFailure() << "the GTK field never came in front";
        if (!waitUntil([&] { return platform->textAccess().focusedText(0).field != nullptr; },
                       desktopDeadlineMs))
            return ::testing::AssertionFailure() << "the GTK field never had the focus";
        return ::testing::AssertionSuccess();
    }
    qint64 frontPid() { return platform->frontApplication().current().value_or(FrontApp{}).pid; }
    bool strip(bool shown) {
        return waitUntil([&] { return windowShown(mivora->processId(), 360, 44) == shown; },
                         desktopDeadlineMs);
    }
    void key(KeySym sym, bool down) {
        XTestFakeKeyEvent(keyboard.get(), XKeysymToKeycode(keyboard.get(), sym), down, CurrentTime);
        XSync(keyboard.get(), False);
    }
    QString trace() { return (program.log() + target.lines()).join('\n'); }
    qsizetype takes() const { return program.log().filter("开始听").size(); }
    // A key held as a person holds it: down until the program has acted on it (its log says `acted` once
    // more), then up.
    void holdUntilLogged(KeySym sym, const QString& acted) {
        const qsizetype before = program.log().filter(acted).size();
        key(sym, true);
        EXPECT_TRUE(waitUntil([&] { return program.log().filter(acted).size() > before; }, desktopDeadlineMs))
            << trace().toStdString();
        key(sym, false);
    }
    // Taps the hotkey until the program begins a take. A press typed before the program has read where the
    // focus went is not heard, and on a busy machine the first tap may come that early.
    bool hotkeyHeard() {
        const qsizetype before = takes();
        QElapsedTimer waited;
        waited.start();
        while (waited.elapsed() < desktopDeadlineMs) {
            key(XK_Control_R, true);
            const bool heard = waitUntil([&] { return takes() > before; }, 2000);
            key(XK_Control_R, false);
            if (heard) return true;
        }
        return false;
    }
};

} // namespace

// A sensitive memory filled with Tab, three times over: the field gets it, the focus read at the insertion
// finds the field, and the user's clipboard comes back. In the last round the user's clipboard owner does
// not answer: the letters typed right after Tab reach the field while it is stopped (the program holds no
// key for the insertion), and once it answers, within the program's wait for it, its text comes back too.
TEST_F(KeptKeysDesktop, ATabFillIntoAGtkFieldGivesTheClipboardBackAndLeavesTheKeyboardFree) {
    ASSERT_TRUE(
        startWithGtkField({Memory{.title = "公司地址", .value = "上海市浦东新区", .sensitive = true}}));
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        UserClipboard user(QString("用户复制的文字 %1").arg(round));
        ASSERT_TRUE(user.owned());
        const QString before = target.lastText();
        ASSERT_TRUE(typeText(target, "我的公司地址")) << trace().toStdString();
        ASSERT_TRUE(strip(true)) << trace().toStdString();
        pressKey(keyboard.get(), XK_Tab); // arms the sensitive offer
        const bool stalled = round == 2;
        if (stalled) user.stop();
        // Held until the program has taken the fill (the strip goes); the fill itself comes once it is up.
        key(XK_Tab, true);
        EXPECT_TRUE(strip(false)) << trace().toStdString();
        key(XK_Tab, false);
        QString expected = before + "我的公司地址";
        if (stalled) {
            for (const KeySym sym : {XK_x, XK_y, XK_z})
                pressKey(keyboard.get(), sym);
            expected += "xyz";
            EXPECT_TRUE(target.waitForLine("text:" + expected)) << trace().toStdString();
            user.resume();
        }
        EXPECT_TRUE(target.waitForLine("text:" + expected + "：上海市浦东新区")) << trace().toStdString();
        EXPECT_TRUE(waitUntil([&] { return user.isBack(); }, desktopDeadlineMs))
            << "the clipboard holds " << clipboardAs("UTF8_STRING").toStdString() << "\n"
            << trace().toStdString();
        ASSERT_TRUE(strip(false));
    }
    EXPECT_EQ(program.log().filter(QRegularExpression("焦点：无焦点")), QStringList())
        << trace().toStdString();
    EXPECT_EQ(target.lines().filter("press:Tab"), QStringList()) << trace().toStdString();
}

// Tab held well past the server's repeat delay on the strip: none of its auto-repeats reaches the field (one
// would add a tab, or move the focus on), the fill lands once, the field keeps the focus, and the user's
// clipboard comes back.
TEST_F(KeptKeysDesktop, ATabHeldOnTheStripKeepsItsRepeatsFromTheField) {
    ASSERT_TRUE(startWithGtkField({Memory{.title = "公司地址", .value = "上海市浦东新区"}}));
    UserClipboard user("用户复制的文字");
    ASSERT_TRUE(user.owned());
    ASSERT_TRUE(typeText(target, "我的公司地址")) << trace().toStdString();
    ASSERT_TRUE(strip(true)) << trace().toStdString();
    key(XK_Tab, true);
    QTest::qWait(900); // the hold itself: past the 660 ms repeat delay, a dozen repeats
    key(XK_Tab, false);
    EXPECT_TRUE(target.waitForLine("text:我的公司地址：上海市浦东新区")) << trace().toStdString();
    EXPECT_TRUE(waitUntil([&] { return user.isBack(); }, desktopDeadlineMs)) << trace().toStdString();
    EXPECT_EQ(target.lastText(), "我的公司地址：上海市浦东新区") << trace().toStdString();
    EXPECT_EQ(target.lines().filter("press:Tab"), QStringList()) << trace().toStdString();
    const auto focused = platform->textAccess().focusedText(target.processId());
    ASSERT_TRUE(focused.field) << "the field lost the focus";
    EXPECT_EQ(focused.field->value().value_or(QString()), "我的公司地址：上海市浦东新区");
}

// A touch typist goes on typing 100 ms after the Tab that fills: the fill lands first, then what was typed,
// in the order typed, three times over.
TEST_F(KeptKeysDesktop, LettersTypedRightAfterTheFillingTabLandAfterTheFill) {
    // Among as many widgets as a real editor's window holds, where the focus takes a while to find.
    ASSERT_TRUE(
        startWithGtkField({Memory{.title = "公司地址", .value = "上海市浦东新区"}}, {"--beside", "1000"}));
    QString expected = target.lastText();
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        UserClipboard user(QString("用户复制的文字 %1").arg(round));
        ASSERT_TRUE(user.owned());
        ASSERT_TRUE(typeText(target, "我的公司地址")) << trace().toStdString();
        ASSERT_TRUE(strip(true)) << trace().toStdString();
        pressKey(keyboard.get(), XK_Tab);
        QTest::qWait(100); // the typist's pace
        for (const KeySym sym : {XK_x, XK_y, XK_z})
            pressKey(keyboard.get(), sym);
        expected += "我的公司地址：上海市浦东新区xyz";
        EXPECT_TRUE(target.waitForLine("text:" + expected)) << trace().toStdString();
        EXPECT_TRUE(waitUntil([&] { return user.isBack(); }, desktopDeadlineMs)) << trace().toStdString();
        ASSERT_TRUE(strip(false));
        expected = target.lastText();
    }
}

// Esc held on the strip over a dialog's entry: the strip goes, and none of the repeats cancels the dialog.
TEST_F(KeptKeysDesktop, AnEscHeldOnTheStripLeavesTheDialogOpenWithItsText) {
    program.holdMemories({Memory{.title = "公司地址", .value = "上海市浦东新区"}});
    mivora = program.start();
    ASSERT_TRUE(program.watchesKeys());
    ASSERT_TRUE(program.toldWhatIsLeft());
    ASSERT_TRUE(waitUntil([&] { return frontPid() == mivora->processId(); }, desktopDeadlineMs));
    QProcess dialog;
    dialog.start("zenity", {"--entry", "--text", "地址"});
    ASSERT_TRUE(dialog.waitForStarted(desktopDeadlineMs));
    const auto value = [&] {
        const auto read = platform->textAccess().focusedText(dialog.processId());
        return read.field ? read.field->value().value_or(QString()) : QString();
    };
    // No window manager gives it the focus: the user clicks into it.
    ASSERT_TRUE(waitUntil(
        [&] {
            const QString id =
                runTool("xdotool", {"search", "--onlyvisible", "--pid", QString::number(dialog.processId())});
            if (id.isEmpty()) return false;
            XSetInputFocus(keyboard.get(), Window(id.split('\n').first().toULong()), RevertToParent,
                           CurrentTime);
            XSync(keyboard.get(), False);
            return frontPid() == dialog.processId();
        },
        desktopDeadlineMs));
    ASSERT_TRUE(
        waitUntil([&] { return platform->textAccess().focusedText(dialog.processId()).field != nullptr; },
                  desktopDeadlineMs));
    QString typed;
    for (const QString c : {"我", "的", "公", "司", "地", "址"}) {
        const unsigned int code = keycodeTyping(keyboard.get(), KeySym(0x01000000 | c.toUcs4().front()));
        ASSERT_NE(code, 0u);
        XTestFakeKeyEvent(keyboard.get(), code, True, CurrentTime);
        XTestFakeKeyEvent(keyboard.get(), code, False, CurrentTime);
        XSync(keyboard.get(), False);
        typed += c;
        ASSERT_TRUE(waitUntil([&] { return value() == typed; }, desktopDeadlineMs)) << value().toStdString();
    }
    ASSERT_TRUE(strip(true)) << program.log().join('\n').toStdString();
    key(XK_Escape, true);
    QTest::qWait(900); // the hold itself
    key(XK_Escape, false);
    ASSERT_TRUE(strip(false));
    EXPECT_FALSE(dialog.waitForFinished(1000)) << "the dialog was cancelled";
    EXPECT_EQ(value(), "我的公司地址");
    pressKey(keyboard.get(), XK_Return); // the dialog is still there to confirm, with its text
    ASSERT_TRUE(dialog.waitForFinished(desktopDeadlineMs));
    EXPECT_EQ(QString::fromUtf8(dialog.readAllStandardOutput()).trimmed(), "我的公司地址");
}

// Recalled memories picked by their number, a sensitive one with its second press: each lands in the GTK
// field, the program says it went in (no word of pasting it by hand), and the user's clipboard comes back.
TEST_F(KeptKeysDesktop, ADigitPickIntoAGtkFieldGoesInAndGivesTheClipboardBack) {
    server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription("地址"));
    const StoredSignIn signedIn(platform->secrets());
    ASSERT_TRUE(startWithGtkField(
        {Memory{.title = "家庭地址", .type = "地址", .value = "海淀路 1 号"},
         Memory{.title = "公司地址", .type = "地址", .value = "浦东路 2 号", .sensitive = true}}));
    QString expected = target.lastText();
    for (const bool sensitive : {false, true}) {
        SCOPED_TRACE(sensitive);
        UserClipboard user(sensitive ? "用户复制的第二段" : "用户复制的第一段");
        ASSERT_TRUE(user.owned());
        const qsizetype before = takes();
        key(XK_Shift_L, true); // a recall take
        EXPECT_TRUE(holdHotkeyAndSpeak({}, [&] { return takes() > before; }));
        key(XK_Shift_L, false);
        const char* digit = sensitive ? "2" : "1";
        // The choices are up once their keys are held by the program.
        ASSERT_TRUE(waitUntil(
            [&] { return platform->keyboard().hotkeyState(digit) == KeyboardProbe::KeyState::taken; },
            desktopDeadlineMs))
            << trace().toStdString();
        const KeySym sym = sensitive ? XK_2 : XK_1;
        if (sensitive) pressKey(keyboard.get(), sym); // the first press of a sensitive choice arms it
        holdUntilLogged(sym, "唤起：选了第");
        expected += sensitive ? "浦东路 2 号" : "海淀路 1 号";
        EXPECT_TRUE(target.waitForLine("text:" + expected)) << trace().toStdString();
        EXPECT_TRUE(waitUntil([&] { return user.isBack(); }, desktopDeadlineMs))
            << "the clipboard holds " << clipboardAs("UTF8_STRING").toStdString() << "\n"
            << trace().toStdString();
    }
    EXPECT_EQ(program.log().filter(QRegularExpression("^.*上屏 .*（已插入）$")).size(), 2)
        << trace().toStdString();
    EXPECT_EQ(program.log().filter("留在剪贴板"), QStringList()) << trace().toStdString();
    EXPECT_EQ(program.log().filter(QRegularExpression("焦点：无焦点")), QStringList())
        << trace().toStdString();
}

// A window switcher (a stand-alone one, or a launcher) grabs the keyboard, gives the focus to the chosen
// window and exits at once: its grab ends on a window the program did not watch yet. The hotkey is heard
// all the same, and the take lands in that window.
TEST_F(KeptKeysDesktop, TheHotkeyIsHeardAfterASwitcherFocusesAnotherWindowAndExits) {
    server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription("明天上午十点开会"));
    const StoredSignIn signedIn(platform->secrets());
    program.holdMemories({});
    mivora = program.start();
    ASSERT_TRUE(program.watchesKeys());
    ASSERT_TRUE(program.toldWhatIsLeft());
    // Two applications, each with its window; the switcher moves the focus from one to the other.
    ChildProcess chosen;
    ChildProcess* apps[2] = {&target, &chosen};
    Window windows[2] = {None, None};
    for (const int i : {1, 0}) {
        ASSERT_TRUE(apps[i]->startInFront(platform->frontApplication(), "mivora_target"));
        int revert = 0;
        XGetInputFocus(keyboard.get(), &windows[i], &revert);
    }
    int focused = 0;
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        const int next = 1 - focused;
        // Its own window shows the choice and holds the keyboard.
        Display* switcher = XOpenDisplay(nullptr);
        ASSERT_TRUE(switcher);
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        const Window list =
            XCreateWindow(switcher, DefaultRootWindow(switcher), 400, 300, 300, 100, 0, CopyFromParent,
                          InputOutput, CopyFromParent, CWOverrideRedirect, &attributes);
        XMapWindow(switcher, list);
        XSync(switcher, False);
        ASSERT_EQ(XGrabKeyboard(switcher, list, False, GrabModeAsync, GrabModeAsync, CurrentTime),
                  GrabSuccess);
        XSetInputFocus(switcher, windows[next], RevertToParent, CurrentTime);
        XCloseDisplay(switcher);
        focused = next;
        ChildProcess& into = *apps[next];
        ASSERT_TRUE(waitUntil([&] { return frontPid() == into.processId(); }, desktopDeadlineMs));
        ASSERT_TRUE(hotkeyHeard()) << trace().toStdString();
        const qsizetype before = takes();
        EXPECT_TRUE(holdHotkeyAndSpeak({}, [&] { return takes() > before; })) << trace().toStdString();
        EXPECT_TRUE(
            waitUntil([&] { return into.lastText().endsWith("明天上午十点开会"); }, desktopDeadlineMs))
            << (program.log() + into.lines()).join('\n').toStdString();
    }
}

// The same prompt comes and goes while the program lags behind (stopped here): when it catches up the focus
// is back in the field, or nowhere, and what was typed meanwhile, the hotkey included, went somewhere it
// never looked. It is nobody's: nothing is fed, no take starts.
TEST_F(KeptKeysDesktop, APromptThatCameAndWentWhileTheProgramLaggedLeavesNoTrace) {
    const StoredSignIn signedIn(platform->secrets());
    ASSERT_TRUE(startWithGtkField({Memory{.title = "公司地址", .value = "上海市浦东新区"}}));
    Window field = None;
    int revert = 0;
    XGetInputFocus(keyboard.get(), &field, &revert);
    for (const bool backInTheField : {true, false}) {
        SCOPED_TRACE(backInTheField);
        ::kill(pid_t(mivora->processId()), SIGSTOP);
        {
            const DisplayPtr prompt(XOpenDisplay(nullptr), XCloseDisplay);
            ASSERT_TRUE(prompt);
            XSetWindowAttributes attributes{};
            attributes.override_redirect = True;
            const Window window =
                XCreateWindow(prompt.get(), DefaultRootWindow(prompt.get()), 500, 300, 200, 60, 0,
                              CopyFromParent, InputOutput, CopyFromParent, CWOverrideRedirect, &attributes);
            XMapWindow(prompt.get(), window);
            XSync(prompt.get(), False);
            XSetInputFocus(prompt.get(), window, RevertToParent, CurrentTime);
            XGrabKeyboard(prompt.get(), window, False, GrabModeAsync, GrabModeAsync, CurrentTime);
            XSync(prompt.get(), False);
            for (const KeySym sym : {XK_g, XK_s, XK_d, XK_z, XK_1})
                pressKey(keyboard.get(), sym);
            key(XK_Control_R, true);
            key(XK_Control_R, false);
            XDestroyWindow(prompt.get(), window);
            XSync(prompt.get(), False);
        }
        if (backInTheField) XSetInputFocus(keyboard.get(), field, RevertToParent, CurrentTime);
        XSync(keyboard.get(), False);
        ::kill(pid_t(mivora->processId()), SIGCONT);
        if (!backInTheField) {
            XSetInputFocus(keyboard.get(), field, RevertToParent, CurrentTime);
            XSync(keyboard.get(), False);
        }
        ASSERT_TRUE(waitUntil([&] { return frontPid() == target.processId(); }, desktopDeadlineMs));
    }
    // Typed in the field, the memory is offered: by then whatever the prompt's keys brought up would have
    // come before.
    ASSERT_TRUE(typeText(target, "公司地址")) << trace().toStdString();
    EXPECT_TRUE(strip(true)) << trace().toStdString();
    EXPECT_EQ(program.log().filter(QRegularExpression("拼音|开始听")), QStringList())
        << trace().toStdString();
}

// A password prompt without a window manager takes the focus and grabs the keyboard on its own window at
// once, before the program watches that window. What is typed there (the pinyin of a memory's name) feeds
// nothing and brings up nothing; once the prompt is gone, typing in the field is heard again.
TEST_F(KeptKeysDesktop, APromptThatGrabsOnTheWindowItFocusesIsSeenHoldingTheKeyboard) {
    const StoredSignIn signedIn(platform->secrets());
    ASSERT_TRUE(startWithGtkField({Memory{.title = "公司地址", .value = "上海市浦东新区"}}));
    Window field = None;
    int revert = 0;
    XGetInputFocus(keyboard.get(), &field, &revert);
    for (int round = 0; round < 3; ++round) {
        SCOPED_TRACE(round);
        const DisplayPtr prompt(XOpenDisplay(nullptr), XCloseDisplay);
        ASSERT_TRUE(prompt);
        XSetWindowAttributes attributes{};
        attributes.override_redirect = True;
        attributes.event_mask = KeyPressMask;
        const Window window =
            XCreateWindow(prompt.get(), DefaultRootWindow(prompt.get()), 500, 300, 200, 60, 0, CopyFromParent,
                          InputOutput, CopyFromParent, CWOverrideRedirect | CWEventMask, &attributes);
        XMapWindow(prompt.get(), window);
        XSync(prompt.get(), False);
        XSetInputFocus(prompt.get(), window, RevertToParent, CurrentTime);
        ASSERT_EQ(XGrabKeyboard(prompt.get(), window, False, GrabModeAsync, GrabModeAsync, CurrentTime),
                  GrabSuccess);
        XSync(prompt.get(), False);
        int got = 0;
        // The pinyin of a memory's name, and the hotkey.
        for (const KeySym sym : {XK_g, XK_s, XK_d, XK_z, XK_1, XK_Control_R})
            pressKey(keyboard.get(), sym);
        EXPECT_TRUE(waitUntil(
            [&] {
                while (XPending(prompt.get()) > 0) {
                    XEvent event;
                    XNextEvent(prompt.get(), &event);
                    got += event.type == KeyPress;
                }
                return got >= 6;
            },
            desktopDeadlineMs))
            << "the prompt gets every key";
        XDestroyWindow(prompt.get(), window);
        XSync(prompt.get(), False);
        XSetInputFocus(keyboard.get(), field, RevertToParent, CurrentTime);
        XSync(keyboard.get(), False);
        ASSERT_TRUE(waitUntil([&] { return frontPid() == target.processId(); }, desktopDeadlineMs));
    }
    // Typed in the field, the memory is offered: by then whatever the prompt's keys brought up would have
    // come before.
    ASSERT_TRUE(typeText(target, "公司地址")) << trace().toStdString();
    EXPECT_TRUE(strip(true)) << trace().toStdString();
    EXPECT_EQ(program.log().filter("打字触发：递上一条").size(), 1) << trace().toStdString();
    EXPECT_EQ(program.log().filter(QRegularExpression("拼音|开始听")), QStringList())
        << trace().toStdString();
    EXPECT_EQ(target.lastText(), "公司地址") << "nothing typed into the prompt reached the field";
}
