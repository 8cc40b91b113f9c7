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
