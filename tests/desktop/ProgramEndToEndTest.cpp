// The real program, started as a user starts it, on the private desktop: it stays up, dictates into another
// application, answers a second start by showing its window, ends on SIGTERM with both exit lines, and
// offers a memory whose name is typed in another application, names its tray icon's window as it
// names every window, and quits by the key its tray menu shows. Keys that are not its own reach none of its
// handlers: those typed into a password field, or while another program holds the keyboard, and a Tab
// another program takes.
#include "LinuxDesktop.h"
#include "support/ChildProcess.h"
#include "support/FakeOpenAI.h"
#include "support/RelayProgram.h"
#include "support/StoredSignIn.h"

#include "Suggest/CaretReader.h"

#include <QGuiApplication>
#include <QRegularExpression>
#include <QScreen>
#include <QSystemTrayIcon>
#include <QTemporaryDir>

#include <csignal>

// Bring Xlib, whose macros clash with Qt and GoogleTest names: include them last.
#include "support/DesktopInput.h"

using namespace mivora;
using namespace mivora::test;

namespace {

// Where the window of process `pid` of `width` × `height` is on the screen, when it shows one.
std::optional<QRect> windowFrame(qint64 pid, int width, int height) {
    const QStringList windows = runTool("xdotool", {"search", "--onlyvisible", "--pid", QString::number(pid)})
                                    .split('\n', Qt::SkipEmptyParts);
    for (const QString& id : windows) {
        const QString info = runTool("xwininfo", {"-id", id});
        const auto value = [&](const QString& label) {
            const QRegularExpressionMatch m = QRegularExpression(label + ":\\s+(-?\\d+)").match(info);
            return m.hasMatch() ? m.captured(1).toInt() : -1;
        };
        if (value("Width") == width && value("Height") == height && info.contains("IsViewable"))
            return QRect(value("Absolute upper-left X"), value("Absolute upper-left Y"), width, height);
    }
    return std::nullopt;
}

// What the screen shows in `rect`.
QImage grabScreen(const QRect& rect) {
    return QGuiApplication::primaryScreen()
        ->grabWindow(0, rect.x(), rect.y(), rect.width(), rect.height())
        .toImage()
        .convertToFormat(QImage::Format_RGB32);
}

struct ProgramEndToEnd : LinuxDesktop {
    // Waits until the window of process `pid` is the front application.
    bool inFront(qint64 pid) {
        return waitUntil(
            [&] { return platform->frontApplication().current().value_or(FrontApp{}).pid == pid; }, 5000);
    }
    // Once the main window of `mivora` is in front (it opens at launch), starts `target` (the test target
    // program with `arguments`) in front of it.
    ::testing::AssertionResult targetInFrontOf(QProcess* mivora, ChildProcess& target,
                                               const QStringList& arguments = {}) {
        if (!inFront(mivora->processId()))
            return ::testing::AssertionFailure() << "the main window never came in front";
        if (!target.startInFront(platform->frontApplication(), "mivora_target", arguments))
            return ::testing::AssertionFailure() << "the target never came in front";
        return ::testing::AssertionSuccess();
    }
};

} // namespace

TEST_F(ProgramEndToEnd, StaysUpDictatesIntoAnotherApplicationReopensAndEndsWithItsExitLines) {
    FakeOpenAI server;
    server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription("明天上午十点开会"));
    QTemporaryDir dir;
    RelayProgram program(dir, server.url("/"));
    const StoredSignIn signedIn(platform->secrets());
    QProcess* mivora = program.start();
    ASSERT_TRUE(program.watchesKeys());
    EXPECT_TRUE(program.logged("启动 9.9（"));
    // Signed in with a relay configured: ready to dictate, only without a tray (the private desktop has
    // none).
    ASSERT_TRUE(program.toldWhatIsLeft()) << program.told().join('\n').toStdString();
    EXPECT_EQ(program.told().filter(QRegularExpression("^(Veskel|第一次|可以|  · |没找到)")),
              (QStringList{"Veskel 已启动，日志在 " + dir.filePath("state/Mivora/mivora.log"),
                           "可以听写了：在任何程序里按住 右 Ctrl 说话，松开后文字会打到光标处",
                           "没找到系统托盘，不会有托盘图标：主窗口关掉以后，再运行一次 mivora 就能打开它"}));
    ASSERT_TRUE(inFront(mivora->processId())) << "the main window opens at launch";

    ChildProcess target;
    ASSERT_TRUE(target.startInFront(platform->frontApplication(), "mivora_target"));
    // During the take the program maps its HUD (420 x 260) and the application keeps the keyboard.
    bool hudShown = false;
    QString focusedPid;
    EXPECT_TRUE(holdHotkeyAndSpeak(
        [&] {
            hudShown = windowShown(mivora->processId(), 420, 260);
            focusedPid = runTool("xdotool", {"getwindowfocus", "getwindowpid"});
        },
        [&] { return program.logged("开始听"); }));
    EXPECT_TRUE(hudShown) << "the HUD window is mapped during the take";
    EXPECT_EQ(focusedPid, QString::number(target.processId())) << "the HUD takes no focus";
    EXPECT_TRUE(target.waitForLine("text:明天上午十点开会", desktopDeadlineMs))
        << (program.log() + target.lines()).join('\n').toStdString();
    ASSERT_EQ(server.count("/v1/audio/transcriptions"), 1);
    EXPECT_EQ(server.log.last().header("Authorization"),
              QByteArray("Bearer ").append(StoredSignIn::accessToken));
    EXPECT_EQ(mivora->state(), QProcess::Running);

    // A second start brings the running program's window to the front and leaves at once.
    QProcess* second = program.start();
    ASSERT_TRUE(waitUntil([&] { return second->state() == QProcess::NotRunning; }, desktopDeadlineMs));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(inFront(mivora->processId()));

    ::kill(pid_t(mivora->processId()), SIGTERM);
    ASSERT_TRUE(waitUntil([&] { return mivora->state() == QProcess::NotRunning; }, desktopDeadlineMs));
    EXPECT_EQ(mivora->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(mivora->exitCode(), 0);
    const QStringList lines = program.log();
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines[lines.size() - 3].endsWith("  退出（applicationWillTerminate）"))
        << lines.join('\n').toStdString();
    EXPECT_EQ(lines[lines.size() - 2], "进程退出（exit）");
    EXPECT_EQ(lines.last(), "");
}

TEST_F(ProgramEndToEnd, OffersAMemoryTypedInAnotherApplicationTabFillsItAndEscOnlyDismisses) {
    // A window manager's own Alt+Tab and Alt+Esc: the program cannot grab Tab and Esc with every modifier
    // at once, and has to grab them combination by combination before the strip shows.
    Display* manager = XOpenDisplay(nullptr);
    ASSERT_TRUE(manager);
    for (const KeySym key : {XK_Tab, XK_Escape})
        XGrabKey(manager, XKeysymToKeycode(manager, key), Mod1Mask, DefaultRootWindow(manager), False,
                 GrabModeAsync, GrabModeAsync);
    // A light desktop, which a black box would stand out on.
    XSetWindowBackground(manager, DefaultRootWindow(manager), WhitePixel(manager, DefaultScreen(manager)));
    XClearWindow(manager, DefaultRootWindow(manager));
    XSync(manager, False);
    FakeOpenAI server;
    QTemporaryDir dir;
    RelayProgram program(dir, server.url("/"));
    program.holdMemories({Memory{.title = "地址", .value = "北京市朝阳区"}});
    QProcess* mivora = program.start();
    ASSERT_TRUE(program.watchesKeys());
    // Nobody signed in, and the relay build needs an account.
    ASSERT_TRUE(program.toldWhatIsLeft());
    EXPECT_TRUE(program.told().contains("  · 还没登录：在主窗口里登录账号以后才能听写"))
        << program.told().join('\n').toStdString();
    ChildProcess target;
    ASSERT_TRUE(targetInFrontOf(mivora, target));
    ASSERT_TRUE(
        waitUntil([&] { return platform->textAccess().focusedText(0).field != nullptr; }, desktopDeadlineMs));
    Display* display = XOpenDisplay(nullptr);
    ASSERT_TRUE(display);
    const auto strip = [&](bool shown) {
        return waitUntil([&] { return windowShown(mivora->processId(), 360, 44) == shown; },
                         desktopDeadlineMs);
    };

    // Accepting and dismissing, many times over: while the strip shows, Tab and Esc are the program's alone.
    QString expected;
    for (int i = 0; i < 20; ++i) {
        const bool accept = i % 3 != 2;
        ASSERT_TRUE(typeText(target, "我的地址")) << target.lines().join('\n').toStdString();
        expected += "我的地址";
        ASSERT_TRUE(strip(true)) << i << "\n" << program.log().join('\n').toStdString();
        if (i == 0) {
            // Without a compositor the strip's window is cut to the chip: below the chip the desktop shows
            // through, as it does once the strip is gone.
            const std::optional<QRect> frame = windowFrame(mivora->processId(), 360, 44);
            ASSERT_TRUE(frame);
            const QRect below(frame->x(), frame->y() + 34, 120, 10);
            const QImage shown = grabScreen(below);
            pressKey(display, XK_Escape);
            ASSERT_TRUE(strip(false));
            EXPECT_TRUE(waitUntil([&] { return grabScreen(below) == shown; }, desktopDeadlineMs))
                << "the strip's window hid the desktop below its chip";
            expected += "a";
            pressKey(display, XK_a);
            ASSERT_TRUE(target.waitForLine("text:" + expected)) << target.lines().join('\n').toStdString();
            continue;
        }
        pressKey(display, accept ? XK_Tab : XK_Escape);
        if (accept) {
            expected += "：北京市朝阳区";
            EXPECT_TRUE(target.waitForLine("text:" + expected)) << i << "\n"
                                                                << target.lines().join('\n').toStdString();
        }
        ASSERT_TRUE(strip(false)) << i;
        if (!accept) {
            expected += "a";
            pressKey(display, XK_a);
            EXPECT_TRUE(target.waitForLine("text:" + expected)) << i << "\n"
                                                                << target.lines().join('\n').toStdString();
        }
    }
    EXPECT_EQ(target.lastText(), expected);
    EXPECT_EQ(target.lines().filter("press:Tab").size(), 0) << target.lines().join('\n').toStdString();
    EXPECT_EQ(target.lines().filter("press:Esc").size(), 0) << target.lines().join('\n').toStdString();
    EXPECT_TRUE(program.logged("打字触发：已填入"));
    XCloseDisplay(display);
    XSetWindowBackground(manager, DefaultRootWindow(manager), BlackPixel(manager, DefaultScreen(manager)));
    XClearWindow(manager, DefaultRootWindow(manager));
    XCloseDisplay(manager);
}

// A password field: what is typed there brings up no strip, its Tab reaches it, and the log says nothing of
// its keys (the letters would have been offered 公司地址 by their pinyin).
TEST_F(ProgramEndToEnd, APasswordFieldGetsNoStripKeepsItsTabAndLeavesNoTraceOfItsKeysInTheLog) {
    FakeOpenAI server;
    QTemporaryDir dir;
    RelayProgram program(dir, server.url("/"));
    program.holdMemories({Memory{.title = "公司地址", .value = "上海市浦东新区"}});
    QProcess* mivora = program.start();
    ASSERT_TRUE(program.watchesKeys());
    ChildProcess target;
    ASSERT_TRUE(targetInFrontOf(mivora, target, {"--password"}));
    CaretReader reader(*platform);
    ASSERT_TRUE(waitUntil([&] { return !reader.read(24) && reader.refusedPassword; }, desktopDeadlineMs));
    const std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(nullptr), XCloseDisplay);
    ASSERT_TRUE(display);

    // One burst, which the program takes in at one read: the check after it is its first look at the field
    // and logs the refusal, and an offer would come in the same step.
    for (const KeySym key : {XK_g, XK_s, XK_d, XK_z, XK_1})
        for (const bool down : {true, false})
            XTestFakeKeyEvent(display.get(), XKeysymToKeycode(display.get(), key), down, CurrentTime);
    XSync(display.get(), False);
    ASSERT_TRUE(target.waitForLine("text:gsdz1")) << target.lines().join('\n').toStdString();
    ASSERT_TRUE(waitUntil([&] { return program.logged("打字触发：安全输入（?）"); }, desktopDeadlineMs))
        << program.log().join('\n').toStdString();
    pressKey(display.get(), XK_Tab);
    EXPECT_TRUE(target.waitForLine("press:Tab")) << program.log().join('\n').toStdString();
    EXPECT_EQ(target.lastText(), "gsdz1");

    // A plain field, where the memory is offered: by the time its strip shows, whatever the password field's
    // keys brought up would have come before.
    ChildProcess plain;
    ASSERT_TRUE(plain.startInFront(platform->frontApplication(), "mivora_target"));
    ASSERT_TRUE(
        waitUntil([&] { return platform->textAccess().focusedText(0).field != nullptr; }, desktopDeadlineMs));
    ASSERT_TRUE(typeText(plain, "公司地址")) << plain.lines().join('\n').toStdString();
    EXPECT_TRUE(waitUntil([&] { return windowShown(mivora->processId(), 360, 44); }, desktopDeadlineMs));
    EXPECT_EQ(program.log().filter("打字触发：递上一条").size(), 1) << program.log().join('\n').toStdString();
    EXPECT_EQ(program.log().filter(QRegularExpression("拼音|填入")), QStringList())
        << program.log().join('\n').toStdString();
}

// A program holding the whole keyboard (a screen locker, a password prompt) gets every key, and this program
// sees none of them: they feed nothing, log nothing, and the hotkey starts no take. Once the keyboard is let
// go, the hotkey takes again.
TEST_F(ProgramEndToEnd, KeysTypedWhileAnotherProgramHoldsTheKeyboardReachNoneOfItsHandlers) {
    FakeOpenAI server;
    server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription("明天上午十点开会"));
    QTemporaryDir dir;
    RelayProgram program(dir, server.url("/"));
    const StoredSignIn signedIn(platform->secrets());
    QProcess* mivora = program.start();
    ASSERT_TRUE(program.watchesKeys());
    ASSERT_TRUE(program.toldWhatIsLeft()) << program.told().join('\n').toStdString();
    ChildProcess target;
    ASSERT_TRUE(targetInFrontOf(mivora, target));

    // The locker's own window holds the keyboard; the application keeps the focus.
    const std::unique_ptr<Display, int (*)(Display*)> locker(XOpenDisplay(nullptr), XCloseDisplay);
    ASSERT_TRUE(locker);
    XSetWindowAttributes attributes{};
    attributes.override_redirect = True;
    const Window cover =
        XCreateWindow(locker.get(), DefaultRootWindow(locker.get()), 600, 400, 40, 40, 0, CopyFromParent,
                      InputOutput, CopyFromParent, CWOverrideRedirect, &attributes);
    XMapWindow(locker.get(), cover);
    XSync(locker.get(), False);
    ASSERT_EQ(XGrabKeyboard(locker.get(), cover, False, GrabModeAsync, GrabModeAsync, CurrentTime),
              GrabSuccess);
    XSync(locker.get(), False);

    const std::unique_ptr<Display, int (*)(Display*)> keyboard(XOpenDisplay(nullptr), XCloseDisplay);
    ASSERT_TRUE(keyboard);
    std::vector<unsigned int> wanted, got;
    for (const KeySym key : {XK_p, XK_w, XK_1, XK_Control_R}) {
        wanted.push_back(XKeysymToKeycode(keyboard.get(), key));
        pressKey(keyboard.get(), key);
    }
    EXPECT_TRUE(waitUntil(
        [&] {
            while (XPending(locker.get()) > 0) {
                XEvent event;
                XNextEvent(locker.get(), &event);
                if (event.type == KeyPress) got.push_back(event.xkey.keycode);
            }
            return got.size() >= wanted.size();
        },
        desktopDeadlineMs));
    EXPECT_EQ(got, wanted) << "the program holding the keyboard gets every key";
    XUngrabKeyboard(locker.get(), CurrentTime);
    XSync(locker.get(), False);

    // The keys come to the program in the order typed: once this take has begun, the hotkey pressed under
    // the grab would have begun one before it.
    EXPECT_TRUE(holdHotkeyAndSpeak({}, [&] { return program.logged("开始听"); }));
    EXPECT_TRUE(target.waitForLine("text:明天上午十点开会", desktopDeadlineMs))
        << (program.log() + target.lines()).join('\n').toStdString();
    EXPECT_EQ(program.log().filter("开始听").size(), 1) << program.log().join('\n').toStdString();
    EXPECT_EQ(program.log().filter("拼音"), QStringList()) << program.log().join('\n').toStdString();
    EXPECT_EQ(target.lastText(), "明天上午十点开会")
        << "nothing typed under the grab reached the application";
}

// Tab held by another program, with Alt (the window manager's switcher) or alone: the program cannot keep it
// from that program, so it is no Tab of the strip's. The strip goes, and nothing is filled in.
TEST_F(ProgramEndToEnd, ATabAnotherProgramTakesFillsNothing) {
    const std::unique_ptr<Display, int (*)(Display*)> manager(XOpenDisplay(nullptr), XCloseDisplay);
    ASSERT_TRUE(manager);
    const unsigned int tab = XKeysymToKeycode(manager.get(), XK_Tab);
    XGrabKey(manager.get(), int(tab), Mod1Mask, DefaultRootWindow(manager.get()), False, GrabModeAsync,
             GrabModeAsync);
    XSync(manager.get(), False);
    FakeOpenAI server;
    QTemporaryDir dir;
    RelayProgram program(dir, server.url("/"));
    program.holdMemories({Memory{.title = "地址", .value = "北京市朝阳区"}});
    QProcess* mivora = program.start();
    ASSERT_TRUE(program.watchesKeys());
    ChildProcess target;
    ASSERT_TRUE(targetInFrontOf(mivora, target));
    ASSERT_TRUE(
        waitUntil([&] { return platform->textAccess().focusedText(0).field != nullptr; }, desktopDeadlineMs));
    const std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(nullptr), XCloseDisplay);
    ASSERT_TRUE(display);
    const auto strip = [&](bool shown) {
        return waitUntil([&] { return windowShown(mivora->processId(), 360, 44) == shown; },
                         desktopDeadlineMs);
    };
    int tabsTaken = 0;
    const auto managerTook = [&](int count) {
        return waitUntil(
            [&] {
                while (XPending(manager.get()) > 0) {
                    XEvent event;
                    XNextEvent(manager.get(), &event);
                    if (event.type == KeyPress && event.xkey.keycode == tab) ++tabsTaken;
                }
                return tabsTaken >= count;
            },
            desktopDeadlineMs);
    };

    ASSERT_TRUE(typeText(target, "我的地址")) << target.lines().join('\n').toStdString();
    ASSERT_TRUE(strip(true)) << program.log().join('\n').toStdString();
    const unsigned int alt = XKeysymToKeycode(display.get(), XK_Alt_L);
    const std::pair<unsigned int, bool> altTab[] = {{alt, true}, {tab, true}, {tab, false}, {alt, false}};
    for (const auto& [key, down] : altTab)
        XTestFakeKeyEvent(display.get(), key, down, CurrentTime);
    XSync(display.get(), False);
    EXPECT_TRUE(managerTook(1));
    EXPECT_TRUE(strip(false)) << program.log().join('\n').toStdString();

    XGrabKey(manager.get(), int(tab), 0, DefaultRootWindow(manager.get()), False, GrabModeAsync,
             GrabModeAsync);
    XSync(manager.get(), False);
    ASSERT_TRUE(typeText(target, "我的地址")) << target.lines().join('\n').toStdString();
    ASSERT_TRUE(strip(true)) << program.log().join('\n').toStdString();
    pressKey(display.get(), XK_Tab);
    EXPECT_TRUE(managerTook(2));
    EXPECT_TRUE(strip(false)) << program.log().join('\n').toStdString();
    EXPECT_FALSE(program.logged("打字触发：已填入")) << program.log().join('\n').toStdString();
    EXPECT_EQ(target.lastText(), "我的地址我的地址");
}

// With a tray on the desktop, the icon's window (Qt's own, untitled unless told) carries the product's name
// like the main window: a desktop's window lists and tools show it by that name.
TEST_F(ProgramEndToEnd, TheTrayIconsWindowCarriesTheProductsName) {
    QProcess tray;
    tray.start("trayer", {"--edge", "top", "--align", "right", "--widthtype", "pixel", "--width", "100",
                          "--height", "24"});
    ASSERT_TRUE(tray.waitForStarted(desktopDeadlineMs)) << "trayer (scripts/install-deps)";
    ASSERT_TRUE(waitUntil([] { return QSystemTrayIcon::isSystemTrayAvailable(); }, desktopDeadlineMs));
    FakeOpenAI server;
    QTemporaryDir dir;
    RelayProgram program(dir, server.url("/"));
    QProcess* mivora = program.start();
    ASSERT_TRUE(program.toldWhatIsLeft()) << program.log().join('\n').toStdString();
    EXPECT_TRUE(program.told().filter("没找到系统托盘").isEmpty()) << program.told().join('\n').toStdString();
    const auto name = [](const QString& id) {
        return runTool("xprop", {"-id", id, "_NET_WM_NAME"}).section(" = ", 1);
    };
    QString icon;
    ASSERT_TRUE(waitUntil(
        [&] {
            const QStringList windows =
                runTool("xdotool", {"search", "--onlyvisible", "--pid", QString::number(mivora->processId())})
                    .split('\n', Qt::SkipEmptyParts);
            for (const QString& id : windows)
                if (runTool("xwininfo", {"-id", id}).contains("Width: 22\n")) icon = id;
            return !icon.isEmpty();
        },
        desktopDeadlineMs));
    EXPECT_EQ(name(icon), "\"Veskel\"");

    // The menu opened from the icon holds the keyboard, and the Ctrl+Q its last row shows ends the program.
    const auto shownWindows = [&] {
        return runTool("xdotool", {"search", "--onlyvisible", "--pid", QString::number(mivora->processId())})
            .split('\n', Qt::SkipEmptyParts);
    };
    const QStringList before = shownWindows();
    runTool("xdotool", {"mousemove", "--window", icon, "11", "11", "click", "1"});
    ASSERT_TRUE(waitUntil([&] { return shownWindows().size() > before.size(); }, desktopDeadlineMs))
        << "the menu opens";
    runTool("xdotool", {"key", "ctrl+q"});
    ASSERT_TRUE(waitUntil([&] { return mivora->state() == QProcess::NotRunning; }, desktopDeadlineMs))
        << program.log().join('\n').toStdString();
    EXPECT_EQ(mivora->exitCode(), 0);
    EXPECT_TRUE(program.logged("退出（applicationWillTerminate）"));
    tray.kill();
    tray.waitForFinished(desktopDeadlineMs);
}

// One copy at a time, however late the running copy answers: a second start while it is stopped (as a busy
// program is) waits for it and hands it the reopen.
TEST_F(ProgramEndToEnd, ASecondStartWhileTheFirstIsStoppedHandsItTheReopenAndEnds) {
    FakeOpenAI server;
    QTemporaryDir dir;
    RelayProgram program(dir, server.url("/"));
    const auto ended = [](QProcess* p) {
        return waitUntil([&] { return p->state() == QProcess::NotRunning; }, desktopDeadlineMs);
    };
    QProcess* first = program.start();
    ASSERT_TRUE(program.watchesKeys());
    ASSERT_TRUE(program.toldWhatIsLeft());
    // The user closes the main window (there is no tray here): a second start is the way back to it.
    const auto shown = [](qint64 pid) {
        return runTool("xdotool", {"search", "--onlyvisible", "--pid", QString::number(pid)})
            .split('\n', Qt::SkipEmptyParts);
    };
    ASSERT_TRUE(waitUntil([&] { return !shown(first->processId()).isEmpty(); }, desktopDeadlineMs));
    Display* display = XOpenDisplay(nullptr);
    ASSERT_TRUE(display);
    for (const QString& id : shown(first->processId())) {
        XEvent close{};
        close.xclient.type = ClientMessage;
        close.xclient.window = id.toULong();
        close.xclient.message_type = XInternAtom(display, "WM_PROTOCOLS", False);
        close.xclient.format = 32;
        close.xclient.data.l[0] = long(XInternAtom(display, "WM_DELETE_WINDOW", False));
        close.xclient.data.l[1] = CurrentTime;
        XSendEvent(display, close.xclient.window, False, NoEventMask, &close);
    }
    XCloseDisplay(display);
    ASSERT_TRUE(waitUntil([&] { return shown(first->processId()).isEmpty(); }, desktopDeadlineMs));

    ::kill(pid_t(first->processId()), SIGSTOP);
    QProcess* second = program.start();
    // The browser's start with a sign-in address, handed over the same way.
    QProcess callback;
    callback.setEnvironment(program.environment());
    callback.start(MIVORA_APP_PATH, {"veskel://auth?state=s1&code=c"});
    QTest::qWait(5000); // the stop itself, not a wait for something to happen
    EXPECT_EQ(second->state(), QProcess::Running) << "the second start gave up on a stopped copy";
    EXPECT_EQ(callback.state(), QProcess::Running) << callback.readAllStandardError().toStdString();
    ::kill(pid_t(first->processId()), SIGCONT);
    ASSERT_TRUE(ended(second)) << "two copies run";
    EXPECT_EQ(second->exitCode(), 0) << second->readAllStandardError().toStdString();
    ASSERT_TRUE(ended(&callback));
    EXPECT_EQ(callback.exitCode(), 0);
    EXPECT_EQ(callback.readAllStandardError(), "");
    EXPECT_TRUE(waitUntil([&] { return !shown(first->processId()).isEmpty(); }, desktopDeadlineMs))
        << "the reopen was not delivered";
    EXPECT_EQ(first->state(), QProcess::Running);
}

// Two starts at the same moment (a double click, or a login start and a click) leave one copy, and a copy
// that was killed blocks no later start. MIVORA_SINGLE_COPY_ROUNDS sets how many rounds run.
TEST_F(ProgramEndToEnd, TwoStartsAtTheSameMomentLeaveOneCopy) {
    FakeOpenAI server;
    QTemporaryDir dir;
    RelayProgram program(dir, server.url("/"));
    const auto ended = [](QProcess* p) {
        return waitUntil([&] { return p->state() == QProcess::NotRunning; }, desktopDeadlineMs);
    };
    const int rounds = qEnvironmentVariableIsSet("MIVORA_SINGLE_COPY_ROUNDS")
                           ? qEnvironmentVariableIntValue("MIVORA_SINGLE_COPY_ROUNDS")
                           : 3;
    QProcess* running = nullptr;
    for (int round = 0; round < rounds; ++round) {
        // Each later round starts over a killed copy's lock file and socket.
        if (running) {
            ::kill(pid_t(running->processId()), SIGKILL);
            ASSERT_TRUE(ended(running));
        }
        QProcess* a = program.start();
        QProcess* b = program.start();
        if (!waitUntil(
                [&] { return a->state() == QProcess::NotRunning || b->state() == QProcess::NotRunning; },
                desktopDeadlineMs)) {
            ADD_FAILURE() << "round " << round << ": two copies run";
            ::kill(pid_t(a->processId()), SIGKILL);
            running = b;
            continue;
        }
        QProcess* left = a->state() == QProcess::NotRunning ? a : b;
        running = left == a ? b : a;
        EXPECT_EQ(left->exitCode(), 0)
            << "round " << round << ": " << left->readAllStandardError().toStdString();
        EXPECT_EQ(running->state(), QProcess::Running) << "round " << round << ": no copy runs";
    }
    if (!running) return;
    ::kill(pid_t(running->processId()), SIGTERM);
    EXPECT_TRUE(ended(running));
}
