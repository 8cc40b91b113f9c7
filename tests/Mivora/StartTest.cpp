#include <QProcess>

#include <gtest/gtest.h>

// The real program without any display refuses to start with a message instead of aborting inside Qt.
// Its life on a desktop (staying up, the exit lines on SIGTERM) is the program's end-to-end test.
TEST(Start, RefusesToRunWithoutADisplay) {
    QStringList env = QProcess::systemEnvironment();
    env.removeIf([](const QString& v) {
        return v.startsWith("DISPLAY=") || v.startsWith("WAYLAND_DISPLAY=") ||
               v.startsWith("QT_QPA_PLATFORM=");
    });
    QProcess process;
    process.setEnvironment(env);
    process.start(MIVORA_APP_PATH, {});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_TRUE(QString::fromUtf8(process.readAllStandardError()).contains("需要图形桌面"));
}
