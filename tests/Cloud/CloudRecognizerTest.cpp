#include "Cloud/CloudRecognizer.h"

#include "Support/BundleInfo.h"
#include "Support/HttpClient.h"
#include "Support/Paths.h"
#include "support/Deferred.h"
#include "support/FakeOpenAI.h"
#include "support/FakeScheduler.h"
#include "support/MemoryDefaults.h"
#include "support/ScopedEnv.h"
#include "support/TaskProbe.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;
using Response = FakeOpenAI::Response;
using AccountToken = QCoro::Task<std::optional<QString>>;

namespace {

const QString transcriptions = QStringLiteral("/v1/audio/transcriptions");
const QString completions = QStringLiteral("/v1/chat/completions");
const QStringList words = {"溪山楼", "蓝鲸咖啡", "x"};

AudioClip clipOf(double seconds) {
    return AudioClip(std::vector<std::int16_t>(std::size_t(seconds * 16000), 500));
}
const auto say = FakeOpenAI::transcription;

struct CloudRecognizerTest : ::testing::Test {
    bool tmpIsEmpty() const { return QDir(tmp.path()).isEmpty(QDir::Files | QDir::Hidden | QDir::System); }

    FakeOpenAI server;
    FakeClock clock;
    FakeScheduler scheduler{clock};
    std::optional<QString> token; // the account's, for relays
    QtScheduler networkTimers;
    HttpClient network{networkTimers};
    MemoryDefaults defaults;
    CloudRecognizer recognizer{
        CloudASR(network, defaults, server.url(), "gpt-4o-transcribe", "gpt-6-luna", "low", "relay-token"),
        [this]() -> AccountToken { co_return std::optional<QString>(token); }, scheduler, clock};
    QTemporaryDir tmp;
    ScopedEnv tmpEnv{"TMPDIR", tmp.path().toUtf8()}; // where the take's WAV file goes
};

} // namespace

TEST(CloudRecognizerRules, NeedsTidyForLongOrMessyText) {
    // Over twenty characters, a correction, a stutter on a pronoun, a repeated word.
    for (const char* messy :
         {"今天天气很好我们一起去公园散步吧好不好呀呀", "三点不对四点", "我我想去", "星期五星期五见"})
        EXPECT_TRUE(CloudRecognizer::needsTidy(messy)) << messy;
    // Blank lines repeat too, but CR LF is ASCII like a Latin word.
    for (const char* clean :
         {"今天天气很好我们一起去公园散步吧好不好呀", "天天向上", "okok好", "好的\r\n\r\n\r\n\r\n收到"})
        EXPECT_FALSE(CloudRecognizer::needsTidy(clean)) << clean;
}

// A hint word alone on a short take may be the prompt talking, an empty answer may be a fluke, and the hint
// list read back is an echo: each is asked once more without hints. Stray letters on a very short take are
// noise. Every path removes the take's temporary file and leaves no timer behind.
TEST_F(CloudRecognizerTest, FiltersDoubtfulAnswersAndRetriesThemOnceWithoutHints) {
    const std::tuple<double, QList<Response>, QString, int> cases[] = {
        {3, {say("溪山楼"), say("去溪山楼")}, "去溪山楼", 2},
        {5, {say("溪山楼")}, "溪山楼", 1},
        {3, {say("溪山楼"), say("溪山楼。")}, "溪山楼", 2},
        {8, {say(""), say("今天不去了")}, "今天不去了", 2},
        {8, {say("溪山楼蓝鲸咖啡好的"), say("溪山楼、蓝鲸咖啡，嗯")}, "", 2},
        {1, {say("A.")}, "", 1},
        {1, {say("12")}, "12", 1},
        {1.5, {say("ok")}, "ok", 1},
    };
    for (const auto& [seconds, answers, expected, requests] : cases) {
        SCOPED_TRACE(expected.toStdString());
        server.log.clear();
        server.script(transcriptions, answers);
        EXPECT_EQ(TaskProbe<QString>(recognizer.transcribe(clipOf(seconds), words)).outcome(), expected);
        ASSERT_EQ(server.log.size(), requests); // recall never tidies
        EXPECT_TRUE(server.log.first().body.contains("常用词：溪山楼、蓝鲸咖啡。"));
        EXPECT_EQ(server.log.last().body.contains("name=\"prompt\""), requests == 1);
        EXPECT_EQ(scheduler.pending(), 0u);
        EXPECT_TRUE(tmpIsEmpty());
    }
}

TEST_F(CloudRecognizerTest, TidiesMessyDictationAndKeepsTheTranscriptWhenTheCleanUpFails) {
    // The last is the hint list read back: not a tidied copy.
    const std::tuple<const char*, Response, const char*, bool> cases[] = {
        {"這個軟體很好用", FakeOpenAI::chat("不该用到"), "这个软体很好用", false},
        {"嗯這個軟體那個很好用", FakeOpenAI::chat("這個軟體很好用。"), "这个软体很好用。", true},
        {"嗯那個我們走吧", FakeOpenAI::error(500, "boom"), "嗯那个我们走吧", true},
        {"嗯那個我們走吧", FakeOpenAI::chat("溪山楼、蓝鲸咖啡"), "嗯那个我们走吧", true},
    };
    for (const auto& [transcript, cleanUp, expected, tidies] : cases) {
        server.log.clear();
        server.respond(transcriptions, say(transcript));
        server.respond(completions, cleanUp);
        EXPECT_EQ(TaskProbe<QString>(recognizer.recognize(clipOf(3), words)).outcome(), expected);
        EXPECT_EQ(server.count(completions), tidies ? 1 : 0);
        EXPECT_TRUE(!tidies || server.log.last().body.contains("常用词：溪山楼、蓝鲸咖啡。"));
    }
    EXPECT_TRUE(tmpIsEmpty());
}

// An empty account token is no token: it must not replace the working relay token.
TEST_F(CloudRecognizerTest, AnEmptyAccountTokenLeavesTheRelayToken) {
    server.respond(transcriptions, say("好的"));
    token = "";
    EXPECT_EQ(TaskProbe<QString>(recognizer.transcribe(clipOf(2), {})).outcome(), "好的");
    EXPECT_EQ(server.log.last().header("Authorization"), "Bearer relay-token");
}

TEST_F(CloudRecognizerTest, ATranscriptionPastItsDeadlineTimesOutAndIsAborted) {
    server.respond(transcriptions, {.hang = true});
    TaskProbe<QString> probe(recognizer.recognize(clipOf(40), {}));
    ASSERT_TRUE(QTest::qWaitFor([&] { return server.count(transcriptions) == 1; }));
    scheduler.advance(10.4); // of 10.5 s for a 40 s take: the deadline has not fired
    EXPECT_FALSE(probe.state->done);
    scheduler.advance(0.1);
    ASSERT_TRUE(probe.wait(2000)); // at once: the request is aborted, not left to its own time-out
    EXPECT_EQ(probe.outcome(), "error: 云端太慢，已超时");
    EXPECT_TRUE(QTest::qWaitFor([&] { return server.abandoned == 1; }));
    EXPECT_EQ(server.count(transcriptions), 1); // and never retried
    EXPECT_TRUE(tmpIsEmpty());
}

// The wait for the account's token is bounded by the take's deadline: a token that never comes (a token
// store that does not answer) fails the take as a time-out, and no request goes out, not even once the
// token turns up after all.
TEST_F(CloudRecognizerTest, AnAccountTokenThatNeverComesTimesTheTakeOut) {
    server.respond(transcriptions, say("好的"));
    Deferred<std::optional<QString>> tokens;
    CloudRecognizer late(
        CloudASR(network, defaults, server.url(), "gpt-4o-transcribe", "gpt-6-luna", "low", "relay-token"),
        [&tokens]() -> AccountToken {
            const auto token = tokens.next();
            co_return co_await token;
        },
        scheduler, clock);
    TaskProbe<QString> probe(late.recognize(clipOf(2), {}));
    scheduler.advance(5.9); // of 6 s for a 2 s take
    EXPECT_FALSE(probe.state->done);
    scheduler.advance(0.1);
    ASSERT_TRUE(probe.wait(2000));
    EXPECT_EQ(probe.outcome(), "error: 云端太慢，已超时");
    EXPECT_TRUE(tmpIsEmpty());
    tokens.settleAll(QStringLiteral("at-late"));
    QTest::qWait(50);
    EXPECT_EQ(server.count(transcriptions), 0);
}

// The relay must be a real https address (or plain http on this machine); anything else falls back to the
// developer key file, which must hold one "sk-" key and nothing else.
TEST(CloudRecognizerMake, TakesOnlyAUsableRelayOrKey) {
    QDir().mkpath(Paths::developerDir());
    FakeClock clock;
    FakeScheduler scheduler{clock};
    QtScheduler networkTimers;
    HttpClient network{networkTimers};
    MemoryDefaults defaults;
    const auto makeWith = [&](const QString& relayURL, const QByteArray& keyText) -> std::string {
        BundleInfo::setOverride({{"YarrikProxyURL", relayURL}, {"YarrikProxyToken", "relay-token"}});
        QFile file(CloudRecognizer::keyFile());
        EXPECT_TRUE(file.open(QIODevice::WriteOnly | QIODevice::Truncate) && file.write(keyText) >= 0);
        file.close();
        const auto recognizer = CloudRecognizer::make(network, defaults, scheduler, clock);
        BundleInfo::reset();
        if (!recognizer) return "none";
        return (recognizer->asr.apiBase.toString() + " " + recognizer->asr.key.value_or("")).toStdString();
    };
    const QString openAI = "https://api.openai.com/v1 ";
    // clang-format off
    const std::tuple<QString, QByteArray, QString> cases[] = {
        {"https://relay.example/x", "", "https://relay.example/x/v1 relay-token"},
        {"http://localhost:9/", "", "http://localhost:9/v1 relay-token"}, {"http://relay.example", "", "none"},
        {"https:relay", "", "none"}, {"http://127.0.0.2:9/", "", "http://127.0.0.2:9/v1 relay-token"},
        {"http://[::1]:9/", "", "http://[::1]:9/v1 relay-token"}, {"http://10.0.0.1/", "", "none"},
        {"http://127.0.0.1.example/", "", "none"},
        {"", "\n sk-abc123\n", openAI + "sk-abc123"}, {"", "sk-abc\r\nX-Other: 1", "none"}};
    // clang-format on
    for (const auto& [relay, key, expected] : cases)
        EXPECT_EQ(makeWith(relay, key), expected.toStdString())
            << relay.toStdString() << " " << key.toStdString();
}
