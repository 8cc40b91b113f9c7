#include "Audio/AudioClip.h"
#include "support/FakeOpenAI.h"
#include "support/ScopedEnv.h"

#include <QProcess>
#include <QTcpServer>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

// Runs the built program (in the test's throwaway home) in "-recognize" mode with its own Info.json, serving
// the loopback fake from this process while it runs. What it prints goes before the "|", its complaints
// after.
TEST(RecognizeMode, PrintsTheTextOrTheFailure) {
    FakeOpenAI server;
    QTemporaryDir dir;
    const ScopedEnv tmp("TMPDIR", dir.path().toUtf8());
    const QString audio = AudioClip(std::vector<std::int16_t>(24000, 800)).writeWAV();
    const QJsonObject relay{{"YarrikProxyURL", server.url("/").toString()},
                            {"YarrikProxyToken", "relay-token"}};
    // An https relay on a port where nothing listens: the connection fails before any TLS handshake.
    QTcpServer closed;
    ASSERT_TRUE(closed.listen(QHostAddress::LocalHost));
    const QJsonObject unreachable{
        {"YarrikProxyURL", QStringLiteral("https://127.0.0.1:%1").arg(closed.serverPort())},
        {"YarrikProxyToken", "relay-token"}};
    closed.close();
    const std::tuple<QJsonObject, FakeOpenAI::Response, QString> cases[] = {
        {relay, FakeOpenAI::transcription("這是一個測試"), "这是一个测试\n|"},
        {{}, {}, "|云端识别还没配置好\n"},
        {unreachable, {}, "|无法连接到服务器。\n"},
    };
    for (const auto& [info, answer, printed] : cases) {
        QFile infoFile(dir.filePath("Info.json"));
        ASSERT_TRUE(infoFile.open(QIODevice::WriteOnly | QIODevice::Truncate));
        infoFile.write(QJsonDocument(info).toJson());
        infoFile.close();
        server.respond("/v1/audio/transcriptions", answer);
        QProcess process;
        process.setEnvironment(QProcess::systemEnvironment() << "MIVORA_INFO_JSON=" + infoFile.fileName());
        process.start(MIVORA_APP_PATH, {"-recognize", audio});
        // The fake answers from this event loop, so wait without blocking it.
        ASSERT_TRUE(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 60000));
        EXPECT_EQ(process.exitCode(), printed.startsWith("|") ? 1 : 0);
        const QString out = process.readAllStandardOutput() + "|" + process.readAllStandardError();
        EXPECT_TRUE(out.startsWith(printed)) << out.toStdString();
        EXPECT_FALSE(out.contains("QObject::")) << out.toStdString(); // no warning from Qt on the way out
    }
}

// Another mode named first takes the start: "-mictest -recognize f.wav" tests the microphone (with none in a
// test's session it says so), and no recognition of the file runs beside it.
TEST(RecognizeMode, AnEarlierModeComesFirstAndNoRecognitionRuns) {
    FakeOpenAI server;
    QTemporaryDir dir;
    const ScopedEnv tmp("TMPDIR", dir.path().toUtf8());
    const QString audio = AudioClip(std::vector<std::int16_t>(24000, 800)).writeWAV();
    QFile infoFile(dir.filePath("Info.json"));
    ASSERT_TRUE(infoFile.open(QIODevice::WriteOnly));
    infoFile.write(QJsonDocument(QJsonObject{{"YarrikProxyURL", server.url("/").toString()},
                                             {"YarrikProxyToken", "relay-token"}})
                       .toJson());
    infoFile.close();
    server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription("不该识别"));
    QProcess process;
    process.setEnvironment(QProcess::systemEnvironment()
                           << "MIVORA_INFO_JSON=" + infoFile.fileName() << "QT_QPA_PLATFORM=offscreen"
                           << "PULSE_SERVER=unix:" + dir.filePath("no-sound-server"));
    process.start(MIVORA_APP_PATH, {"-mictest", "-recognize", audio});
    ASSERT_TRUE(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 60000));
    const QString out = process.readAllStandardOutput() + "|" + process.readAllStandardError();
    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit) << out.toStdString();
    EXPECT_TRUE(out.startsWith("麦克风测试")) << out.toStdString();
    EXPECT_FALSE(out.contains("不该识别")) << out.toStdString();
    EXPECT_EQ(server.count("/v1/audio/transcriptions"), 0);
}
