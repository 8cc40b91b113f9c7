#include "Support/AppLog.h"
#include "support/FakeOpenAI.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

using namespace mivora;
using namespace mivora::test;

namespace {

struct SelfTestRun {
    int exitCode = -1;
    QString out;
    QJsonObject report;
};

// The real program in "-selftest" mode on the offscreen platform, its relay the loopback fake served from
// this process (so the wait must not block this event loop).
SelfTestRun selfTest(FakeOpenAI& server, const QString& cases, const QTemporaryDir& dir) {
    QFile info(dir.filePath("Info.json"));
    info.open(QIODevice::WriteOnly | QIODevice::Truncate);
    info.write(QJsonDocument(QJsonObject{{"YarrikProxyURL", server.url("/").toString()},
                                         {"YarrikProxyToken", "relay-token"}})
                   .toJson());
    info.close();
    // The transcriptions in the order the cases' takes reach the server (the silent take never does).
    server.script("/v1/audio/transcriptions",
                  {FakeOpenAI::transcription("今天天氣很好"), FakeOpenAI::transcription("我的地址")});
    QFile::remove(QDir(AppLog::dir()).filePath("selftest-latest.json"));

    QProcess process;
    process.setEnvironment(QProcess::systemEnvironment()
                           << "MIVORA_INFO_JSON=" + info.fileName() << "QT_QPA_PLATFORM=offscreen");
    process.start(MIVORA_APP_PATH, {"-selftest", cases});
    SelfTestRun run;
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, 240000)) return run;
    run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput() + process.readAllStandardError();
    QFile report(QDir(AppLog::dir()).filePath("selftest-latest.json"));
    if (report.open(QIODevice::ReadOnly)) run.report = QJsonDocument::fromJson(report.readAll()).object();
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
