// The real program beside a real input method (fcitx5), filling a memory into a real editor (mousepad)
// again and again as a user does: every fill the program says it made is in the text.
#include "LinuxDesktop.h"
#include "support/ChildProcess.h"
#include "support/FakeOpenAI.h"
#include "support/Fcitx.h"
#include "support/RelayProgram.h"

#include <QDBusInterface>
#include <QDBusReply>
#include <QRegularExpression>
#include <QTemporaryDir>

// Bring Xlib, whose macros clash with Qt and GoogleTest names: include them last.
#include "support/DesktopInput.h"

using namespace mivora;
using namespace mivora::test;

namespace {

const QString value = "me@example.com";

struct InputMethodEditorDesktop : LinuxDesktop {
    Fcitx fcitx;
    FakeOpenAI server;
    QTemporaryDir dir;
    RelayProgram program{dir, server.url("/")};
    QProcess editor;
    const std::unique_ptr<Display, int (*)(Display*)> display{XOpenDisplay(nullptr), XCloseDisplay};

    ~InputMethodEditorDesktop() override {
        for (const KeySym key : {XK_Shift_L, XK_Control_L})
            XTestFakeKeyEvent(display.get(), XKeysymToKeycode(display.get(), key), False, CurrentTime);
        XSync(display.get(), False);
        editor.kill();
        editor.waitForFinished(5000);
    }

    // The program with one e-mail memory, then mousepad in front of it, its text typing through the input
    // method in its English mode.
    ::testing::AssertionResult start() {
        if (!display) return ::testing::AssertionFailure() << "no display";
        if (!fcitx.ready()) return ::testing::AssertionFailure() << fcitx.output().toStdString();
        program.holdMemories({Memory{.title = "工作邮箱", .type = "邮箱", .value = value}});
        QProcess* mivora = program.start();
        if (auto watching = program.watchesKeys(); !watching) return watching;
        if (!inFront(mivora->processId())) return ::testing::AssertionFailure() << "no main window";
        editor.setProcessEnvironment(Fcitx::environment());
        editor.start("/usr/bin/mousepad", {"--disable-server"});
        if (!editor.waitForStarted(desktopDeadlineMs))
            return ::testing::AssertionFailure() << "no mousepad (scripts/install-deps)";
        focusWindowOf(editor.processId());
        if (!inFront(editor.processId()))
            return ::testing::AssertionFailure() << "mousepad never came in front";
        if (!waitUntil([&] { return text().has_value(); }, desktopDeadlineMs))
            return ::testing::AssertionFailure() << "mousepad's text never showed on the accessibility bus";
        QDBusInterface controller("org.fcitx.Fcitx5", "/controller", "org.fcitx.Fcitx.Controller1");
        if (!waitUntil([&] { return QDBusReply<int>(controller.call("State")).value() == 2; },
                       desktopDeadlineMs))
            return ::testing::AssertionFailure() << "the input method never came on in mousepad";
        controller.call("Deactivate");
        if (!waitUntil([&] { return QDBusReply<int>(controller.call("State")).value() == 1; },
                       desktopDeadlineMs))
            return ::testing::AssertionFailure() << "the input method never went to its English mode";
        return ::testing::AssertionSuccess();
    }
    std::optional<QString> text() {
        const TextAccess::Read read = platform->textAccess().focusedText(editor.processId());
        return read.field ? read.field->value() : std::nullopt;
    }
    bool shows(const QString& expected) {
        return waitUntil([&] { return text() == expected; }, desktopDeadlineMs);
    }
    void chord(KeySym modifier, KeySym key) {
        const unsigned int code = XKeysymToKeycode(display.get(), modifier);
        XTestFakeKeyEvent(display.get(), code, True, CurrentTime);
        pressKey(display.get(), key);
        XTestFakeKeyEvent(display.get(), code, False, CurrentTime);
        XSync(display.get(), False);
    }
    // Types lowercase letters and ':' key by key, each waited for in the text.
    bool type(const QString& typed) {
        QString expected = text().value_or(QString());
        for (const QChar c : typed) {
            if (c == ':')
                chord(XK_Shift_L, XK_semicolon);
            else
                pressKey(display.get(), XStringToKeysym(QString(c).toLatin1().constData()));
            expected += c;
            if (!shows(expected)) return false;
        }
        return true;
    }
    int offers() const { return int(program.log().filter("打字触发：递上一条").size()); }
    bool offered(int before) {
        return waitUntil([&] { return offers() > before; }, desktopDeadlineMs);
    }
    // Where the caret was for each strip shown, across the screen.
    QList<int> stripsAt() const {
        static const QRegularExpression placed("提示条：光标 (-?\\d+),");
        QList<int> xs;
        for (const QString& line : program.log())
            if (const auto match = placed.match(line); match.hasMatch()) xs << match.captured(1).toInt();
        return xs;
    }
    // A strip shown right of `x`: made from a look at the field that saw what was typed after `x`. One made
    // from a look just before the last key may show too, and that key takes it away at once.
    bool offeredRightOf(int x) {
        return waitUntil([&] { return !stripsAt().isEmpty() && stripsAt().last() > x; }, desktopDeadlineMs);
    }
    std::string trace() {
        return (QStringList{"text: " + text().value_or("(unread)")} + program.log()).join('\n').toStdString();
    }
};

} // namespace

// The field filled, emptied with Ctrl+A BackSpace and filled again: the second fill lands as the first did,
// and the program says it filled only once it did.
TEST_F(InputMethodEditorDesktop, ASecondFillIntoAnEmptiedFieldLands) {
    ASSERT_TRUE(start());
    ASSERT_TRUE(type("email")) << trace();
    ASSERT_TRUE(offered(0)) << trace();
    pressKey(display.get(), XK_Tab);
    ASSERT_TRUE(shows("email：" + value)) << trace();

    chord(XK_Control_L, XK_a);
    pressKey(display.get(), XK_BackSpace);
    ASSERT_TRUE(shows("")) << trace();
    const int afterEmail = stripsAt().value(0);
    ASSERT_TRUE(type("email:")) << trace();
    ASSERT_TRUE(offeredRightOf(afterEmail)) << trace();
    pressKey(display.get(), XK_Tab);
    EXPECT_TRUE(shows("email:" + value)) << trace();
    EXPECT_TRUE(
        waitUntil([&] { return program.log().filter("打字触发：已填入").size() == 2; }, desktopDeadlineMs))
        << trace();
}
