// The real program, started as a user starts it, on the private desktop: it stays up, dictates into another
// application, answers a second start by showing its window, ends on SIGTERM with both exit lines, and
// offers a memory whose name is typed in another application.
#include "LinuxDesktop.h"
#include "support/ChildProcess.h"
#include "support/FakeOpenAI.h"
#include "support/RelayProgram.h"
#include "support/StoredSignIn.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>

// Bring Xlib, whose macros clash with Qt and GoogleTest names: include them last.
#include "support/DesktopInput.h"

#include <X11/Xatom.h>

using namespace mivora;
using namespace mivora::test;

namespace {

// Whether a window of process `pid` of the strip's size is shown on the desktop.
bool stripShown(Display* display, qint64 pid) {
    const Atom pidAtom = XInternAtom(display, "_NET_WM_PID", False);
    Window root = None, parent = None;
    Window* children = nullptr;
    unsigned int count = 0;
    bool shown = false;
    if (!XQueryTree(display, DefaultRootWindow(display), &root, &parent, &children, &count)) return false;
    for (unsigned int i = 0; i < count && !shown; ++i) {
        XWindowAttributes attributes{};
        if (!XGetWindowAttributes(display, children[i], &attributes) || attributes.map_state != IsViewable ||
            attributes.width != 360 || attributes.height != 44)
            continue;
        Atom type = None;
        int format = 0;
        unsigned long items = 0, remaining = 0;
        unsigned char* data = nullptr;
        if (XGetWindowProperty(display, children[i], pidAtom, 0, 1, False, XA_CARDINAL, &type, &format,
                               &items, &remaining, &data) == Success &&
            data && items == 1)
            shown = qint64(*reinterpret_cast<unsigned long*>(data)) == pid;
        if (data) XFree(data);
    }
    if (children) XFree(children);
    return shown;
}

} // namespace

using ProgramEndToEnd = LinuxDesktop;

TEST_F(ProgramEndToEnd, StaysUpDictatesIntoAnotherApplicationReopensAndEndsWithItsExitLines) {
    FakeOpenAI server;
    server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription("明天上午十点开会"));
    QTemporaryDir dir;
    RelayProgram program(dir, server.url("/"));
    const StoredSignIn signedIn(platform->secrets());
    QProcess* mivora = program.start();
    ASSERT_TRUE(waitUntil([&] { return program.logged("按键监听已开启"); }, desktopDeadlineMs))
        << program.log().join('\n').toStdString();
    EXPECT_TRUE(program.logged("启动 9.9（"));
    // Signed in with a relay configured: only the missing tray (the private desktop has none) is left.
    ASSERT_TRUE(program.toldWhatIsLeft()) << program.told().join('\n').toStdString();
    EXPECT_EQ(program.told().filter(QRegularExpression("^(Mivora|第一次|可以|  · )")),
              (QStringList{
                  "Mivora 已启动，日志在 " + dir.filePath("state/Mivora/mivora.log"), "第一次听写之前还差：",
                  "  · 没找到系统托盘，不会有托盘图标：主窗口关掉以后，再运行一次 mivora 就能打开它"}));
    ASSERT_TRUE(waitUntil(
        [&] {
            return platform->frontApplication().current().value_or(FrontApp{}).pid == mivora->processId();
        },
        5000))
        << "the main window opens at launch";

    ChildProcess target;
    ASSERT_TRUE(target.startInFront(platform->frontApplication(), "mivora_target"));
    // During the take the program maps its HUD (420 x 260) and the application keeps the keyboard.
    bool hudShown = false;
    QString focusedPid;
    EXPECT_TRUE(holdHotkeyAndSpeak(
        [&] {
            const QStringList windows =
                runTool("xdotool", {"search", "--onlyvisible", "--pid", QString::number(mivora->processId())})
                    .split('\n', Qt::SkipEmptyParts);
            for (const QString& id : windows) {
                const QString info = runTool("xwininfo", {"-id", id});
                hudShown = hudShown || (info.contains("Width: 420") && info.contains("Height: 260") &&
                                        info.contains("IsViewable"));
            }
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
    EXPECT_TRUE(waitUntil(
        [&] {
            return platform->frontApplication().current().value_or(FrontApp{}).pid == mivora->processId();
        },
        5000));

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
    FakeOpenAI server;
    QTemporaryDir dir;
    RelayProgram program(dir, server.url("/"));
    program.holdMemories({Memory{.title = "地址", .value = "北京市朝阳区"}});
    QProcess* mivora = program.start();
    ASSERT_TRUE(waitUntil([&] { return program.logged("按键监听已开启"); }, desktopDeadlineMs))
        << program.log().join('\n').toStdString();
    // Nobody signed in, and the relay build needs an account.
    ASSERT_TRUE(program.toldWhatIsLeft());
    EXPECT_TRUE(program.told().contains("  · 还没登录：在主窗口里登录账号以后才能听写"))
        << program.told().join('\n').toStdString();
    // The main window opens at launch; the other application comes in front of it only after it is up.
    ASSERT_TRUE(waitUntil(
        [&] {
            return platform->frontApplication().current().value_or(FrontApp{}).pid == mivora->processId();
        },
        5000));
    ChildProcess target;
    ASSERT_TRUE(target.startInFront(platform->frontApplication(), "mivora_target"));
    ASSERT_TRUE(
        waitUntil([&] { return platform->textAccess().focusedText(0).field != nullptr; }, desktopDeadlineMs));
    Display* display = XOpenDisplay(nullptr);
    ASSERT_TRUE(display);
    const auto strip = [&](bool shown) {
        return waitUntil([&] { return stripShown(display, mivora->processId()) == shown; },
                         desktopDeadlineMs);
    };

    ASSERT_TRUE(typeText(target, "我的地址")) << target.lines().join('\n').toStdString();
    // The program grabs Tab and Esc before it maps the strip, so once the strip shows they are its.
    EXPECT_TRUE(strip(true)) << program.log().join('\n').toStdString();
    pressKey(display, XK_Tab);
    EXPECT_TRUE(target.waitForLine("text:我的地址：北京市朝阳区")) << target.lines().join('\n').toStdString();
    EXPECT_TRUE(strip(false));

    ASSERT_TRUE(typeText(target, "我的地址")) << target.lines().join('\n').toStdString();
    EXPECT_TRUE(strip(true)) << program.log().join('\n').toStdString();
    pressKey(display, XK_Escape);
    EXPECT_TRUE(strip(false));
    pressKey(display, XK_a);
    EXPECT_TRUE(target.waitForLine("text:我的地址：北京市朝阳区我的地址a"));
    EXPECT_FALSE(target.lines().contains("press:Tab"));
    EXPECT_FALSE(target.lines().contains("press:Esc"));
    EXPECT_TRUE(program.logged("打字触发：已填入"));
    XCloseDisplay(display);
}
