// The real program on an X server of its own that ends under it (the user logs out, the display restarts):
// idle, while recording and while the typing strip is shown, the program ends once and cleanly whichever of
// its connections notices first: no crash, and the log closes with its usual exit line.
#include "LinuxDesktop.h"
#include "support/ChildProcess.h"
#include "support/FakeOpenAI.h"
#include "support/RelayProgram.h"
#include "support/ScopedEnv.h"
#include "support/StoredSignIn.h"

#include <QTemporaryDir>

#include <memory>
#include <optional>

// Bring Xlib, whose macros clash with Qt and GoogleTest names: include them last.
#include "support/DesktopInput.h"

using namespace mivora;
using namespace mivora::test;

namespace {

// A private X server beside the session's, so that ending it leaves the test's own desktop standing.
class PrivateServer {
public:
    PrivateServer() {
        // It tells the display it picked on its standard output once it takes connections.
        server_.start("Xvfb", {"-displayfd", "1", "-nolisten", "tcp", "-screen", "0", "1280x800x24"});
        waitUntil([&] { return (output_ += server_.readAllStandardOutput()).contains('\n'); },
                  desktopDeadlineMs);
        if (output_.contains('\n')) display_ = ":" + output_.trimmed();
    }
    ~PrivateServer() { end(); }
    const QByteArray& display() const { return display_; }
    void end() {
        server_.terminate();
        server_.waitForFinished(desktopDeadlineMs);
    }

private:
    QProcess server_;
    QByteArray output_;
    QByteArray display_;
};

struct DisplayEndDesktop : LinuxDesktop {
    FakeOpenAI server;
    StoredSignIn signedIn{platform->secrets()};

    enum class State { idle, recording, strip };

    // One run: the program on a new server, brought to `state`, and the server ended under it.
    void endServerWhile(State state) {
        PrivateServer x;
        ASSERT_FALSE(x.display().isEmpty());
        // Everything started from here (the program, the field, the tools) goes to the private server.
        const ScopedEnv display("DISPLAY", x.display());
        QTemporaryDir dir;
        RelayProgram program(dir, server.url("/"));
        program.holdMemories({Memory{.title = "公司地址", .value = "北京市海淀区中关村大街1号"}});
        QProcess* mivora = program.start();
        ASSERT_TRUE(program.watchesKeys());
        const auto trace = [&] { return program.log().join('\n').toStdString(); };
        ChildProcess field;
        std::unique_ptr<Display, int (*)(Display*)> keyboard{XOpenDisplay(nullptr), XCloseDisplay};
        ASSERT_TRUE(keyboard);
        if (state == State::recording) {
            const KeyCode hotkey = XKeysymToKeycode(keyboard.get(), XK_Control_R);
            // A press in the instant the program still asks where the focus is goes unheard: press again.
            bool started = false;
            for (int tries = 0; !started && tries < desktopDeadlineMs / 2000; ++tries) {
                XTestFakeKeyEvent(keyboard.get(), hotkey, True, CurrentTime);
                XSync(keyboard.get(), False);
                started = waitUntil([&] { return program.logged("开始听"); }, 2000);
                if (!started) XTestFakeKeyEvent(keyboard.get(), hotkey, False, CurrentTime);
            }
            ASSERT_TRUE(started) << trace();
        } else if (state == State::strip) {
            ASSERT_TRUE(field.start("/usr/bin/python3", {MIVORA_GTK_TARGET, "--gtk", "3"}));
            ASSERT_TRUE(field.waitForLine("ready"));
            ASSERT_TRUE(focusWindowOf(field.processId()));
            ASSERT_TRUE(typeText(field, "我的公司地址")) << trace();
            ASSERT_TRUE(
                waitUntil([&] { return windowShown(mivora->processId(), 360, 44); }, desktopDeadlineMs))
                << trace();
        }
        keyboard.reset();
        x.end();
        ASSERT_TRUE(mivora->waitForFinished(desktopDeadlineMs)) << trace();
        EXPECT_EQ(mivora->exitStatus(), QProcess::NormalExit) << trace();
        // Closed by the exit line once: nothing written after it, nothing cut short before it.
        QStringList lines = program.log();
        while (!lines.isEmpty() && lines.last().isEmpty())
            lines.removeLast();
        ASSERT_FALSE(lines.isEmpty());
        EXPECT_EQ(lines.last(), "进程退出（exit）") << trace();
        EXPECT_EQ(lines.filter("进程退出（exit）").size(), 1) << trace();
    }
};

} // namespace

TEST_F(DisplayEndDesktop, TheServerEndingUnderTheIdleProgramEndsItCleanly) {
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        endServerWhile(State::idle);
        if (HasFatalFailure()) return;
    }
}

TEST_F(DisplayEndDesktop, TheServerEndingWhileATakeRecordsEndsTheProgramCleanly) {
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        endServerWhile(State::recording);
        if (HasFatalFailure()) return;
    }
}

TEST_F(DisplayEndDesktop, TheServerEndingWhileTheStripIsShownEndsTheProgramCleanly) {
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        endServerWhile(State::strip);
        if (HasFatalFailure()) return;
    }
}
