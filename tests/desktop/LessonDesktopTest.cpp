// The real program on the private desktop, opened on its tutorial: the dictation lesson's practice field
// takes a spoken take (through the test microphone and the loopback recogniser) and the lesson shows it
// was done. The window is reached through the accessibility bus, as assistive tools do.
#include "LinuxDesktop.h"
#include "support/BusElement.h"
#include "support/ChildProcess.h"
#include "support/FakeOpenAI.h"
#include "support/RelayProgram.h"
#include "support/StoredSignIn.h"

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
    ASSERT_TRUE(waitUntil([&] { return program.logged("按键监听已开启"); }, desktopDeadlineMs))
        << program.log().join('\n').toStdString();

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
