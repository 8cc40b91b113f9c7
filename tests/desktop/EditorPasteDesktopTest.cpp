// The real program dictating into gvim in insert mode, where Ctrl+V is no paste (it waits for a key to
// insert literally): takes one after another leave no control character in the buffer, and each stays on
// the clipboard for the user to paste.
#include "LinuxDesktop.h"
#include "support/FakeOpenAI.h"
#include "support/RelayProgram.h"
#include "support/StoredSignIn.h"

#include <QStandardPaths>
#include <QTemporaryDir>

// Bring Xlib, whose macros clash with Qt and GoogleTest names: include them last.
#include "support/DesktopInput.h"

using namespace mivora;
using namespace mivora::test;

namespace {

// gvim editing a file of its own, asked over vim's own X11 client-server link what it holds.
class Gvim {
public:
    ~Gvim() {
        process_.kill();
        process_.waitForFinished(5000);
    }
    bool start() {
        if (QStandardPaths::findExecutable("gvim").isEmpty()) return false;
        process_.start("gvim", {"-f", "--servername", server_, dir_.filePath("notes.txt")});
        return process_.waitForStarted(desktopDeadlineMs) &&
               waitUntil([&] { return ask("mode()") == "n"; }, desktopDeadlineMs);
    }
    qint64 processId() const { return process_.processId(); }
    // The value of a vim expression, empty when vim does not answer.
    QString ask(const QString& expression) const {
        return runTool("vim", {"--servername", server_, "--remote-expr", expression});
    }
    QString line() const { return ask("getline(1)"); }

private:
    QTemporaryDir dir_;
    const QString server_ = "MIVORA" + QString::number(QCoreApplication::applicationPid());
    QProcess process_;
};

struct EditorPasteDesktop : LinuxDesktop {};

} // namespace

TEST_F(EditorPasteDesktop, TakesIntoGvimInInsertModeLeaveNoControlCharacter) {
    const QString words = QStringLiteral("明天上午十点开会");
    FakeOpenAI server;
    server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription(words));
    QTemporaryDir dir;
    RelayProgram relay(dir, server.url("/"));
    const StoredSignIn signedIn(platform->secrets());
    QProcess* mivora = relay.start();
    ASSERT_TRUE(relay.watchesKeys());
    ASSERT_TRUE(inFront(mivora->processId()));

    Gvim gvim;
    ASSERT_TRUE(gvim.start()) << "gvim (scripts/install-deps)";
    focusWindowOf(gvim.processId());
    ASSERT_TRUE(inFront(gvim.processId()));
    Display* display = XOpenDisplay(nullptr);
    ASSERT_TRUE(display);
    for (const KeySym key : {XK_i, XK_a, XK_b})
        pressKey(display, key);
    ASSERT_TRUE(
        waitUntil([&] { return gvim.line() == "ab" && gvim.ask("mode()") == "i"; }, desktopDeadlineMs))
        << gvim.line().toStdString();

    // The second of two Ctrl+V would write a raw ^V.
    for (int take = 1; take <= 2; ++take) {
        ASSERT_TRUE(holdHotkeyAndSpeak({}, [&] { return relay.log().filter("开始听").size() == take; }))
            << relay.log().join('\n').toStdString();
        ASSERT_TRUE(waitUntil([&] { return relay.log().filter("上屏").size() == take; }, desktopDeadlineMs))
            << relay.log().join('\n').toStdString();
    }
    pressKey(display, XK_z);
    XCloseDisplay(display);
    EXPECT_TRUE(waitUntil([&] { return gvim.line().endsWith('z'); }, desktopDeadlineMs));
    EXPECT_EQ(gvim.line(), "abz");
    EXPECT_EQ(gvim.ask("mode()"), "i");
    EXPECT_EQ(relay.log().filter("（留在剪贴板）").size(), 2) << relay.log().join('\n').toStdString();
    EXPECT_EQ(runTool("xclip", {"-o", "-selection", "clipboard"}), words);
}
