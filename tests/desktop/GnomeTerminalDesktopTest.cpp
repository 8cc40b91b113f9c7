// gnome-terminal ignores a paste asked for before it has seen the new clipboard (it asks the new owner
// for its types first): every take there must still land, one after another, and give the user's
// clipboard back. The terminal runs `cat` into a file, which is read back.
#include "LinuxDesktop.h"
#include "support/CatTerminal.h"
#include "support/ChildProcess.h"
#include "support/FakeOpenAI.h"
#include "support/RelayProgram.h"
#include "support/StoredSignIn.h"

#include <QClipboard>
#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QGuiApplication>
#include <QTemporaryDir>

// Bring Xlib, whose macros clash with Qt and GoogleTest names: include them last.
#include "support/DesktopInput.h"

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

    bool inFront(qint64 pid) {
        return waitUntil(
            [&] { return platform->frontApplication().current().value_or(FrontApp{}).pid == pid; },
            desktopDeadlineMs);
    }
};

} // namespace

// The real program, hotkey held and words spoken: each of several takes lands at the prompt, and the
// clipboard the user had comes back after each.
TEST_F(GnomeTerminalDesktop, EveryTakeOfTheProgramLandsAndTheClipboardComesBack) {
    const QString words = QStringLiteral("明天上午十点开会");
    FakeOpenAI server;
    server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription(words));
    QTemporaryDir dir;
    RelayProgram relay(dir, server.url("/"));
    const StoredSignIn signedIn(platform->secrets());
    QProcess* mivora = relay.start();
    ASSERT_TRUE(relay.watchesKeys());
    // The main window opens at launch; the terminal comes in front of it only after it is up.
    ASSERT_TRUE(inFront(mivora->processId()));
    ASSERT_TRUE(gnome.start()) << "gnome-terminal (scripts/install-deps)";
    ASSERT_TRUE(inFront(gnome.windowOwner()));

    const auto app = platform->frontApplication().current();
    ASSERT_TRUE(app);
    EXPECT_TRUE(app->paste == PasteKeys::controlShiftV && app->dropsEarlyPaste)
        << app->identifier.toStdString();

    QString expected;
    for (int take = 1; take <= takes; ++take) {
        const QString copied = QStringLiteral("之前复制的 %1").arg(take);
        QGuiApplication::clipboard()->setText(copied);
        const qsizetype started = relay.log().filter("开始听").size();
        ASSERT_TRUE(holdHotkeyAndSpeak({}, [&] { return relay.log().filter("开始听").size() > started; }))
            << relay.log().join('\n').toStdString();
        expected += words;
        EXPECT_TRUE(waitUntil([&] { return gnome.terminal.received() == expected; }, desktopDeadlineMs))
            << "take " << take << " received: " << gnome.terminal.received().toStdString() << "\n"
            << relay.log().join('\n').toStdString();
        EXPECT_TRUE(
            waitUntil([&] { return clipboardAs("UTF8_STRING") == copied.toUtf8(); }, desktopDeadlineMs))
            << "take " << take;
    }
    EXPECT_EQ(server.count("/v1/audio/transcriptions"), takes);
    EXPECT_EQ(mivora->state(), QProcess::Running);
}
