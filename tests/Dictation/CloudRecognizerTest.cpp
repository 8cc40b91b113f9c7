#include "Dictation/CloudRecognizer.h"

#include "Support/BundleInfo.h"
#include "support/FakeOpenAI.h"
#include "support/FakeScheduler.h"
#include "support/TaskProbe.h"
#include "support/TestMain.h"

#include <QDir>
#include <QFile>
#include <QNetworkProxy>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

const QString transcriptions = QStringLiteral("/v1/audio/transcriptions");
const QString completions = QStringLiteral("/v1/chat/completions");

AudioClip clipOf(double seconds) {
    std::vector<std::int16_t> samples(std::size_t(seconds * 16000));
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = std::int16_t((i * 37) % 2000 - 1000);
    return AudioClip(std::move(samples));
}

class CloudRecognizerTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_NE(server.port(), 0);
        oldTmp = qgetenv("TMPDIR");
        qputenv("TMPDIR", tmp.path().toUtf8()); // where the take's WAV file goes
    }
    void TearDown() override { qputenv("TMPDIR", oldTmp); }

    CloudRecognizer recognizer(CloudRecognizer::AccountToken token = {}, QString key = "relay-token") {
        return CloudRecognizer(CloudASR(CloudASR::sharedSession(), server.url("/v1"), "gpt-4o-transcribe",
                                        "gpt-6-luna", "low", key),
                               std::move(token), scheduler, clock);
    }

    QString recognize(double seconds, QStringList vocabulary = {}) {
        auto r = recognizer();
        TaskProbe<QString> probe(r.recognize(clipOf(seconds), vocabulary));
        EXPECT_TRUE(probe.wait());
        return probe.get();
    }
    QString transcribe(double seconds, QStringList vocabulary = {}) {
        auto r = recognizer();
        TaskProbe<QString> probe(r.transcribe(clipOf(seconds), vocabulary));
        EXPECT_TRUE(probe.wait());
        return probe.get();
    }

    void answers(QStringList texts) {
        QList<FakeOpenAI::Response> responses;
        for (const QString& t : texts)
            responses << FakeOpenAI::transcription(t);
        server.script(transcriptions, responses);
    }

    bool tmpIsEmpty() const { return QDir(tmp.path()).isEmpty(QDir::Files | QDir::Hidden | QDir::System); }

    static FakeOpenAI::Response hang() {
        FakeOpenAI::Response r;
        r.hang = true;
        return r;
    }

    FakeOpenAI server;
    FakeClock clock;
    FakeScheduler scheduler{clock};
    QTemporaryDir tmp;
    QByteArray oldTmp;
};

} // namespace

TEST(CloudRecognizerRules, DeadlineGrowsWithTheTake) {
    EXPECT_EQ(CloudRecognizer::deadline(0), 6);
    EXPECT_EQ(CloudRecognizer::deadline(5), 6);
    EXPECT_EQ(CloudRecognizer::deadline(10), 6);
    EXPECT_DOUBLE_EQ(CloudRecognizer::deadline(40), 10.5);
    EXPECT_DOUBLE_EQ(CloudRecognizer::deadline(120), 22.5);
    EXPECT_EQ(CloudRecognizer::deadline(200), 30);
}

TEST(CloudRecognizerRules, NeedsTidyForLongOrMessyText) {
    EXPECT_FALSE(CloudRecognizer::needsTidy("今天天气很好我们一起去公园散步吧好不好呀")); // 20, clean
    EXPECT_TRUE(CloudRecognizer::needsTidy("今天天气很好我们一起去公园散步吧好不好呀呀"));
    EXPECT_FALSE(CloudRecognizer::needsTidy("  今天天气很好我们一起去公园散步吧好不好呀\n"));
    EXPECT_TRUE(CloudRecognizer::needsTidy("嗯好的"));
    EXPECT_TRUE(CloudRecognizer::needsTidy("三点不对四点"));
    EXPECT_TRUE(CloudRecognizer::needsTidy("此致敬礼"));
    EXPECT_TRUE(CloudRecognizer::needsTidy("我我想去")); // stutter on a pronoun
    EXPECT_FALSE(CloudRecognizer::needsTidy("谢谢你"));
    EXPECT_FALSE(CloudRecognizer::needsTidy("天天向上"));      // a doubled character that is not a pronoun
    EXPECT_TRUE(CloudRecognizer::needsTidy("明天明天去"));     // a repeated two-character word
    EXPECT_TRUE(CloudRecognizer::needsTidy("星期五星期五见")); // three characters
    EXPECT_FALSE(CloudRecognizer::needsTidy("ok ok"));
    EXPECT_FALSE(CloudRecognizer::needsTidy("okok好")); // a Latin chunk repeated
}

TEST_F(CloudRecognizerTest, MakeUsesTheRelayElseTheKeyFile) {
    QDir().mkpath(test::home() + "/.yarrik");
    const QString keyFile = CloudRecognizer::keyFile();
    EXPECT_EQ(keyFile, test::home() + "/.yarrik/openai_key");
    auto writeKey = [&](const QByteArray& text) {
        QFile f(keyFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(text);
    };
    BundleInfo::setOverride({});
    QFile::remove(keyFile);
    EXPECT_EQ(CloudRecognizer::make(), nullptr);

    writeKey("sk-abc\n");
    auto fromKey = CloudRecognizer::make();
    ASSERT_TRUE(fromKey);
    EXPECT_EQ(fromKey->asr.key, "sk-abc");
    EXPECT_EQ(fromKey->asr.apiBase, QUrl("https://api.openai.com/v1"));
    EXPECT_EQ(fromKey->asr.transcribeModel, "gpt-4o-transcribe");
    EXPECT_EQ(fromKey->asr.tidyModel, "gpt-6-luna");
    EXPECT_EQ(fromKey->asr.tidyEffort, "low");
    EXPECT_FALSE(fromKey->accountToken);
    writeKey("\n  sk-def  \n");
    EXPECT_EQ(CloudRecognizer::make()->asr.key, "sk-def");
    writeKey("abc");
    EXPECT_EQ(CloudRecognizer::make(), nullptr);
    writeKey("sk-\xff\xfe");
    EXPECT_EQ(CloudRecognizer::make(), nullptr); // not UTF-8

    // A relay wins over the key file, whatever that holds.
    writeKey("sk-abc");
    BundleInfo::setOverride(
        {{"YarrikProxyURL", "https://relay.example/"}, {"YarrikProxyToken", "relay-tok"}});
    auto viaRelay = CloudRecognizer::make();
    BundleInfo::reset();
    ASSERT_TRUE(viaRelay);
    EXPECT_EQ(viaRelay->asr.apiBase, QUrl("https://relay.example/v1"));
    EXPECT_EQ(viaRelay->asr.key, "relay-tok");
    QFile::remove(keyFile);
}

TEST_F(CloudRecognizerTest, RelayRequestsPreferAUsableAccountToken) {
    int asked = 0;
    std::optional<QString> token;
    auto r = recognizer([&]() -> QCoro::Task<std::optional<QString>> {
        ++asked;
        co_return token;
    });
    answers({"好的"});
    auto run = [&] {
        TaskProbe<QString> probe(r.transcribe(clipOf(2), {}));
        EXPECT_TRUE(probe.wait());
        return server.requests(transcriptions).last().header("Authorization");
    };
    token = "account-token";
    EXPECT_EQ(run(), "Bearer account-token");
    token.reset();
    EXPECT_EQ(run(), "Bearer relay-token");
    token = "";
    EXPECT_EQ(run(), "Bearer relay-token"); // an empty token must not replace the relay token
    EXPECT_EQ(asked, 3);

    // Without any credential the relay is never called.
    auto bare = CloudRecognizer::viaProxy(
        server.url("/v1"), []() -> QCoro::Task<std::optional<QString>> { co_return std::nullopt; });
    EXPECT_EQ(bare->asr.apiBase, server.url("/v1"));
    server.clearRequests();
    TaskProbe<QString> probe(bare->transcribe(clipOf(2), {}));
    ASSERT_TRUE(probe.wait());
    EXPECT_EQ(probe.errorAs<CloudASR::Failure>()->message(), "还没有填 API Key");
    EXPECT_TRUE(server.requests().isEmpty());
    EXPECT_TRUE(tmpIsEmpty());
}

TEST_F(CloudRecognizerTest, ThePublicApiNeverAsksForTheAccountToken) {
    QNetworkAccessManager session;
    session.setProxy(QNetworkProxy(QNetworkProxy::HttpProxy, "127.0.0.1", server.port()));
    int asked = 0;
    CloudRecognizer r(
        CloudASR(&session, QUrl("http://api.openai.com/v1"), "gpt-4o-transcribe", "gpt-6-luna", "low",
                 "sk-dev"),
        [&]() -> QCoro::Task<std::optional<QString>> {
            ++asked;
            co_return QString("account-token");
        },
        scheduler, clock);
    answers({"嗯我们然后去吧"});
    server.respond(completions, FakeOpenAI::chat("我们去吧。"));
    TaskProbe<QString> probe(r.recognize(clipOf(2), {}));
    ASSERT_TRUE(probe.wait());
    EXPECT_EQ(probe.get(), "我们去吧。");
    EXPECT_EQ(asked, 0);
    for (const auto& req : server.requests())
        EXPECT_EQ(req.header("Authorization"), "Bearer sk-dev");
}

TEST_F(CloudRecognizerTest, RetriesDoubtfulAnswersOnceWithoutHints) {
    const QStringList vocabulary = {"溪山楼", "蓝鲸咖啡", "x", "溪山楼"};
    // A hint word alone on a short take may be the prompt talking: ask again without hints.
    answers({"溪山楼", "去溪山楼"});
    EXPECT_EQ(transcribe(3, vocabulary), "去溪山楼");
    auto sent = server.requests(transcriptions);
    ASSERT_EQ(sent.size(), 2);
    EXPECT_TRUE(sent[0].body.contains(QStringLiteral("常用词：溪山楼、蓝鲸咖啡。").toUtf8()));
    EXPECT_FALSE(sent[1].body.contains("name=\"prompt\""));

    // On a longer take the same answer stands.
    server.clearRequests();
    answers({"溪山楼"});
    EXPECT_EQ(transcribe(5, vocabulary), "溪山楼");
    EXPECT_EQ(server.count(transcriptions), 1);

    // A retry that agrees (up to punctuation) confirms the first answer as it was.
    server.clearRequests();
    answers({"溪山楼", "溪山楼。"});
    EXPECT_EQ(transcribe(3, vocabulary), "溪山楼");

    // An empty answer is always retried; two empty answers mean nothing was heard.
    server.clearRequests();
    answers({"", ""});
    EXPECT_EQ(transcribe(8, vocabulary), "");
    EXPECT_EQ(server.count(transcriptions), 2);
    answers({"", "今天不去了"});
    EXPECT_EQ(transcribe(8, vocabulary), "今天不去了");

    // The hint list read back with a little filler is an echo, on the first answer and on the retry.
    server.clearRequests();
    answers({"溪山楼蓝鲸咖啡好的", "溪山楼、蓝鲸咖啡，嗯"});
    EXPECT_EQ(transcribe(8, vocabulary), "");
    EXPECT_EQ(server.count(transcriptions), 2);
    EXPECT_TRUE(tmpIsEmpty());
}

TEST_F(CloudRecognizerTest, DropsStrayLettersOnVeryShortTakes) {
    const std::tuple<double, const char*, const char*> cases[] = {
        {1.0, "ok", ""},     {1.0, "A.", ""},   {1.0, "12", "12"}, {1.0, "好", "好"},
        {1.0, "abc", "abc"}, {1.5, "ok", "ok"}, {1.5, "A.", "A."},
    };
    for (const auto& [seconds, answer, expected] : cases) {
        answers({QString::fromUtf8(answer)});
        EXPECT_EQ(transcribe(seconds), QString::fromUtf8(expected)) << answer << " @" << seconds;
    }
}

TEST_F(CloudRecognizerTest, TidiesOnlyMessyDictationAndReturnsSimplifiedChinese) {
    answers({"這個軟體很好用"});
    EXPECT_EQ(recognize(3), "这个软体很好用");
    EXPECT_EQ(server.count(completions), 0);

    answers({"嗯這個軟體那個很好用"});
    server.respond(completions, FakeOpenAI::chat("這個軟體很好用。"));
    EXPECT_EQ(recognize(3, {"軟體", "溪山楼"}), "这个软体很好用。");
    ASSERT_EQ(server.count(completions), 1);
    const QString system = QString::fromUtf8(server.requests(completions).first().body);
    EXPECT_TRUE(system.contains("常用词：軟體、溪山楼。")) << "the clean-up gets the hint words";

    // Recall never tidies.
    server.clearRequests();
    EXPECT_EQ(transcribe(3), "嗯这个软体那个很好用");
    EXPECT_EQ(server.count(completions), 0);
}

TEST_F(CloudRecognizerTest, ACleanUpThatFailsKeepsTheTranscript) {
    answers({"嗯那個我們走吧"});
    server.respond(completions, FakeOpenAI::error(500, "boom"));
    EXPECT_EQ(recognize(2), "嗯那个我们走吧");
    server.respond(completions, FakeOpenAI::error(401, "no"));
    EXPECT_EQ(recognize(2), "嗯那个我们走吧");
    server.respond(completions, FakeOpenAI::json(QJsonObject{{"choices", 1}}));
    EXPECT_EQ(recognize(2), "嗯那个我们走吧");
    // An answer that is the hint list read back is not a tidied copy.
    server.respond(completions, FakeOpenAI::chat("溪山楼、蓝鲸咖啡"));
    EXPECT_EQ(recognize(2, {"溪山楼", "蓝鲸咖啡"}), "嗯那个我们走吧");
    EXPECT_TRUE(tmpIsEmpty());
}

TEST_F(CloudRecognizerTest, ATranscriptionPastItsDeadlineTimesOutAndIsAborted) {
    server.respond(transcriptions, hang());
    auto r = recognizer();
    TaskProbe<QString> probe(r.recognize(clipOf(40), {}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.count(transcriptions) == 1; }));
    EXPECT_FALSE(tmpIsEmpty()); // the WAV file exists while the request runs
    scheduler.advance(10.4);
    QTest::qWait(20);
    EXPECT_FALSE(probe.done());
    scheduler.advance(0.1);        // 10.5 s for a 40 s take
    ASSERT_TRUE(probe.wait(2000)); // at once: the request is aborted, not left to its own time-out
    const auto failure = probe.errorAs<CloudASR::Failure>();
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->message(), "云端太慢，已超时");
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.abandoned() == 1; })); // the losing request was cancelled
    EXPECT_EQ(server.count(transcriptions), 1);                            // and never retried
    EXPECT_TRUE(tmpIsEmpty());
}

TEST_F(CloudRecognizerTest, AnAnswerInTimeCancelsItsTimer) {
    FakeOpenAI::Response slow = FakeOpenAI::transcription("好的");
    slow.delayMs = 30;
    server.respond(transcriptions, slow);
    auto r = recognizer();
    TaskProbe<QString> probe(r.transcribe(clipOf(2), {}));
    ASSERT_TRUE(probe.wait());
    EXPECT_EQ(probe.get(), "好的");
    EXPECT_EQ(scheduler.pending(), 0u);
    // Errors other than the deadline end the call at once, file removed.
    server.respond(transcriptions, FakeOpenAI::error(500, "boom"));
    TaskProbe<QString> failed(r.transcribe(clipOf(2), {}));
    ASSERT_TRUE(failed.wait());
    EXPECT_EQ(failed.errorAs<CloudASR::Failure>()->message(), "云端返回错误（500）boom");
    EXPECT_EQ(scheduler.pending(), 0u);
    EXPECT_TRUE(tmpIsEmpty());
}

TEST_F(CloudRecognizerTest, TheCleanUpGetsWhatTranscriptionLeftOfTheDeadline) {
    answers({"嗯我们走吧"});
    server.respond(completions, hang());
    auto r = recognizer();
    TaskProbe<QString> probe(r.recognize(clipOf(3), {}));
    scheduler.advance(5.0); // transcription "takes" 5 of its 6 s
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.count(completions) == 1; }));
    scheduler.advance(1.4); // the clean-up still has its minimum of 1.5 s
    QTest::qWait(20);
    EXPECT_FALSE(probe.done());
    scheduler.advance(0.1);
    ASSERT_TRUE(probe.wait(2000));
    EXPECT_EQ(probe.get(), "嗯我们走吧");
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.abandoned() == 1; }));

    // A quick transcription leaves the clean-up nearly the whole deadline.
    server.clearRequests();
    TaskProbe<QString> quick(r.recognize(clipOf(3), {}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.count(completions) == 1; }));
    scheduler.advance(5.9);
    QTest::qWait(20);
    EXPECT_FALSE(quick.done());
    scheduler.advance(0.1);
    ASSERT_TRUE(quick.wait(2000));
    EXPECT_EQ(quick.get(), "嗯我们走吧");
    EXPECT_TRUE(tmpIsEmpty());
}

TEST_F(CloudRecognizerTest, AFailedWavWriteSendsNothing) {
    qputenv("TMPDIR", (tmp.path() + "/missing/folder").toUtf8());
    auto r = recognizer();
    TaskProbe<QString> probe(r.recognize(clipOf(1), {}));
    ASSERT_TRUE(probe.wait());
    EXPECT_TRUE(probe.error());
    EXPECT_TRUE(server.requests().isEmpty());
}
