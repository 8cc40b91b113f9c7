#include "AccountTestMode.h"
#include "Audio/AudioClip.h"
#include "Support/BundleInfo.h"
#include "Support/Paths.h"
#include "support/FakeOpenAI.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTest>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

// The mode against the standalone account server, whose relay route forwards to the fake transcription
// API: it passes only when the relay request carries an access token the server issued to the account.
TEST(AccountTestMode, SignsInRecognisesWithTheAccountTokenAndSignsOut) {
    FakeOpenAI upstream;
    upstream.respond("/v1/audio/transcriptions", FakeOpenAI::transcription("測試一下"));
    QProcess server;
    server.start(MIVORA_ACCOUNT_SERVER_PATH,
                 {"--upstream", upstream.url("/").toString(), "--review", "review@veskel.app", "246810"});
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.canReadLine(); }, 10000));
    const QString root = QString::fromUtf8(server.readLine()).trimmed();
    BundleInfo::setOverride({{"YarrikProxyURL", root}, {"YarrikProxyToken", "relay-token"}});
    const QString audio = AudioClip(std::vector<std::int16_t>(24000, 800)).writeWAV();
    QDir().mkpath(Paths::developerDir());
    QFile code(Paths::developerDir() + "/review_code");

    ASSERT_TRUE(code.open(QIODevice::WriteOnly | QIODevice::Truncate) && code.write("135790\n"));
    code.close();
    EXPECT_EQ(runAccountTestMode(audio), 1);
    EXPECT_EQ(upstream.log.size(), 0);

    ASSERT_TRUE(code.open(QIODevice::WriteOnly | QIODevice::Truncate) && code.write(" 246810\n"));
    code.close();
    EXPECT_EQ(runAccountTestMode(audio), 0);
    ASSERT_EQ(upstream.count("/v1/audio/transcriptions"), 1);
    EXPECT_TRUE(upstream.log[0].header("Authorization").startsWith("Bearer at-"));

    BundleInfo::reset();
    QFile::remove(audio);
    server.kill();
    server.waitForFinished();
}
