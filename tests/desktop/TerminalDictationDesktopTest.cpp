// The real program dictating into terminal emulators on the private desktop: a user holds the hotkey with
// xterm (or lxterminal, or urxvt) in front, at a shell running `cat > file`, speaks, lets go, and the words
// (or the memory recalled) are in the file.
#include "LinuxDesktop.h"
#include "support/CatTerminal.h"
#include "support/ChildProcess.h"
#include "support/FakeOpenAI.h"
#include "support/RelayProgram.h"
#include "support/StoredSignIn.h"

#include <QTemporaryDir>

#include <memory>

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

// A recall is held with Shift and the right Ctrl, let go with no key between: rxvt-unicode's own gesture
// for its keycap-picture mode (on in Debian's build), in which the paste keys that follow would type their
// picture (⎀). The memory lands every time, and nothing else.
TEST_F(TerminalDictation, ARecalledMemoryLandsInUrxvtEveryTime) {
    const QString value = QStringLiteral("北京市海淀区中关村大街1号");
    FakeOpenAI server;
    QTemporaryDir dir;
    RelayProgram relay(dir, server.url("/"));
    relay.holdMemories({Memory{.title = "公司地址", .value = value}});
    const StoredSignIn signedIn(platform->secrets());
    QProcess* mivora = relay.start();
    ASSERT_TRUE(relay.watchesKeys());
    ASSERT_TRUE(inFront(mivora->processId()));
    CatTerminal terminal;
    // urxvt runs what follows -e as it is, not through a shell as xterm runs one word: the shell is named
    // here, and the terminal's own "-e" that follows is the shell's errexit option before the command.
    ASSERT_TRUE(terminal.start("urxvt", {"-e", "sh", "-c"})) << "urxvt (scripts/install-deps)";
    ASSERT_TRUE(inFront(terminal.processId()));
    const std::unique_ptr<Display, int (*)(Display*)> display(XOpenDisplay(nullptr), XCloseDisplay);
    ASSERT_TRUE(display);
    const auto shift = [&](bool down) {
        XTestFakeKeyEvent(display.get(), XKeysymToKeycode(display.get(), XK_Shift_L), down, CurrentTime);
        XSync(display.get(), False);
    };
    // Keys pressed before the program has looked where the focus went are nobody's, a Shift among them (the
    // recall would be a dictation): one take first, pressed again until it starts, which the failing
    // recognition ends with nothing typed.
    server.respond("/v1/audio/transcriptions", FakeOpenAI::error(500, "not yet"));
    ASSERT_TRUE(holdHotkeyAndSpeak({}, [&] { return relay.logged("开始听"); }));
    // Its recognition is over before the service answers otherwise: a busy program may ask only now.
    ASSERT_TRUE(waitUntil([&] { return relay.logged("识别失败："); }, desktopDeadlineMs))
        << relay.log().join('\n').toStdString();
    server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription(QStringLiteral("公司地址")));
    QString expected;
    for (int round = 0; round < 5; ++round) {
        SCOPED_TRACE(round);
        const qsizetype started = relay.log().filter("开始听").size();
        shift(true);
        EXPECT_TRUE(holdHotkeyAndSpeak({}, [&] { return relay.log().filter("开始听").size() > started; }));
        shift(false);
        expected += value;
        ASSERT_TRUE(waitUntil([&] { return terminal.received() == expected; }, desktopDeadlineMs))
            << "received: " << terminal.received().toStdString() << "\n"
            << relay.log().join('\n').toStdString();
    }
    EXPECT_FALSE(terminal.received().contains(QStringLiteral("⎀")));
    EXPECT_EQ(mivora->state(), QProcess::Running);
}
