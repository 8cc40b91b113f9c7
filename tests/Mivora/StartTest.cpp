#include "support/TestMain.h"

#include <QFile>
#include <QProcess>
#include <QRegularExpression>

#include <gtest/gtest.h>

// The program's own start and exit lines, both stamped: the exit line is written after Qt has torn down
// its globals, where Qt's date formatting no longer works.
TEST(Start, LogsStartAndExitWithStampsAndRefusesToRunWithoutADisplay) {
    const QString log = mivora::test::home() + "/.local/state/Mivora/mivora.log";
    QFile::remove(log);
    QProcess process;
    QStringList env = QProcess::systemEnvironment() << "QT_QPA_PLATFORM=offscreen";
    process.setEnvironment(env);
    process.start(MIVORA_APP_PATH, {});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0);
    QFile file(log);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QString text = QString::fromUtf8(file.readAll());
    static const QRegularExpression lines(R"(^\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}  启动 \S+ \(\S+\)\n)"
                                          R"(\d{4}-\d\d-\d\d \d\d:\d\d:\d\d\.\d{3}  进程退出（exit）\n$)");
    EXPECT_TRUE(lines.match(text).hasMatch()) << text.toStdString();

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
