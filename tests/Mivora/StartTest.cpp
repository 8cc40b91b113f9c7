#include "support/TestMain.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

namespace {

QString logText() {
    QFile file(mivora::test::home() + "/.local/state/Mivora/mivora.log");
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

} // namespace

// The real program: it stays up after its launch, and a termination request ends it with the
// will-terminate line and then the exit line, which alone carries no time stamp.
TEST(Start, StaysUpAndEndsOnSIGTERMWithBothExitLinesAndRefusesToRunWithoutADisplay) {
    QFile::remove(mivora::test::home() + "/.local/state/Mivora/mivora.log");
    QTemporaryDir runtime; // its own single-instance socket, whatever else runs on this machine
    QStringList env = QProcess::systemEnvironment() << "QT_QPA_PLATFORM=offscreen"
                                                    << "XDG_RUNTIME_DIR=" + runtime.path();
    QProcess process;
    process.setEnvironment(env);
    process.start(MIVORA_APP_PATH, {});
    ASSERT_TRUE(QTest::qWaitFor([] { return logText().contains("启动"); }, 30000));
    QTest::qWait(300);
    EXPECT_EQ(process.state(), QProcess::Running);
    ::kill(pid_t(process.processId()), SIGTERM);
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 0);
    const QString stamp = R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}  )";
    static const QRegularExpression lines("^" + stamp + R"(启动 \S+（\S+）\n(.*\n)*)" + stamp +
                                          "退出（applicationWillTerminate）\n进程退出（exit）\n$");
    EXPECT_TRUE(lines.match(logText()).hasMatch()) << logText().toStdString();

    env.removeIf([](const QString& v) {
        return v.startsWith("DISPLAY=") || v.startsWith("WAYLAND_DISPLAY=") ||
               v.startsWith("QT_QPA_PLATFORM=");
    });
    process.setEnvironment(env);
    process.start(MIVORA_APP_PATH, {});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(process.readAllStandardError()).contains("需要图形桌面"));
}
