// The real program beside a sound server that is stopped: its socket takes the connection and nobody
// answers, which Qt Multimedia waits for 30 s. The start does not wait on it, and the microphone joins the
// readiness once the server runs again.
#include "LinuxDesktop.h"
#include "support/BusElement.h"
#include "support/ChildProcess.h"
#include "support/FakeOpenAI.h"
#include "support/RelayProgram.h"
#include "support/ScopedEnv.h"
#include "support/StoredSignIn.h"

#include <QRegularExpression>
#include <QTemporaryDir>

#include <csignal>
#include <utility>

using namespace mivora;
using namespace mivora::test;

namespace {

// Far under the 30 s a start waiting on the stopped server would take, far above a start's few seconds.
constexpr int promptlyMs = 15000;

// A PulseAudio server of the test's own, on a socket of its own, with one microphone; it is continued and
// ended with the test.
class PrivateSoundServer {
public:
    PrivateSoundServer() {
        QFile config(dir_.filePath("server.pa"));
        config.open(QIODevice::WriteOnly);
        config.write(QStringLiteral("load-module module-native-protocol-unix auth-anonymous=1 socket=%1\n"
                                    "load-module module-pipe-source source_name=mic file=%2 format=s16le "
                                    "rate=16000 channels=1\n"
                                    "set-default-source mic\n")
                         .arg(socket(), dir_.filePath("mic.fifo"))
                         .toUtf8());
        config.close();
        QStringList environment = QProcess::systemEnvironment();
        // Off the session bus, whose server name the session's own sound server holds.
        environment.removeIf([](const QString& v) {
            return v.startsWith("DISPLAY=") || v.startsWith("DBUS_SESSION_BUS_ADDRESS=");
        });
        process_.setEnvironment(environment);
        start();
    }
    ~PrivateSoundServer() {
        if (process_.state() == QProcess::NotRunning) return;
        resume();
        process_.terminate();
        if (!process_.waitForFinished(desktopDeadlineMs)) process_.kill();
        process_.waitForFinished(desktopDeadlineMs);
    }
    QString socket() const { return dir_.filePath("pulse.sock"); }
    // Whether it answers a client (which waits no longer than `timeoutMs`).
    bool answers(int timeoutMs) const {
        QProcess pactl;
        pactl.start("pactl", {"-s", "unix:" + socket(), "info"});
        if (pactl.waitForFinished(timeoutMs))
            return pactl.exitStatus() == QProcess::NormalExit && pactl.exitCode() == 0;
        pactl.kill();
        pactl.waitForFinished(desktopDeadlineMs);
        return false;
    }
    // Whether it runs and answers. A server that ended before it answered (once, on a loaded machine, it
    // ended at once with nothing said) is started again, twice at the most; what each start said is kept.
    bool up() {
        for (int start = 0; start < 3; ++start) {
            if (start > 0) {
                told_ += told() + QStringLiteral("\n(started again)\n");
                this->start();
            }
            if (waitUntil([&] { return process_.state() == QProcess::NotRunning || answers(5000); },
                          desktopDeadlineMs) &&
                process_.state() == QProcess::Running)
                return true;
            if (process_.state() != QProcess::NotRunning) return false;
        }
        return false;
    }
    void stop() { ::kill(pid_t(process_.processId()), SIGSTOP); }
    void resume() { ::kill(pid_t(process_.processId()), SIGCONT); }
    QString told() {
        QString said = std::exchange(told_, {}) + QString::fromUtf8(process_.readAllStandardError());
        if (process_.state() == QProcess::NotRunning)
            said +=
                QStringLiteral("\n(ended: exit %1, %2)").arg(process_.exitCode()).arg(process_.errorString());
        return said;
    }

private:
    void start() {
        process_.start("pulseaudio", {"-n", "-F", dir_.filePath("server.pa"), "--daemonize=no",
                                      "--exit-idle-time=-1", "--use-pid-file=no", "--log-target=stderr"});
        // Until Qt has handled the start, the process counts as starting even when the server already
        // answers: `up` reads the state after a client's answer.
        process_.waitForStarted(desktopDeadlineMs);
    }

    QTemporaryDir dir_;
    QProcess process_;
    QString told_;
};

// The text of the window's footer of process `pid` is `text`, once it is.
bool footerSays(qint64 pid, const QString& text, int timeoutMs) {
    return waitUntil([&] { return bool(shown(pid, text)); }, timeoutMs);
}

} // namespace

using SoundServerDesktop = LinuxDesktop;

TEST_F(SoundServerDesktop, AStoppedSoundServerHoldsNeitherTheStartNorTheMicrophoneOnceItRunsAgain) {
    ASSERT_GE(atspi_init(), 0);
    PrivateSoundServer sound;
    ASSERT_TRUE(sound.up()) << sound.told().toStdString();
    sound.stop();
    ASSERT_FALSE(sound.answers(1000)); // it takes the connection and says nothing

    FakeOpenAI server;
    QTemporaryDir dir;
    const StoredSignIn signedIn(platform->secrets());
    const ScopedEnv pulse("PULSE_SERVER", "unix:" + sound.socket().toUtf8()); // for the programs started
    RelayProgram program(dir, server.url("/"));
    QProcess* mivora = program.start();
    const std::shared_ptr<void> endProgram(nullptr, [&](void*) {
        ::kill(pid_t(mivora->processId()), SIGTERM);
        waitUntil([&] { return mivora->state() == QProcess::NotRunning; }, desktopDeadlineMs);
    });

    // The start tells what is left without waiting for the server: only the microphone.
    ASSERT_TRUE(waitUntil(
        [&] {
            return program.told().filter(QRegularExpression("^(第一次听写之前还差|可以听写了)")).size() > 0;
        },
        promptlyMs))
        << program.told().join('\n').toStdString();
    EXPECT_EQ(
        program.told().filter(QRegularExpression("^(可以|第一次|  · )")),
        (QStringList{"第一次听写之前还差：", "  · 没有找到麦克风：在「设置 → 声音 → 输入」里选一个麦克风"}));
    // Its event loop answers: a second start hands over to it and leaves.
    QProcess* second = program.start();
    ASSERT_TRUE(waitUntil([&] { return second->state() == QProcess::NotRunning; }, promptlyMs));
    EXPECT_EQ(second->exitCode(), 0);
    ASSERT_TRUE(footerSays(mivora->processId(), "还差 1 步", desktopDeadlineMs));

    // Running again, the server brings the microphone: the window says the program is ready.
    sound.resume();
    EXPECT_TRUE(footerSays(mivora->processId(), "就绪", desktopDeadlineMs))
        << program.log().join('\n').toStdString();
    EXPECT_EQ(mivora->state(), QProcess::Running);
}
