// gnome-terminal ignores a paste asked for before it has seen the new clipboard (it asks the new owner
// for its types first): every take there must still land, one after another, and give the user's
// clipboard back, also while a clipboard manager asks for every new clipboard at once, and a recalled
// secret never reaches that manager. The terminal runs `cat` into a file, which is read back.
#include "LinuxDesktop.h"
#include "support/CatTerminal.h"
#include "support/ChildProcess.h"
#include "support/FakeOpenAI.h"
#include "support/RelayProgram.h"
#include "support/StoredSignIn.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QTemporaryDir>

// Bring Xlib, whose macros clash with Qt and GoogleTest names: include them last.
#include "support/TakesLand.h"

using namespace mivora;
using namespace mivora::test;

namespace {

constexpr int takes = 5;

// A gnome-terminal server of the test's own on the session bus (the desktop's activation environment
// has no display), and a terminal window of it running `cat`.
struct GnomeTerminal {
    const QString appId = QStringLiteral("org.mivora.TestTerminal%1").arg(QCoreApplication::applicationPid());
    QProcess server;
    CatTerminal terminal;

    ~GnomeTerminal() {
        server.kill();
        server.waitForFinished(5000);
    }
    bool start() {
        const QString program = QStringLiteral("/usr/libexec/gnome-terminal-server");
        if (!QFile::exists(program)) return false;
        server.start(program, {"--app-id", appId});
        if (!server.waitForStarted(desktopDeadlineMs)) return false;
        const bool onBus = waitUntil(
            [&] { return QDBusConnection::sessionBus().interface()->isServiceRegistered(appId).value(); },
            desktopDeadlineMs);
        return onBus && terminal.start("gnome-terminal", {"--app-id", appId, "--wait"}, server.processId());
    }
    qint64 windowOwner() const { return server.processId(); }
};

struct GnomeTerminalDesktop : LinuxDesktop {
    GnomeTerminal gnome;
    FakeOpenAI server;
    QTemporaryDir dir;
    RelayProgram relay{dir, server.url("/")};
    QProcess* mivora = nullptr;

    // The program started with `memories`, then the terminal in front of its window.
    ::testing::AssertionResult terminalInFront(const QList<Memory>& memories = {}) {
        relay.holdMemories(memories);
        mivora = relay.start();
        if (auto watching = relay.watchesKeys(); !watching) return watching;
        // The main window opens at launch; the terminal comes in front of it only after it is up.
        if (!inFront(mivora->processId())) return ::testing::AssertionFailure() << "no main window";
        if (!gnome.start()) return ::testing::AssertionFailure() << "gnome-terminal (scripts/install-deps)";
        if (!inFront(gnome.windowOwner()))
            return ::testing::AssertionFailure() << "the terminal is not in front";
        return ::testing::AssertionSuccess();
    }
    // Takes spoken one after another, each landing at the prompt after `expected` and giving back the
    // clipboard the user had copied before it.
    ::testing::AssertionResult takesLand(int count, const QString& words, QString& expected) {
        return test::takesLand(relay, count, words, expected, [&] { return gnome.terminal.received(); });
    }
};

} // namespace

// The real program, hotkey held and words spoken: each of several takes lands at the prompt, and the
// clipboard the user had comes back after each.
TEST_F(GnomeTerminalDesktop, EveryTakeOfTheProgramLandsAndTheClipboardComesBack) {
    const QString words = QStringLiteral("明天上午十点开会");
    server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription(words));
    const StoredSignIn signedIn(platform->secrets());
    ASSERT_TRUE(terminalInFront());

    const auto app = platform->frontApplication().current();
    ASSERT_TRUE(app);
    EXPECT_TRUE(app->paste == PasteKeys::controlShiftV && app->dropsEarlyPaste)
        << app->identifier.toStdString();

    QString expected;
    ASSERT_TRUE(takesLand(takes, words, expected));
    EXPECT_EQ(server.count("/v1/audio/transcriptions"), takes);
    EXPECT_EQ(mivora->state(), QProcess::Running);
}

// A clipboard manager asks for each new clipboard the moment it appears, before the terminal does: the
// paste waits for the terminal's own request all the same, and every take lands. A secret recalled there
// lands too, and the manager is refused it.
TEST_F(GnomeTerminalDesktop, BesideAClipboardManagerEveryTakeLandsAndASecretNeverReachesIt) {
    const QString words = QStringLiteral("明天上午十点开会");
    const QString secret = QStringLiteral("PWX7731SECRET");
    server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription(words));
    const StoredSignIn signedIn(platform->secrets());
    ChildProcess manager;
    ASSERT_TRUE(manager.start("mivora_clipboard_manager") && manager.waitForLine("ready"));
    ASSERT_TRUE(terminalInFront({Memory{.title = "服务器密码", .value = secret, .sensitive = true}}));

    QString expected;
    ASSERT_TRUE(takesLand(10, words, expected));
    EXPECT_TRUE(manager.lines().contains("got:" + words)) << "the manager never asked";

    server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription("服务器密码"));
    Display* display = XOpenDisplay(nullptr);
    ASSERT_TRUE(display);
    const qsizetype started = relay.log().filter("开始听").size();
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, XK_Shift_L), True, CurrentTime); // a recall take
    XSync(display, False);
    EXPECT_TRUE(holdHotkeyAndSpeak({}, [&] { return relay.log().filter("开始听").size() > started; }));
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, XK_Shift_L), False, CurrentTime);
    XSync(display, False);
    // The choice is up once its key is held by the program; a sensitive one takes a second press.
    ASSERT_TRUE(
        waitUntil([&] { return platform->keyboard().hotkeyState("1") == KeyboardProbe::KeyState::taken; },
                  desktopDeadlineMs))
        << relay.log().join('\n').toStdString();
    const qsizetype asked = manager.lines().filter("asked").size();
    pressKey(display, XK_1);
    // The second press is held, as a person holds it, until the program has taken the pick.
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, XK_1), True, CurrentTime);
    XSync(display, False);
    EXPECT_TRUE(waitUntil([&] { return relay.logged("唤起：选了第"); }, desktopDeadlineMs))
        << relay.log().join('\n').toStdString();
    XTestFakeKeyEvent(display, XKeysymToKeycode(display, XK_1), False, CurrentTime);
    XCloseDisplay(display);
    expected += secret;
    EXPECT_TRUE(waitUntil([&] { return gnome.terminal.received() == expected; }, desktopDeadlineMs))
        << "received: " << gnome.terminal.received().toStdString() << "\n"
        << relay.log().join('\n').toStdString();
    // The manager asked for the secret's clipboard, and for the user's once it came back.
    EXPECT_TRUE(
        waitUntil([&] { return manager.lines().filter("asked").size() >= asked + 2; }, desktopDeadlineMs));
    EXPECT_TRUE(waitUntil([&] { return clipboardAs("UTF8_STRING") == "之前复制的 10"; }, desktopDeadlineMs));
    EXPECT_EQ(manager.lines().filter(secret).join('\n').toStdString(), "");
    EXPECT_EQ(mivora->state(), QProcess::Running);
}
