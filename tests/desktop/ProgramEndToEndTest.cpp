// The real program, started as a user starts it, on the private desktop: it stays up, dictates into another
// application, answers a second start by showing its window, and ends on SIGTERM with both exit lines.
#include "LinuxDesktop.h"
#include "support/ChildProcess.h"
#include "support/FakeOpenAI.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QTemporaryDir>

#include <csignal>

// Brings Xlib, whose macros clash with Qt and GoogleTest names: include it last.
#include "support/HotkeyTake.h"

using namespace mivora;
using namespace mivora::test;

namespace {

// The program with its own Info.json (a relay on the loopback server) and its own log folder.
class Program {
public:
    Program(const QTemporaryDir& dir, const QUrl& relay) : dir_(dir) {
        QFile info(dir.filePath("Info.json"));
        info.open(QIODevice::WriteOnly);
        info.write(QJsonDocument(QJsonObject{{"YarrikProxyURL", relay.toString()},
                                             {"YarrikProxyToken", "dev"},
                                             {"CFBundleShortVersionString", "9.9"}})
                       .toJson());
        environment_ = QProcess::systemEnvironment()
                       << "MIVORA_INFO_JSON=" + info.fileName() << "XDG_STATE_HOME=" + dir.filePath("state");
    }
    QProcess* start() {
        auto* process = new QProcess;
        process->setEnvironment(environment_);
        process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
        process->start(MIVORA_APP_PATH, {});
        processes_.emplace_back(process);
        return process;
    }
    QStringList log() const {
        QFile file(dir_.filePath("state/Mivora/mivora.log"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()).split('\n') : QStringList();
    }
    bool logged(const QString& text) const { return log().filter(text).size() > 0; }

private:
    const QTemporaryDir& dir_;
    QStringList environment_;
    std::vector<std::unique_ptr<QProcess>> processes_;
};

} // namespace

using ProgramEndToEnd = LinuxDesktop;

TEST_F(ProgramEndToEnd, StaysUpDictatesIntoAnotherApplicationReopensAndEndsWithItsExitLines) {
    FakeOpenAI server;
    server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription("明天上午十点开会"));
    QTemporaryDir dir;
    Program program(dir, server.url("/"));
    QProcess* mivora = program.start();
    ASSERT_TRUE(waitUntil([&] { return program.logged("按键监听已开启"); }, 15000))
        << program.log().join('\n').toStdString();
    EXPECT_TRUE(program.logged("启动 9.9（"));
    ASSERT_TRUE(waitUntil(
        [&] {
            return platform->frontApplication().current().value_or(FrontApp{}).pid == mivora->processId();
        },
        5000))
        << "the main window opens at launch";

    ChildProcess target;
    ASSERT_TRUE(target.startInFront(platform->frontApplication(), "mivora_target"));
    // The recording HUD's window is checked during the take once the HUD is part of the program.
    EXPECT_TRUE(holdHotkeyAndSpeak());
    EXPECT_TRUE(target.waitForLine("text:明天上午十点开会", 15000))
        << (program.log() + target.lines()).join('\n').toStdString();
    EXPECT_EQ(mivora->state(), QProcess::Running);

    // A second start brings the running program's window to the front and leaves at once.
    QProcess* second = program.start();
    ASSERT_TRUE(waitUntil([&] { return second->state() == QProcess::NotRunning; }, 15000));
    EXPECT_EQ(second->exitCode(), 0);
    EXPECT_TRUE(waitUntil(
        [&] {
            return platform->frontApplication().current().value_or(FrontApp{}).pid == mivora->processId();
        },
        5000));

    ::kill(pid_t(mivora->processId()), SIGTERM);
    ASSERT_TRUE(waitUntil([&] { return mivora->state() == QProcess::NotRunning; }, 15000));
    EXPECT_EQ(mivora->exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(mivora->exitCode(), 0);
    const QStringList lines = program.log();
    ASSERT_GE(lines.size(), 3);
    EXPECT_TRUE(lines[lines.size() - 3].endsWith("  退出（applicationWillTerminate）"))
        << lines.join('\n').toStdString();
    EXPECT_EQ(lines[lines.size() - 2], "进程退出（exit）");
    EXPECT_EQ(lines.last(), "");
}
