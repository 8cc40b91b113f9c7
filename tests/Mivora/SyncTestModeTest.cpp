#include "Support/Paths.h"
#include "support/ScopedEnv.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace mivora::test;

// The program itself against the standalone account server: two imitated devices create, join and
// converge on one vault of the review account.
TEST(SyncTestMode, TheProgramsTwoDevicesConvergeOnTheStandaloneServer) {
    QProcess server;
    server.start(MIVORA_ACCOUNT_SERVER_PATH, {"--review", "review@veskel.app", "246810"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.canReadLine(); }, 10000));
    const QString root = QString::fromUtf8(server.readLine()).trimmed();
    QTemporaryDir dir;
    QFile info(dir.filePath("Info.json"));
    ASSERT_TRUE(info.open(QIODevice::WriteOnly));
    info.write(R"({"YarrikProxyURL": ")" + root.toUtf8() + R"(", "YarrikProxyToken": "relay-token"})");
    info.close();
    const ScopedEnv infoJson("MIVORA_INFO_JSON", info.fileName().toUtf8());
    QDir().mkpath(mivora::Paths::developerDir());
    QFile code(mivora::Paths::developerDir() + "/review_code");
    ASSERT_TRUE(code.open(QIODevice::WriteOnly | QIODevice::Truncate) && code.write("246810\n"));
    code.close();

    QProcess program;
    program.start(MIVORA_APP_PATH, {"-synctest"});
    ASSERT_TRUE(program.waitForFinished(60000));
    const QString out = QString::fromUtf8(program.readAllStandardOutput());
    EXPECT_EQ(program.exitCode(), 0) << out.toStdString() << program.readAllStandardError().toStdString();
    EXPECT_EQ(out.count("✓"), 7) << out.toStdString();
    EXPECT_FALSE(out.contains("✗"));

    server.kill();
    server.waitForFinished();
}
