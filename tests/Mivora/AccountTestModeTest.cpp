#include "Audio/AudioClip.h"
#include "Support/Paths.h"
#include "support/FakeOpenAI.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

// The built program in "-accounttest" mode (in the test's throwaway home) against the standalone account
// server, whose relay route forwards to the fake transcription API: it passes only when the relay request
// carries an access token the server issued to the account.
TEST(AccountTestMode, SignsInRecognisesWithTheAccountTokenAndSignsOut) {
    FakeOpenAI upstream;
    upstream.respond("/v1/audio/transcriptions", FakeOpenAI::transcription("測試一下"));
    QProcess server;
    server.start(MIVORA_ACCOUNT_SERVER_PATH,
                 {"--upstream", upstream.url("/").toString(), "--review", "review@veskel.app", "246810"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.canReadLine(); }, 10000));
    const QString root = QString::fromUtf8(server.readLine()).trimmed();
    QTemporaryDir dir;
    QFile info(dir.filePath("Info.json"));
    ASSERT_TRUE(info.open(QIODevice::WriteOnly));
    info.write(
        QJsonDocument(QJsonObject{{"YarrikProxyURL", root}, {"YarrikProxyToken", "relay-token"}}).toJson());
    info.close();
    const QString audio = AudioClip(std::vector<std::int16_t>(24000, 800)).writeWAV();
    QDir().mkpath(Paths::developerDir());
    QFile code(Paths::developerDir() + "/review_code"); // the review account's code, as a person saves it
    ASSERT_TRUE(code.open(QIODevice::WriteOnly | QIODevice::Truncate));
    code.write(" 246810\n");
    code.close();

    QProcess mivora;
    mivora.setEnvironment(QProcess::systemEnvironment() << "MIVORA_INFO_JSON=" + info.fileName());
    mivora.start(MIVORA_APP_PATH, {"-accounttest", audio});
    // The fake answers from this event loop, so wait without blocking it.
    EXPECT_TRUE(QTest::qWaitFor([&] { return mivora.state() == QProcess::NotRunning; }, 60000));
    const QString printed = QString::fromUtf8(mivora.readAllStandardOutput());
    EXPECT_EQ(mivora.exitCode(), 0) << printed.toStdString();
    EXPECT_TRUE(printed.contains("✓ 识别：测试一下")) << printed.toStdString();
    ASSERT_EQ(upstream.count("/v1/audio/transcriptions"), 1);
    EXPECT_TRUE(upstream.log[0].header("Authorization").startsWith("Bearer at-"));

    QFile::remove(audio);
    server.kill();
    server.waitForFinished();
}
