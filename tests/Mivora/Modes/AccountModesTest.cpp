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

namespace {

// The built program (in the test's throwaway home) in one of its account modes against the standalone
// account server with the review account, whose code is saved as a person saves it. The fake upstream
// answers from this event loop, so the program is awaited without blocking it.
struct AccountModes : ::testing::Test {
    FakeOpenAI upstream;
    QProcess server;
    QTemporaryDir dir;

    std::pair<int, QString> run(const QStringList& arguments) {
        server.start(MIVORA_ACCOUNT_SERVER_PATH,
                     {"--upstream", upstream.url("/").toString(), "--review", "review@veskel.app", "246810"});
        EXPECT_TRUE(QTest::qWaitFor([&] { return server.canReadLine(); }, 10000));
        const QString root = QString::fromUtf8(server.readLine()).trimmed();
        QFile info(dir.filePath("Info.json"));
        EXPECT_TRUE(info.open(QIODevice::WriteOnly));
        info.write(QJsonDocument(QJsonObject{{"YarrikProxyURL", root}, {"YarrikProxyToken", "relay-token"}})
                       .toJson());
        info.close();
        QDir().mkpath(Paths::developerDir());
        QFile code(Paths::developerDir() + "/review_code");
        EXPECT_TRUE(code.open(QIODevice::WriteOnly | QIODevice::Truncate) && code.write(" 246810\n"));
        code.close();

        QProcess mivora;
        mivora.setEnvironment(QProcess::systemEnvironment() << "MIVORA_INFO_JSON=" + info.fileName());
        mivora.start(MIVORA_APP_PATH, arguments);
        EXPECT_TRUE(QTest::qWaitFor([&] { return mivora.state() == QProcess::NotRunning; }, 60000));
        const QString printed = QString::fromUtf8(mivora.readAllStandardOutput());
        return {mivora.exitCode(), printed + QString::fromUtf8(mivora.readAllStandardError())};
    }
    ~AccountModes() override {
        server.kill();
        server.waitForFinished();
    }
};

} // namespace

// It passes only when the relay request carries an access token the server issued to the account.
TEST_F(AccountModes, AccountTestSignsInRecognisesWithTheAccountTokenAndSignsOut) {
    upstream.respond("/v1/audio/transcriptions", FakeOpenAI::transcription("測試一下"));
    const QString audio = AudioClip(std::vector<std::int16_t>(24000, 800)).writeWAV();
    const auto [exit, printed] = run({"-accounttest", audio});
    QFile::remove(audio);
    EXPECT_EQ(exit, 0) << printed.toStdString();
    EXPECT_TRUE(printed.contains("✓ 识别：测试一下")) << printed.toStdString();
    ASSERT_EQ(upstream.count("/v1/audio/transcriptions"), 1);
    EXPECT_TRUE(upstream.log[0].header("Authorization").startsWith("Bearer at-"));
}

// Two imitated devices create, join and converge on one vault of the review account.
TEST_F(AccountModes, SyncTestsTwoDevicesConvergeOnTheStandaloneServer) {
    const auto [exit, printed] = run({"-synctest"});
    EXPECT_EQ(exit, 0) << printed.toStdString();
    EXPECT_EQ(printed.count("✓"), 7) << printed.toStdString();
    EXPECT_FALSE(printed.contains("✗"));
}
