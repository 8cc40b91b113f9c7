// Text inserted while a terminal emulator is in front lands at its prompt: xterm pastes the primary
// selection with Shift+Insert, lxterminal the clipboard with Ctrl+Shift+V, cool-retro-term (named nowhere,
// known by the pseudo-terminal it holds) too, with no raw control character before the text; and the user's
// clipboard and selection come back afterwards. The terminal runs `cat` into a file, which is read back.
#include "Insertion/TextInserter.h"

#include "LinuxDesktop.h"
#include "support/CatTerminal.h"
#include "support/ChildProcess.h"

#include <QClipboard>
#include <QGuiApplication>

using namespace mivora;
using namespace mivora::test;

namespace {

struct TerminalPasteDesktop : LinuxDesktop {
    CatTerminal terminal;

    QString received() const { return terminal.received(); }
    // Starts the terminal and waits until the desktop has it in front.
    bool startTerminal(const QString& program, const QStringList& args) {
        return terminal.start(program, args) &&
               waitUntil(
                   [&] {
                       return platform->frontApplication().current().value_or(FrontApp{}).pid ==
                              terminal.processId();
                   },
                   desktopDeadlineMs);
    }
    void pasteAndGiveBack(PasteKeys expected) {
        const auto app = platform->frontApplication().current();
        ASSERT_TRUE(app);
        EXPECT_EQ(app->paste, expected) << app->identifier.toStdString();
        QGuiApplication::clipboard()->setText(QStringLiteral("之前复制的"), QClipboard::Clipboard);
        QGuiApplication::clipboard()->setText(QStringLiteral("之前选中的"), QClipboard::Selection);

        TextInserter inserter{*platform, scheduler};
        const QString text = QStringLiteral("终端里的字 abc");
        EXPECT_EQ(QCoro::waitFor(inserter.insert(text)), InsertResult::inserted());
        EXPECT_TRUE(waitUntil([&] { return received() == text; }, desktopDeadlineMs))
            << received().toStdString();
        EXPECT_TRUE(waitUntil([] { return clipboardAs("UTF8_STRING") == QString("之前复制的").toUtf8(); },
                              desktopDeadlineMs));
        EXPECT_TRUE(waitUntil([] { return primaryAs("UTF8_STRING") == QString("之前选中的").toUtf8(); },
                              desktopDeadlineMs));
    }
};

} // namespace

TEST_F(TerminalPasteDesktop, XtermGetsThePrimarySelectionWithShiftInsert) {
    ASSERT_TRUE(startTerminal("xterm", {"-class", "XTerm"})) << "xterm (scripts/install-deps)";
    pasteAndGiveBack(PasteKeys::shiftInsert);
}

TEST_F(TerminalPasteDesktop, LxterminalGetsTheClipboardWithControlShiftV) {
    ASSERT_TRUE(startTerminal("lxterminal", {"--no-remote"})) << "lxterminal (scripts/install-deps)";
    pasteAndGiveBack(PasteKeys::controlShiftV);
}

TEST_F(TerminalPasteDesktop, AnUnnamedTerminalIsKnownByItsPseudoTerminalAndGetsNoControlCharacter) {
    ASSERT_TRUE(startTerminal("cool-retro-term", {})) << "cool-retro-term (scripts/install-deps)";
    pasteAndGiveBack(PasteKeys::controlShiftV);
}
