#include "Support/AppLog.h"
#include "support/FakeOpenAI.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <csignal>

using namespace mivora;
using namespace mivora::test;

namespace {

struct SelfTestRun {
    int exitCode = -1;
    QString out;
    QJsonObject report;
};

// Starts the real program in "-selftest" mode on the offscreen platform, its relay the loopback fake served
// from this process (so a wait must not block this event loop). Removes the last report first.
void startSelfTest(QProcess& process, const FakeOpenAI& server, const QString& cases,
                   const QTemporaryDir& dir) {
    QFile info(dir.filePath("Info.json"));
    info.open(QIODevice::WriteOnly | QIODevice::Truncate);
    info.write(QJsonDocument(QJsonObject{{"YarrikProxyURL", server.url("/").toString()},
                                         {"YarrikProxyToken", "relay-token"}})
                   .toJson());
    info.close();
    QFile::remove(QDir(AppLog::dir()).filePath("selftest-latest.json"));
    process.setEnvironment(QProcess::systemEnvironment()
                           << "MIVORA_INFO_JSON=" + info.fileName() << "QT_QPA_PLATFORM=offscreen");
    process.start(MIVORA_APP_PATH, {"-selftest", cases});
}

QJsonObject latestReport() {
    QFile report(QDir(AppLog::dir()).filePath("selftest-latest.json"));
    return report.open(QIODevice::ReadOnly) ? QJsonDocument::fromJson(report.readAll()).object()
                                            : QJsonObject();
}

// The program run to its end.
SelfTestRun selfTest(FakeOpenAI& server, const QString& cases, const QTemporaryDir& dir) {
    // The transcriptions in the order the cases' takes reach the server (the silent take never does).
    server.script("/v1/audio/transcriptions",
                  {FakeOpenAI::transcription("今天天氣很好"), FakeOpenAI::transcription("我的地址")});
    QProcess process;
    startSelfTest(process, server, cases, dir);
    SelfTestRun run;
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 240000)) return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput() + process.readAllStandardError();
    run.report = latestReport();
    return run;
}

} // namespace

// The checked-in cases (dictation, voice recall, a silent take, a typing suggestion) pass through the wired
// program; a broken expectation fails the run and the report names that case.
TEST(SelfTestMode, PassesTheCheckedInCasesAndNamesAFailingOne) {
    FakeOpenAI server;
    QTemporaryDir dir;
    const SelfTestRun passing = selfTest(server, MIVORA_SELFTEST_CASES, dir);
    EXPECT_EQ(passing.exitCode, 0) << passing.out.toStdString();
    const QJsonArray cases = passing.report.value("cases").toArray();
    ASSERT_EQ(cases.size(), 4) << passing.out.toStdString();
    for (const QJsonValue& c : cases)
        EXPECT_TRUE(c.toObject().value("passed").toBool())
            << QJsonDocument(c.toObject()).toJson().toStdString();
    EXPECT_TRUE(passing.report.value("permissions").toObject().contains("mic"));

    // The same cases with the recalled text expected wrong, copied beside their audio.
    QFile original(MIVORA_SELFTEST_CASES);
    ASSERT_TRUE(original.open(QIODevice::ReadOnly));
    QByteArray broken = original.readAll();
    broken.replace("\"expect\": {\"text\": \"北京市朝阳区建国路 1 号\"}", "\"expect\": {\"text\": \"上海\"}");
    for (const char* audio : {"speech.wav", "silence.wav"})
        QFile::copy(QFileInfo(MIVORA_SELFTEST_CASES).dir().filePath(audio), dir.filePath(audio));
    QFile copy(dir.filePath("cases.json"));
    ASSERT_TRUE(copy.open(QIODevice::WriteOnly));
    copy.write(broken);
    copy.close();
    const SelfTestRun failing = selfTest(server, copy.fileName(), dir);
    EXPECT_EQ(failing.exitCode, 1) << failing.out.toStdString();
    const QJsonArray results = failing.report.value("cases").toArray();
    ASSERT_EQ(results.size(), 4);
    EXPECT_EQ(results[1].toObject().value("name").toString(), "问出地址");
    EXPECT_FALSE(results[1].toObject().value("passed").toBool());
    EXPECT_TRUE(failing.out.contains("✗ 问出地址")) << failing.out.toStdString();
}

// A cases file of its own beside the checked-in one: an unnamed case is reported by its place, counted from
// 1; a typing case offering a sensitive memory fills it on the second Tab; a case naming two inputs is
// refused by name before anything runs, and the run still ends.
TEST(SelfTestMode, NumbersUnnamedCasesPressesTabTwiceForASecretAndRefusesTwoInputs) {
    FakeOpenAI server;
    QTemporaryDir dir;
    const auto write = [&](const char* name, const QByteArray& json) {
        QFile file(dir.filePath(name));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(json);
        return file.fileName();
    };
    const QString secret = write("secret.json", R"([
      {"type": "楼下的门禁密码", "memories": [{"title": "门禁密码", "value": "k9#Lm2", "sensitive": true}],
       "expect": {"offer": "门禁密码", "text": "k9#Lm2"}}
    ])");
    const SelfTestRun typed = selfTest(server, secret, dir);
    EXPECT_EQ(typed.exitCode, 0) << typed.out.toStdString();
    EXPECT_TRUE(typed.out.contains("✓ 第 1 条\n")) << typed.out.toStdString();

    const QString twoInputs = write("two.json", R"([
      {"name": "只打字", "type": "我的地址", "expect": {"offer": "我的地址"}},
      {"name": "两样都有", "dictate": "speech.wav", "type": "我的地址", "expect": {"offer": "我的地址"}}
    ])");
    const SelfTestRun refused = selfTest(server, twoInputs, dir);
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_TRUE(refused.out.contains(
        QStringLiteral("✗ 用例「两样都有」：要有且只有一个 \"dictate\"、\"recall\" 或 \"type\"")))
        << refused.out.toStdString();
    EXPECT_TRUE(refused.report.value("cases").toArray().isEmpty());

    // A cases file that is not there ends the run too, saying so.
    const SelfTestRun missing = selfTest(server, dir.filePath("none.json"), dir);
    EXPECT_EQ(missing.exitCode, 1);
    EXPECT_TRUE(missing.out.contains("✗ 读不了用例文件 " + dir.filePath("none.json")))
        << missing.out.toStdString();
}

// A run ended by SIGTERM, SIGINT or SIGHUP after its first case, while the second waits for the relay, has
// not passed: it says so, its report says so with the case done, and its status is 1 (0 is "every case
// passed").
TEST(SelfTestMode, ARunEndedByASignalHasNotPassed) {
    FakeOpenAI server;
    QTemporaryDir dir;
    QFile::copy(QFileInfo(MIVORA_SELFTEST_CASES).dir().filePath("speech.wav"), dir.filePath("speech.wav"));
    QFile cases(dir.filePath("cases.json"));
    ASSERT_TRUE(cases.open(QIODevice::WriteOnly));
    cases.write(R"([{"name": "口述一句", "dictate": "speech.wav", "expect": {"text": "今天天气很好"}},
                    {"name": "等不到", "dictate": "speech.wav", "expect": {"text": "今天天气很好"}}])");
    cases.close();
    for (const auto& [signal, name] :
         {std::pair(SIGTERM, "SIGTERM"), std::pair(SIGINT, "SIGINT"), std::pair(SIGHUP, "SIGHUP")}) {
        SCOPED_TRACE(name);
        FakeOpenAI::Response never;
        never.hang = true;
        server.script("/v1/audio/transcriptions", {FakeOpenAI::transcription("今天天气很好"), never});
        QProcess process;
        startSelfTest(process, server, cases.fileName(), dir);
        QByteArray out;
        ASSERT_TRUE(QTest::qWaitFor(
            [&] {
                out += process.readAllStandardOutput();
                return out.contains("✓ 口述一句") || process.state() == QProcess::NotRunning;
            },
            120000));
        ASSERT_EQ(process.state(), QProcess::Running) << out.toStdString();
        ::kill(pid_t(process.processId()), signal);
        ASSERT_TRUE(QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 60000));
        out += process.readAllStandardOutput();
        EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
        EXPECT_EQ(process.exitCode(), 1) << out.toStdString();
        const QString said = QString::fromUtf8(out);
        EXPECT_TRUE(said.contains(QStringLiteral("✗ 自检被 %1 打断，没有做完（做完 1 条）").arg(name)))
            << out.toStdString();
        const QJsonObject report = latestReport();
        EXPECT_EQ(report.value("cases").toArray().size(), 1);
        EXPECT_TRUE(report.value("error").toString().contains(name));
    }
}
