// The real program on the private desktop, opened on its tutorial: the dictation lesson's practice field
// takes a spoken take (through the test microphone and the loopback recogniser) and the lesson shows it
// was done. The window is reached through the accessibility bus, as assistive tools do.
#include "LinuxDesktop.h"
#include "support/BusElement.h"
#include "support/ChildProcess.h"
#include "support/FakeOpenAI.h"
#include "support/RelayProgram.h"
#include "support/StoredSignIn.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>

// Bring Xlib, whose macros clash with Qt and GoogleTest names: include them last.
#include "support/DesktopInput.h"

using namespace mivora;
using namespace mivora::test;

using LessonDesktop = LinuxDesktop;

TEST_F(LessonDesktop, ASpokenTakeLandsInTheDictationPracticeFieldAndTheLessonIsDone) {
    ASSERT_GE(atspi_init(), 0);
    FakeOpenAI server;
    server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription("明天上午十点开会"));
    QTemporaryDir dir;
    RelayProgram program(dir, server.url("/"));
    program.finishWelcome();
    const StoredSignIn signedIn(platform->secrets());
    QProcess* mivora = program.start();
    const qint64 pid = mivora->processId();
    ASSERT_TRUE(program.watchesKeys());

    // A click on the sidebar's "教程" row opens the tutorial on its first lesson, dictation, in place of the
    // home page (whose own practice field would take the text as well).
    ASSERT_TRUE(waitUntil([&] { return bool(shown(pid, "试一试")); }, desktopDeadlineMs)) << "the home page";
    std::optional<QPoint> row;
    ASSERT_TRUE(
        waitUntil([&] { return (row = shown(pid, "教程").middle()).has_value(); }, desktopDeadlineMs));
    runTool("xdotool", {"mousemove", QString::number(row->x()), QString::number(row->y()), "click", "1"});
    ASSERT_TRUE(waitUntil([&] { return shown(pid, "教程", ATSPI_STATE_SELECTED) && !shown(pid, "试一试"); },
                          desktopDeadlineMs));
    EXPECT_FALSE(shown(pid, "做到了！")) << "nothing done yet";
    // The practice field takes the keyboard shortly after it shows, in the window in front.
    const auto practiceField = [&] {
        return findElement(pid, [](const BusElement& e) {
            return e.has(ATSPI_STATE_FOCUSED) && e.has(ATSPI_STATE_EDITABLE) && e.has(ATSPI_STATE_SHOWING);
        });
    };
    ASSERT_TRUE(waitUntil(
        [&] {
            return platform->frontApplication().current().value_or(FrontApp{}).pid == pid && practiceField();
        },
        desktopDeadlineMs));

    ASSERT_TRUE(holdHotkeyAndSpeak({}, [&] { return program.logged("开始听"); }))
        << program.log().join('\n').toStdString();
    EXPECT_TRUE(waitUntil([&] { return practiceField().text() == "明天上午十点开会"; }, desktopDeadlineMs))
        << program.log().join('\n').toStdString();
    EXPECT_TRUE(waitUntil([&] { return bool(shown(pid, "做到了！")); }, desktopDeadlineMs))
        << program.log().join('\n').toStdString();
    EXPECT_EQ(server.count("/v1/audio/transcriptions"), 1);

    ::kill(pid_t(pid), SIGTERM);
    EXPECT_TRUE(waitUntil([&] { return mivora->state() == QProcess::NotRunning; }, desktopDeadlineMs));
}

// The typing lesson in the program's own practice field: the name of a memory typed there is offered at the
// field's caret (read in the program itself), and Tab fills it in without a tab character; the lesson is
// done.
TEST_F(LessonDesktop, ANameTypedInTheTypingPracticeFieldIsOfferedAtItsCaretAndTabFillsIt) {
    ASSERT_GE(atspi_init(), 0);
    FakeOpenAI server;
    QTemporaryDir dir;
    RelayProgram program(dir, server.url("/"));
    program.finishWelcome();
    program.holdMemories({Memory{.title = "地址", .value = "北京市朝阳区"}});
    QProcess* mivora = program.start();
    const qint64 pid = mivora->processId();
    ASSERT_TRUE(program.watchesKeys());

    // The home page's card for the typing lesson opens the tutorial on it.
    ASSERT_TRUE(waitUntil([&] { return bool(shown(pid, "试一试")); }, desktopDeadlineMs)) << "the home page";
    std::optional<QPoint> card;
    ASSERT_TRUE(
        waitUntil([&] { return (card = shown(pid, "打字递上").middle()).has_value(); }, desktopDeadlineMs));
    runTool("xdotool", {"mousemove", QString::number(card->x()), QString::number(card->y()), "click", "1"});
    ASSERT_TRUE(waitUntil([&] { return bool(shown(pid, "光标旁出现提示时，按 Tab")); }, desktopDeadlineMs));
    const auto practiceField = [&] {
        return findElement(pid, [](const BusElement& e) {
            return e.has(ATSPI_STATE_EDITABLE) && e.has(ATSPI_STATE_SHOWING) && e.has(ATSPI_STATE_MULTI_LINE);
        });
    };
    std::optional<QPoint> field;
    ASSERT_TRUE(waitUntil([&] { return (field = practiceField().middle()).has_value(); }, desktopDeadlineMs));
    runTool("xdotool", {"mousemove", QString::number(field->x()), QString::number(field->y()), "click", "1"});
    ASSERT_TRUE(waitUntil([&] { return practiceField() && practiceField().has(ATSPI_STATE_FOCUSED); },
                          desktopDeadlineMs));

    Display* display = XOpenDisplay(nullptr);
    ASSERT_TRUE(display);
    QString typed;
    for (const char32_t c : QString("我的地址").toUcs4()) {
        const unsigned int code = keycodeTyping(display, KeySym(0x01000000 | c));
        ASSERT_NE(code, 0u);
        typed += QString::fromUcs4(&c, 1);
        XTestFakeKeyEvent(display, code, True, CurrentTime);
        XFlush(display);
        ASSERT_TRUE(waitUntil([&] { return practiceField().text() == typed; }, desktopDeadlineMs));
        XTestFakeKeyEvent(display, code, False, CurrentTime);
        XSync(display, False);
    }
    // Offered under the field's caret, not at a fallback place.
    ASSERT_TRUE(waitUntil([&] { return program.logged("打字触发：递上一条"); }, desktopDeadlineMs))
        << program.log().join('\n').toStdString();
    const QStringList placed = program.log().filter("提示条：光标 ");
    ASSERT_FALSE(placed.isEmpty());
    EXPECT_FALSE(placed.last().contains("光标 0,0 高 0")) << placed.last().toStdString();
    const QRect fieldBox = practiceField().extents();
    const QRegularExpressionMatch at = QRegularExpression("→ 窗口 (-?\\d+),(-?\\d+)").match(placed.last());
    ASSERT_TRUE(at.hasMatch()) << placed.last().toStdString();
    const int screenHeight = DisplayHeight(display, DefaultScreen(display));
    // The strip's top edge, measured from the top of the screen, lies inside the field, below its first line.
    const int stripTop = screenHeight - at.captured(2).toInt() - 44;
    EXPECT_GT(stripTop, fieldBox.top()) << placed.last().toStdString();
    EXPECT_LT(stripTop, fieldBox.bottom()) << placed.last().toStdString();
    EXPECT_GE(at.captured(1).toInt(), fieldBox.left() - 10) << placed.last().toStdString();

    pressKey(display, XK_Tab);
    EXPECT_TRUE(
        waitUntil([&] { return practiceField().text() == "我的地址：北京市朝阳区"; }, desktopDeadlineMs))
        << practiceField().text().toStdString();
    EXPECT_FALSE(practiceField().text().contains('\t'));
    EXPECT_TRUE(waitUntil([&] { return bool(shown(pid, "做到了！")); }, desktopDeadlineMs))
        << program.log().join('\n').toStdString();
    XCloseDisplay(display);

    ::kill(pid_t(pid), SIGTERM);
    EXPECT_TRUE(waitUntil([&] { return mivora->state() == QProcess::NotRunning; }, desktopDeadlineMs));
}
