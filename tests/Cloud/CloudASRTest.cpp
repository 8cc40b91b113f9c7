#include "Cloud/CloudASR.h"

#include "Support/HttpClient.h"
#include "support/FakeOpenAI.h"
#include "support/MemoryDefaults.h"
#include "support/TaskProbe.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

const QString transcriptions = QStringLiteral("/v1/audio/transcriptions");
const QByteArray wav("RIFF\x24\x00\x00\x00WAVE\x00\x01\xff\r\n--", 19); // bytes a multipart body must survive

struct CloudASRTest : ::testing::Test {
    void SetUp() override {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly) && f.write(wav) == wav.size());
    }
    CloudASR client() {
        return CloudASR(network, defaults, server.url(), "gpt-4o-transcribe", "gpt-6-luna", "low", key);
    }
    QString transcribe(QStringList vocabulary = {}) {
        return TaskProbe<QString>(client().transcribe(file, vocabulary)).outcome();
    }

    QtScheduler networkTimers;
    HttpClient network{networkTimers};
    MemoryDefaults defaults;
    FakeOpenAI server;
    QTemporaryDir dir;
    const QString file = dir.filePath("speech.wav");
    std::optional<QString> key = QStringLiteral("sk-test");
};

} // namespace

TEST_F(CloudASRTest, UploadsTheMultipartBodyByteForByte) {
    server.respond(transcriptions, FakeOpenAI::transcription("  你好，世界\n"));
    EXPECT_EQ(transcribe({" 溪山楼 ", "溪山楼", "", "蓝鲸咖啡"}), "你好，世界");
    ASSERT_EQ(server.log.size(), 1);
    const auto& r = server.log.first();
    EXPECT_EQ(r.header("Authorization"), "Bearer sk-test");
    // Any host but the public API gets the device identifier, the one kept in the client's defaults.
    EXPECT_EQ(r.header("X-Yarrik-Device"), defaults.value("cloudDeviceID").toString().toUtf8());
    const QByteArray boundary = r.body.left(r.body.indexOf("\r\n")).mid(2); // "yarrik-" and a fresh UUID
    EXPECT_EQ(r.header("Content-Type"), "multipart/form-data; boundary=" + boundary);
    QByteArray expected =
        QStringLiteral(
            "--@\r\nContent-Disposition: form-data; name=\"model\"\r\n\r\ngpt-4o-transcribe\r\n"
            "--@\r\nContent-Disposition: form-data; name=\"language\"\r\n\r\nzh\r\n"
            "--@\r\nContent-Disposition: form-data; name=\"response_format\"\r\n\r\njson\r\n"
            "--@\r\nContent-Disposition: form-data; name=\"temperature\"\r\n\r\n0\r\n"
            "--@\r\nContent-Disposition: form-data; name=\"prompt\"\r\n\r\n常用词：溪山楼、蓝鲸咖啡。\r\n"
            "--@\r\nContent-Disposition: form-data; name=\"file\"; filename=\"speech.wav\"\r\n"
            "Content-Type: audio/wav\r\n\r\n<wav>\r\n--@--\r\n")
            .toUtf8();
    EXPECT_EQ(r.body, expected.replace("@", boundary).replace("<wav>", wav));
}

// The warm-up opens the connection, without credentials, that the take's upload then goes out on.
TEST_F(CloudASRTest, TheUploadGoesOutOnTheConnectionTheWarmUpOpened) {
    server.respond(transcriptions, FakeOpenAI::transcription("好的"));
    client().warmUp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.log.size() == 1 && network.running() == 0; }));
    EXPECT_EQ(transcribe(), "好的");
    ASSERT_EQ(server.log.size(), 2);
    EXPECT_EQ(server.log[0].path, "/v1/models");
    EXPECT_TRUE(server.log[0].header("Authorization").isNull());
    EXPECT_TRUE(server.log[0].header("X-Yarrik-Device").isNull());
    EXPECT_EQ(server.log[1].peerPort, server.log[0].peerPort);
}

// What each answer of the server becomes. Transcripts that are video credits, the hint read back, or hint
// words and nothing else are hallucinations; one hint word alone may be speech. The server's message is cut
// to 80 characters. A 400 or 404 (the model unknown there) is retried once with "whisper-1".
TEST_F(CloudASRTest, TurnsEachAnswerIntoTextOrItsMessage) {
    using F = FakeOpenAI;
    const auto say = F::transcription;
    const QString thumb = QString::fromUtf16(u"👍🏽"); // one character of four UTF-16 units
    // clang-format off
    const std::tuple<QList<F::Response>, QString, int> cases[] = {
        {{say("谢谢观看")}, "", 1}, {{say("常用词：溪山楼")}, "", 1}, {{say("溪山楼，蓝鲸咖啡！")}, "", 1},
        {{say("溪山楼")}, "溪山楼", 1},
        {{F::error(401, "Incorrect API key")}, "error: API Key 不对或已失效（401）", 1},
        {{F::error(429, thumb.repeated(100))}, "error: 云端返回错误（429）" + thumb.repeated(80), 1},
        {{{200, "<html>ok</html>"}}, "error: 未能读取数据，因为它的格式不正确。", 1},
        {{F::error(500, "first"), say("好的")}, "error: 云端返回错误（500）first", 1},
        {{F::error(404, "first"), say("好的")}, "好的", 2}};
    // clang-format on
    for (const auto& [script, expected, requests] : cases) {
        server.log.clear();
        server.script(transcriptions, script);
        EXPECT_EQ(transcribe({"溪山楼", "蓝鲸咖啡"}), expected) << script[0].body.left(30).toStdString();
        ASSERT_EQ(server.log.size(), requests);
        EXPECT_EQ(server.log.last().body.contains("\r\n\r\nwhisper-1\r\n"), requests == 2);
    }
    server.log.clear(); // without a key nothing is sent
    for (const auto& absent : {std::optional<QString>(), std::optional<QString>("")}) {
        key = absent;
        EXPECT_EQ(transcribe(), "error: 还没有填 API Key");
        EXPECT_EQ(TaskProbe<QString>(client().tidy("你好", {})).outcome(), "error: 还没有填 API Key");
    }
    EXPECT_TRUE(server.log.isEmpty());
}

TEST_F(CloudASRTest, TidySendsTheChatRequestAndKeepsTheTextOfACutOffAnswer) {
    const QString raw = "明天下午三点不对四点开会";
    auto tidy = [&](FakeOpenAI::Response answer) {
        server.respond("/v1/chat/completions", answer);
        return TaskProbe<QString>(client().tidy(raw, {"溪山楼", " 溪山楼"})).outcome();
    };
    EXPECT_EQ(tidy(FakeOpenAI::chat("明天下午四点开会。")), "明天下午四点开会。");
    // The hint words once each after the prompt; the text fenced off so it is never read as orders.
    const QJsonArray messages = QJsonDocument::fromJson(server.log[0].body).object()["messages"].toArray();
    EXPECT_TRUE(messages[0]["content"].toString().endsWith("\n\n常用词：溪山楼。"));
    EXPECT_EQ(messages[1]["content"], "<原文>\n" + raw + "\n</原文>");
    EXPECT_EQ(tidy(FakeOpenAI::chat("明天下午", "length")), raw); // stopped by the token limit: not a copy
}

TEST(CloudASRAccept, StripsOnlyAQuotePairEnclosingTheWholeAnswer) {
    // Answers longer than max(2 × 10, 10 + 20) characters are not tidied copies.
    const QString raw = "我觉得这个价格有点高", many(31, QChar(0x597D));
    // clang-format off
    const QStringList cases[] = {
        {"\n “我觉得。” \n", "我觉得。"}, {"\"我觉得。\"", "我觉得。"}, {"「他说「你好」」", "他说「你好」"},
{"“你好”，他说。“再见”", "“你好”，他说。“再见”"}, {"  第一行  \n\t第二行 ", "第一行\n第二行"},
        {many, raw}, {many.left(30), many.left(30)}};
    // clang-format on
    for (const auto& c : cases)
        EXPECT_EQ(CloudASR::accept(c[0], raw), c[1]) << c[0].toStdString();
}
