#include "Dictation/AudioClip.h"
#include "support/FakeOpenAI.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

using namespace mivora;
using namespace mivora::test;

namespace {

// Runs the built program in "-recognize" mode with its own home and Info.json, serving the loopback
// fake from this process while it runs.
class RecognizeModeTest : public ::testing::Test {
protected:
    struct Result {
        int exitCode = -1;
        QString out;
        QString err;
    };

    void SetUp() override {
        ASSERT_TRUE(dir.isValid());
        QDir().mkpath(dir.filePath("home"));
        std::vector<std::int16_t> samples(24000);
        for (std::size_t i = 0; i < samples.size(); ++i)
            samples[i] = std::int16_t(std::lround(8000 * std::sin(double(i) * 0.06)));
        QFile f(dir.filePath("take.wav"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(AudioClip(samples).wav());
        audio = f.fileName();
    }

    void writeInfo(const QJsonObject& info) {
        QFile f(dir.filePath("Info.json"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(QJsonDocument(info).toJson());
    }

    void useRelay() {
        writeInfo({{"YarrikProxyURL", QStringLiteral("http://127.0.0.1:%1/").arg(server.port())},
                   {"YarrikProxyToken", "relay-token"}});
    }

    Result run(const QString& file) {
        QProcess process;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("HOME", dir.filePath("home"));
        env.insert("XDG_CONFIG_HOME", dir.filePath("home/.config"));
        env.insert("XDG_STATE_HOME", dir.filePath("home/.local/state"));
        env.insert("MIVORA_INFO_JSON", dir.filePath("Info.json"));
        env.insert("QT_QPA_PLATFORM", "offscreen");
        process.setProcessEnvironment(env);
        process.start(MIVORA_APP_PATH, {"-recognize", file});
        EXPECT_TRUE(process.waitForStarted(10000));
        // The fake answers from this event loop, so wait without blocking it.
        EXPECT_TRUE(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 60000));
        Result r;
        r.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
        r.out = QString::fromUtf8(process.readAllStandardOutput());
        r.err = QString::fromUtf8(process.readAllStandardError());
        return r;
    }

    QTemporaryDir dir;
    FakeOpenAI server;
    QString audio;
};

} // namespace

TEST_F(RecognizeModeTest, PrintsTheTextFromTheRelay) {
    useRelay();
    server.respond("/v1/audio/transcriptions", FakeOpenAI::transcription("這是一個測試"));
    const Result r = run(audio);
    EXPECT_EQ(r.exitCode, 0) << r.err.toStdString();
    EXPECT_EQ(r.out, "这是一个测试\n");
    ASSERT_EQ(server.count("/v1/audio/transcriptions"), 1);
    const auto request = server.requests("/v1/audio/transcriptions").first();
    EXPECT_EQ(request.header("Authorization"), "Bearer relay-token");
    EXPECT_TRUE(request.hasHeader("X-Yarrik-Device"));
    EXPECT_TRUE(request.body.contains("filename=\"speech.wav\"\r\nContent-Type: audio/wav\r\n\r\nRIFF"));
}

TEST_F(RecognizeModeTest, ReportsFailuresOnStandardError) {
    writeInfo({});
    Result r = run(audio);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "云端识别还没配置好\n");
    EXPECT_TRUE(r.out.isEmpty());

    useRelay();
    server.respond("/v1/audio/transcriptions", FakeOpenAI::error(401, "invalid token"));
    r = run(audio);
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_EQ(r.err, "API Key 不对或已失效（401）\n");
    EXPECT_TRUE(r.out.isEmpty());

    server.clearRequests();
    r = run(dir.filePath("missing.wav"));
    EXPECT_EQ(r.exitCode, 1);
    EXPECT_TRUE(r.err.startsWith("读不了音频文件 ")) << r.err.toStdString();
    EXPECT_TRUE(server.requests().isEmpty());
}
