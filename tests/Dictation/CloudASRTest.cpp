#include "Dictation/CloudASR.h"

#include "Support/BundleInfo.h"
#include "Support/JsonParseError.h"
#include "Support/NetworkError.h"
#include "support/FakeOpenAI.h"
#include "support/MemoryDefaults.h"
#include "support/TaskProbe.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QNetworkProxy>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

using namespace mivora;
using namespace mivora::test;
using Kind = CloudASR::Failure::Kind;

namespace {

const QString transcriptions = QStringLiteral("/v1/audio/transcriptions");
const QString completions = QStringLiteral("/v1/chat/completions");

class CloudASRTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(server.port(), 0);
        QFile f(dir.filePath("speech.wav"));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(wav);
        f.close();
        file = f.fileName();
    }

    CloudASR client(std::optional<QString> key = QStringLiteral("sk-test")) const {
        return CloudASR(CloudASR::sharedSession(), server.url("/v1"), "gpt-4o-transcribe", "gpt-6-luna",
                        "low", key);
    }

    QString transcribe(const CloudASR& asr, QStringList vocabulary = {}) {
        TaskProbe<QString> probe(asr.transcribe(file, vocabulary));
        EXPECT_TRUE(probe.wait());
        return probe.get();
    }

    // The message of the CloudASR::Failure that the transcription ends with.
    QString transcribeFailure(const CloudASR& asr) {
        TaskProbe<QString> probe(asr.transcribe(file, {}));
        EXPECT_TRUE(probe.wait());
        const auto failure = probe.errorAs<CloudASR::Failure>();
        return failure ? failure->message() : QStringLiteral("<no failure>");
    }

    QString tidy(const QString& text, QStringList vocabulary = {}) {
        TaskProbe<QString> probe(client().tidy(text, vocabulary));
        EXPECT_TRUE(probe.wait());
        return probe.get();
    }

    // The text value of one form field of a recorded multipart body, or a null string.
    static QString field(const FakeOpenAI::Request& r, const QByteArray& name) {
        const QByteArray marker = "Content-Disposition: form-data; name=\"" + name + "\"\r\n\r\n";
        const qsizetype at = r.body.indexOf(marker);
        if (at < 0) return {};
        const qsizetype start = at + marker.size();
        return QString::fromUtf8(r.body.mid(start, r.body.indexOf("\r\n", start) - start));
    }

    static QJsonObject jsonBody(const FakeOpenAI::Request& r) {
        return QJsonDocument::fromJson(r.body).object();
    }

    FakeOpenAI server;
    QTemporaryDir dir;
    QByteArray wav = QByteArray("RIFF\x24\x00\x00\x00WAVE", 12) + QByteArray("\x00\x01\xff\r\n--", 7);
    QString file;
};

} // namespace

TEST_F(CloudASRTest, UploadsTheMultipartBodyByteForByte) {
    server.respond(transcriptions, FakeOpenAI::transcription("  你好，世界\n"));
    EXPECT_EQ(transcribe(client(), {" 溪山楼 ", "溪山楼", "", "蓝鲸咖啡"}), "你好，世界");

    ASSERT_EQ(server.requests().size(), 1);
    const auto& r = server.requests().first();
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.path, transcriptions);
    EXPECT_EQ(r.header("Authorization"), "Bearer sk-test");
    const QByteArray contentType = r.header("Content-Type");
    const auto match =
        QRegularExpression(
            "^multipart/form-data; boundary=(yarrik-[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12})$")
            .match(QString::fromLatin1(contentType));
    ASSERT_TRUE(match.hasMatch()) << contentType.toStdString();
    const QByteArray b = match.captured(1).toLatin1();
    const QByteArray expected =
        "--" + b + "\r\nContent-Disposition: form-data; name=\"model\"\r\n\r\ngpt-4o-transcribe\r\n" + "--" +
        b + "\r\nContent-Disposition: form-data; name=\"language\"\r\n\r\nzh\r\n" + "--" + b +
        "\r\nContent-Disposition: form-data; name=\"response_format\"\r\n\r\njson\r\n" + "--" + b +
        "\r\nContent-Disposition: form-data; name=\"temperature\"\r\n\r\n0\r\n" + "--" + b +
        "\r\nContent-Disposition: form-data; name=\"prompt\"\r\n\r\n" +
        QStringLiteral("常用词：溪山楼、蓝鲸咖啡。").toUtf8() + "\r\n" + "--" + b +
        "\r\nContent-Disposition: form-data; name=\"file\"; filename=\"speech.wav\"\r\n"
        "Content-Type: audio/wav\r\n\r\n" +
        wav + "\r\n--" + b + "--\r\n";
    EXPECT_EQ(r.body, expected);
    // A relay (any host but the public API) learns which installation is calling.
    EXPECT_EQ(r.header("X-Yarrik-Device"), CloudASR::deviceID().toUtf8());
}

TEST_F(CloudASRTest, HintListsAtMostSixtyWordsAndIsLeftOutWhenEmpty) {
    server.respond(transcriptions, FakeOpenAI::transcription("好"));
    transcribe(client(), {});
    transcribe(client(), {"  ", "\t"});
    QStringList many;
    for (int i = 0; i < 70; ++i)
        many << QStringLiteral("词%1").arg(i);
    transcribe(client(), many);

    const auto sent = server.requests(transcriptions);
    ASSERT_EQ(sent.size(), 3);
    EXPECT_FALSE(sent[0].body.contains("name=\"prompt\""));
    EXPECT_FALSE(sent[1].body.contains("name=\"prompt\""));
    const QString hint = field(sent[2], "prompt");
    EXPECT_TRUE(hint.startsWith("常用词：词0、词1、"));
    EXPECT_TRUE(hint.endsWith("、词59。")) << hint.toStdString();
}

TEST_F(CloudASRTest, FallsBackToWhisperOnceOnlyFor400And404) {
    server.script(transcriptions,
                  {FakeOpenAI::error(404, "model not found"), FakeOpenAI::transcription("好的")});
    EXPECT_EQ(transcribe(client()), "好的");
    auto sent = server.requests(transcriptions);
    ASSERT_EQ(sent.size(), 2);
    EXPECT_EQ(field(sent[0], "model"), "gpt-4o-transcribe");
    EXPECT_EQ(field(sent[1], "model"), "whisper-1");

    server.clearRequests();
    server.script(transcriptions, {FakeOpenAI::error(400, "bad model")});
    EXPECT_EQ(transcribeFailure(client()), "云端返回错误（400）bad model"); // the fallback's own error
    EXPECT_EQ(server.count(transcriptions), 2);

    server.clearRequests();
    server.script(transcriptions, {FakeOpenAI::error(500, "boom")});
    EXPECT_EQ(transcribeFailure(client()), "云端返回错误（500）boom");
    EXPECT_EQ(server.count(transcriptions), 1);
}

TEST_F(CloudASRTest, ReportsEachFailureWithItsMessage) {
    server.respond(transcriptions, FakeOpenAI::error(401, "Incorrect API key provided"));
    EXPECT_EQ(transcribeFailure(client()), "API Key 不对或已失效（401）");

    // At most 80 user-perceived characters of the server's message.
    QString longMessage;
    for (int i = 0; i < 100; ++i)
        longMessage += QString::fromUtf16(u"👍🏽");
    server.respond(transcriptions, FakeOpenAI::error(429, longMessage));
    QString cut;
    for (int i = 0; i < 80; ++i)
        cut += QString::fromUtf16(u"👍🏽");
    EXPECT_EQ(transcribeFailure(client()), "云端返回错误（429）" + cut);

    FakeOpenAI::Response html;
    html.status = 502;
    html.contentType = "text/html";
    html.body = "<html><body>Bad gateway</body></html>";
    server.respond(transcriptions, html);
    EXPECT_EQ(transcribeFailure(client()), "云端返回错误（502）");
    server.respond(transcriptions, FakeOpenAI::json(QJsonObject{{"error", "plain string"}}, 503));
    EXPECT_EQ(transcribeFailure(client()), "云端返回错误（503）");

    server.respond(transcriptions, FakeOpenAI::json(QJsonObject{{"text", 5}}));
    EXPECT_EQ(transcribeFailure(client()), "云端返回的内容看不懂");
    FakeOpenAI::Response array;
    array.body = "[{\"text\":\"好\"}]";
    server.respond(transcriptions, array);
    EXPECT_EQ(transcribeFailure(client()), "云端返回的内容看不懂");

    // A success body that is not JSON at all is the parser's error, not a Failure.
    FakeOpenAI::Response notJson;
    notJson.body = "<html>ok</html>";
    server.respond(transcriptions, notJson);
    TaskProbe<QString> parse(client().transcribe(file, {}));
    ASSERT_TRUE(parse.wait());
    EXPECT_TRUE(parse.errorAs<JsonParseError>());

    // No key: nothing is sent at all.
    server.clearRequests();
    EXPECT_EQ(transcribeFailure(client(std::nullopt)), "还没有填 API Key");
    EXPECT_EQ(transcribeFailure(client(QString())), "还没有填 API Key");
    TaskProbe<QString> noKeyTidy(client(QString()).tidy("你好", {}));
    ASSERT_TRUE(noKeyTidy.wait());
    EXPECT_EQ(noKeyTidy.errorAs<CloudASR::Failure>()->kind(), Kind::noKey);
    EXPECT_TRUE(server.requests().isEmpty());

    EXPECT_EQ(CloudASR::Failure(Kind::timeout).message(), "云端太慢，已超时");
}

TEST_F(CloudASRTest, TransportFailuresPropagateAsNetworkErrors) {
    const quint16 closedPort = [] {
        FakeOpenAI gone;
        return gone.port();
    }();
    CloudASR asr = client();
    asr.apiBase = QUrl(QStringLiteral("http://127.0.0.1:%1/v1").arg(closedPort));
    TaskProbe<QString> probe(asr.transcribe(file, {}));
    ASSERT_TRUE(probe.wait());
    const auto error = probe.errorAs<NetworkError>();
    ASSERT_TRUE(error);
    EXPECT_EQ(error->code(), QNetworkReply::ConnectionRefusedError);
    EXPECT_FALSE(error->message().isEmpty());

    // Aborted through the handle a deadline holds: a cancellation, not a time-out.
    FakeOpenAI::Response hang;
    hang.hang = true;
    server.respond(transcriptions, hang);
    auto abort = std::make_shared<RequestAbort>();
    TaskProbe<QString> aborted(client().transcribe(file, {}, abort));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.count(transcriptions) == 1; }));
    abort->abort();
    ASSERT_TRUE(aborted.wait());
    EXPECT_EQ(aborted.errorAs<NetworkError>()->code(), QNetworkReply::OperationCanceledError);
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.abandoned() == 1; }));
}

TEST_F(CloudASRTest, DiscardsHallucinatedTranscripts) {
    const QStringList vocabulary = {"溪山楼", "蓝鲸咖啡"};
    const std::pair<const char*, const char*> cases[] = {
        {"谢谢观看", ""},
        {"请不吝点赞订阅转发", ""},
        {"常用词：溪山楼", ""},
        {"溪山楼 蓝鲸咖啡", ""},
        {"溪山楼，蓝鲸咖啡！", ""},
        {"溪山楼", "溪山楼"},                         // one hint word alone may be what was said
        {"去溪山楼喝蓝鲸咖啡", "去溪山楼喝蓝鲸咖啡"}, // hint words inside real speech
    };
    for (const auto& [answer, expected] : cases) {
        server.respond(transcriptions, FakeOpenAI::transcription(QString::fromUtf8(answer)));
        EXPECT_EQ(transcribe(client(), vocabulary), QString::fromUtf8(expected)) << answer;
    }
}

TEST_F(CloudASRTest, TidySendsTheChatRequest) {
    server.respond(completions, FakeOpenAI::chat("明天下午四点开会。"));
    EXPECT_EQ(tidy("明天下午三点不对四点开会", {"溪山楼", " 溪山楼"}), "明天下午四点开会。");
    ASSERT_EQ(server.count(completions), 1);
    const auto r = server.requests(completions).first();
    EXPECT_EQ(r.method, "POST");
    EXPECT_EQ(r.header("Authorization"), "Bearer sk-test");
    EXPECT_EQ(r.header("Content-Type"), "application/json");
    EXPECT_TRUE(r.hasHeader("X-Yarrik-Device"));
    const QJsonObject body = jsonBody(r);
    EXPECT_EQ(body.value("model").toString(), "gpt-6-luna");
    EXPECT_EQ(body.value("reasoning_effort").toString(), "low");
    EXPECT_EQ(body.value("max_completion_tokens").toInt(), 700);
    const QJsonArray messages = body.value("messages").toArray();
    ASSERT_EQ(messages.size(), 2);
    EXPECT_EQ(messages[0].toObject().value("role").toString(), "system");
    EXPECT_EQ(messages[0].toObject().value("content").toString(),
              CloudASR::tidyPrompt() + "\n\n常用词：溪山楼。");
    EXPECT_EQ(messages[1].toObject().value("role").toString(), "user");
    EXPECT_EQ(messages[1].toObject().value("content").toString(),
              "<原文>\n明天下午三点不对四点开会\n</原文>");
    // Without hints the system message is the prompt alone.
    tidy("好的");
    EXPECT_EQ(jsonBody(server.requests(completions).last())
                  .value("messages")
                  .toArray()[0]
                  .toObject()
                  .value("content"),
              CloudASR::tidyPrompt());
}

TEST_F(CloudASRTest, TidyFallsBackToTheRawTextForUnusableAnswers) {
    const QString raw = "我觉得这个价格有点高";
    auto answer = [&](const FakeOpenAI::Response& r) {
        server.respond(completions, r);
        return tidy(raw);
    };
    EXPECT_EQ(answer(FakeOpenAI::chat("「我觉得这个价格有点高。」")), "我觉得这个价格有点高。");
    EXPECT_EQ(answer(FakeOpenAI::chat("\n “我觉得这个价格有点高。” \n")), "我觉得这个价格有点高。");
    EXPECT_EQ(answer(FakeOpenAI::chat("\"我觉得这个价格有点高。\"")), "我觉得这个价格有点高。");
    EXPECT_EQ(answer(FakeOpenAI::chat("  第一行  \n\t第二行 ")), "第一行\n第二行");
    EXPECT_EQ(answer(FakeOpenAI::chat("  ")), raw);
    EXPECT_EQ(answer(FakeOpenAI::chat(QString(31, QChar(0x597D)))), raw); // over max(2 × 10, 10 + 20)
    EXPECT_EQ(answer(FakeOpenAI::chat(QString(30, QChar(0x597D)))), QString(30, QChar(0x597D)));
    // An answer cut off by the token limit is not a tidied copy.
    EXPECT_EQ(answer(FakeOpenAI::chat("我觉得这个", "length")), raw);

    server.respond(completions, FakeOpenAI::json(QJsonObject{{"choices", QJsonArray{}}}));
    TaskProbe<QString> empty(client().tidy(raw, {}));
    ASSERT_TRUE(empty.wait());
    EXPECT_EQ(empty.errorAs<CloudASR::Failure>()->kind(), Kind::badResponse);
}

TEST(CloudASRAccept, KeepsQuotationsThatBelongToTheText) {
    const QString original = "他说你好然后我说再见了朋友们";
    // Only a pair enclosing the whole answer is a wrapper.
    EXPECT_EQ(CloudASR::accept("“你好”，他说。“再见”", original), "“你好”，他说。“再见”");
    EXPECT_EQ(CloudASR::accept("“你好”，他说。", original), "“你好”，他说。");
    EXPECT_EQ(CloudASR::accept("「书名」是我写的", original), "「书名」是我写的");
    EXPECT_EQ(CloudASR::accept("\"A\" and \"B\"", original), "\"A\" and \"B\"");
    EXPECT_EQ(CloudASR::accept("「他说「你好」」", original), "他说「你好」");
    EXPECT_EQ(CloudASR::accept("“”", original), original); // nothing left
}

TEST_F(CloudASRTest, WarmUpIsAnAnonymousHeadOfModels) {
    client().warmUp();
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.count("/v1/models") == 1; }));
    const auto r = server.requests("/v1/models").first();
    EXPECT_EQ(r.method, "HEAD");
    EXPECT_FALSE(r.hasHeader("Authorization"));
    EXPECT_FALSE(r.hasHeader("X-Yarrik-Device"));
}

TEST_F(CloudASRTest, ThePublicApiNeverSeesTheDeviceHeader) {
    // The fake stands in as a plain HTTP proxy, so requests for the public host reach it.
    QNetworkAccessManager session;
    session.setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, "127.0.0.1", server.port()));
    server.respond(transcriptions, FakeOpenAI::transcription("好"));
    CloudASR asr(&session, QUrl("http://api.openai.com/v1"), "gpt-4o-transcribe", "gpt-6-luna", "low",
                 "sk-dev");
    EXPECT_EQ(transcribe(asr), "好");
    ASSERT_EQ(server.count(transcriptions), 1);
    EXPECT_FALSE(server.requests().first().hasHeader("X-Yarrik-Device"));
    EXPECT_EQ(server.requests().first().header("Authorization"), "Bearer sk-dev");
}

TEST(CloudASRConfig, ReadsTheRelayFromBundleInfo) {
    auto relay = [](const QJsonObject& info) {
        BundleInfo::setOverride(info);
        auto p = CloudASR::proxy();
        BundleInfo::reset();
        return p;
    };
    auto p = relay({{"YarrikProxyURL", "https://relay.example"}, {"YarrikProxyToken", "tok"}});
    ASSERT_TRUE(p);
    EXPECT_EQ(p->base, QUrl("https://relay.example/v1"));
    EXPECT_EQ(p->token, "tok");
    EXPECT_EQ(relay({{"YarrikProxyURL", "https://relay.example/api"}, {"YarrikProxyToken", "t"}})->base,
              QUrl("https://relay.example/api/v1"));
    EXPECT_EQ(relay({{"YarrikProxyURL", "https://relay.example/api/"}, {"YarrikProxyToken", "t"}})->base,
              QUrl("https://relay.example/api/v1"));
    EXPECT_FALSE(relay({{"YarrikProxyURL", "http://relay.example"}, {"YarrikProxyToken", "t"}}));
    EXPECT_FALSE(relay({{"YarrikProxyURL", "HTTPS://relay.example"}, {"YarrikProxyToken", "t"}}));
    EXPECT_FALSE(relay({{"YarrikProxyURL", "https://relay.example"}, {"YarrikProxyToken", ""}}));
    EXPECT_FALSE(relay({{"YarrikProxyURL", "https://relay.example"}}));
    EXPECT_FALSE(relay({{"YarrikProxyToken", "t"}}));
    EXPECT_FALSE(relay({{"YarrikProxyURL", 5}, {"YarrikProxyToken", "t"}}));
    // A relay on this machine may speak plain http: the token never leaves it.
    EXPECT_EQ(relay({{"YarrikProxyURL", "http://127.0.0.1:8080/"}, {"YarrikProxyToken", "t"}})->base,
              QUrl("http://127.0.0.1:8080/v1"));
    EXPECT_TRUE(relay({{"YarrikProxyURL", "http://localhost:8080"}, {"YarrikProxyToken", "t"}}));
    EXPECT_FALSE(relay({{"YarrikProxyURL", "http://10.0.0.1:8080"}, {"YarrikProxyToken", "t"}}));
}

namespace {
// Defaults that take their time, so racing first uses really overlap.
class SlowDefaults final : public Defaults {
public:
    QVariant value(const QString& key) const override {
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
        std::lock_guard lock(mutex_);
        return inner_.value(key);
    }
    void setValue(const QString& key, const QVariant& value) override {
        std::lock_guard lock(mutex_);
        ++writes;
        inner_.setValue(key, value);
    }
    void remove(const QString& key) override { inner_.remove(key); }
    std::atomic<int> writes = 0;

private:
    mutable std::mutex mutex_;
    MemoryDefaults inner_;
};
} // namespace

TEST(CloudASRConfig, MakesTheDeviceIdentifierOnceEvenWhenFirstUsesRace) {
    SlowDefaults defaults;
    std::vector<QString> ids(8);
    std::vector<std::thread> threads;
    for (std::size_t i = 0; i < ids.size(); ++i)
        threads.emplace_back([&, i] { ids[i] = CloudASR::deviceID(defaults); });
    for (auto& t : threads)
        t.join();
    EXPECT_EQ(defaults.writes, 1);
    EXPECT_TRUE(QRegularExpression("^[0-9A-F]{8}(-[0-9A-F]{4}){3}-[0-9A-F]{12}$").match(ids[0]).hasMatch());
    for (const QString& id : ids)
        EXPECT_EQ(id, ids[0]);
    EXPECT_EQ(defaults.value("cloudDeviceID").toString(), ids[0]);
    EXPECT_EQ(CloudASR::deviceID(defaults), ids[0]);
}
