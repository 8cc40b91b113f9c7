// The real program dictating into terminal emulators on the private desktop: a user holds the hotkey with
// xterm (or lxterminal) in front, at a shell running `cat > file`, speaks, lets go, and the words are in
// the file.
#include "LinuxDesktop.h"
#include "support/CatTerminal.h"
#include "support/ChildProcess.h"
#include "support/FakeOpenAI.h"
#include "support/RelayProgram.h"
#include "support/StoredSignIn.h"

#include <QTemporaryDir>

// Bring Xlib, whose macros clash with Qt and GoogleTest names: include them last.
#include "support/DesktopInput.h"

using namespace mivora;
using namespace mivora::test;

namespace {

struct TerminalDictation : LinuxDesktop {

    // Starts the signed-in program (with `settings` of its own, if any), puts the terminal in front, and
    // dictates one take into it, holding `hotkey`.
    void dictateInto(const QString& program, const QStringList& args, const QByteArray& settings = {},
                     KeySym hotkey = XK_Control_R) {
        const QString words = QStringLiteral("明天上午十点开会");
        FakeOpenAI server;
        server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription(words));
        QTemporaryDir dir;
        RelayProgram relay(dir, server.url("/"));
        if (!settings.isEmpty()) relay.finishWelcome(settings);
        const StoredSignIn signedIn(platform->secrets());
        QProcess* mivora = relay.start();
        ASSERT_TRUE(relay.watchesKeys());
        // The main window opens at launch; the terminal comes in front of it only after it is up.
        ASSERT_TRUE(inFront(mivora->processId()));

        CatTerminal terminal;
        ASSERT_TRUE(terminal.start(program, args)) << program.toStdString() << " (scripts/install-deps)";
        ASSERT_TRUE(inFront(terminal.processId()));
        ASSERT_TRUE(holdHotkeyAndSpeak(
            {}, [&] { return relay.logged("开始听"); }, hotkey))
            << relay.log().join('\n').toStdString();
        EXPECT_TRUE(waitUntil([&] { return terminal.received() == words; }, desktopDeadlineMs))
            << "received: " << terminal.received().toStdString() << "\n"
            << relay.log().join('\n').toStdString();
        EXPECT_EQ(server.count("/v1/audio/transcriptions"), 1);
        EXPECT_EQ(mivora->state(), QProcess::Running);
    }
};

} // namespace

TEST_F(TerminalDictation, ATakeLandsInXterm) {
    dictateInto("xterm", {"-class", "XTerm"});
}

TEST_F(TerminalDictation, ATakeLandsInLxterminal) {
    dictateInto("lxterminal", {"--no-remote"});
}

// A hotkey that is no modifier (F9) is typed by nothing: the terminal gets the words and not the key's
// escape sequence, press or auto-repeat.
TEST_F(TerminalDictation, AHotkeyThatIsNoModifierNeverReachesTheTerminal) {
    dictateInto("xterm", {"-class", "XTerm"}, "fnKey=F9\n", XK_F9);
}
