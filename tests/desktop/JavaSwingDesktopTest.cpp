// A Java Swing text area asks for the clipboard well after its paste key (up to a second, later when its
// toolkit is slow): every take of the real program lands there as the dictation, never as the clipboard
// the user had, and that clipboard comes back after each.
#include "Insertion/TextInserter.h"

#include "LinuxDesktop.h"
#include "support/ChildProcess.h"
#include "support/FakeOpenAI.h"
#include "support/RelayProgram.h"
#include "support/StoredSignIn.h"

#include <QTemporaryDir>
#include <QThread>

// Bring Xlib, whose macros clash with Qt and GoogleTest names: include them last.
#include "support/TakesLand.h"

using namespace mivora;
using namespace mivora::test;

namespace {

struct JavaSwingDesktop : LinuxDesktop {
    FakeOpenAI server;
    QTemporaryDir dir;
    RelayProgram relay{dir, server.url("/")};
};

} // namespace

TEST_F(JavaSwingDesktop, EveryTakeLandsAsTheDictationAndTheClipboardComesBackAfterIt) {
    const QString words = QStringLiteral("明天上午十点开会");
    server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription(words));
    const StoredSignIn signedIn(platform->secrets());
    QProcess* mivora = relay.start();
    ASSERT_TRUE(relay.watchesKeys());
    ASSERT_TRUE(inFront(mivora->processId())) << "no main window";
    // Swing's toolkit polling slowly, as on a busy machine: it asks for the clipboard later still.
    qputenv("_AWT_MAX_POLL_TIMEOUT", "1000");
    // Its Java shares one core with a process that never rests, as on a busy machine.
    const QString core = QString::number(QThread::idealThreadCount() - 1);
    ChildProcess hog, area;
    ASSERT_TRUE(hog.start("/usr/bin/taskset", {"-c", core, "/bin/sh", "-c", "while :; do :; done"}));
    // With the accessibility bridge a user of assistive technology has on, so its text area is known as one.
    const bool started =
        area.start("/usr/bin/taskset",
                   {"-c", core, "/usr/bin/java", "-cp", "/usr/share/java/java-atk-wrapper.jar",
                    "-Djavax.accessibility.assistive_technologies=org.GNOME.Accessibility.AtkWrapper",
                    MIVORA_SWING_TARGET}) &&
        area.waitForLine("ready");
    qunsetenv("_AWT_MAX_POLL_TIMEOUT");
    ASSERT_TRUE(started) << "java (scripts/install-deps)";
    // Focused again until it is in front: on a busy machine one try can outlast the tool's time.
    const qint64 pid = area.processId();
    ASSERT_TRUE(waitUntil(
        [&] {
            return focusWindowOf(pid) &&
                   platform->frontApplication().current().value_or(FrontApp{}).pid == pid;
        },
        desktopDeadlineMs));
    // Swing's own focus follows a click, not the X focus alone.
    const QString window =
        runTool("xdotool", {"search", "--onlyvisible", "--pid", QString::number(area.processId())})
            .section('\n', 0, 0);
    runTool("xdotool", {"mousemove", "--window", window, "50", "50", "click", "1"});
    TextInserter inserter{*platform, scheduler};
    ASSERT_TRUE(waitUntil([&] { return inserter.currentFocus() == FocusKind::text; }, desktopDeadlineMs));

    QString expected;
    EXPECT_TRUE(takesLand(relay, 10, words, expected, [&] { return area.lastText(); }));
    EXPECT_EQ(mivora->state(), QProcess::Running);
}
