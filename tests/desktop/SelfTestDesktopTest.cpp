// The real program's self-test run on the desktop of a signed-in user who has another application in front:
// it leaves the account and that application alone.
#include "Account/Vault.h"
#include "LinuxDesktop.h"
#include "support/CatTerminal.h"
#include "support/ChildProcess.h"
#include "support/FakeAccountServer.h"
#include "support/JoinedDevice.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

using namespace mivora;
using namespace mivora::test;

using SelfTestDesktop = LinuxDesktop;

// Signed in, with sync set up on this device and a line edit in front: the self-test's cases pass, yet no
// request reaches the account (its vault keeps its version, the user's memories stay out of the run) and
// its fills paste into nothing; only a window of the self-test's own class gets them. The user's settings
// (its usage counters) and the sign-in entry stay as they were.
TEST_F(SelfTestDesktop, SignedInItTouchesNeitherTheAccountNorTheApplicationInFront) {
    SystemClock serverClock;
    FakeAccountServer server(serverClock);
    const QString email = "selftest@example.com";
    const JoinedDevice device(platform->secrets(), server, email);
    ASSERT_TRUE(device.keySaved);
    const Vault::Payload remote{.items = {Memory{.title = "我的地址", .value = "上海市徐汇区"}}};
    server.putVault(email, Vault::encrypt(remote, device.key),
                    Vault::wrap(device.key, RecoveryCode::generate()));
    server.log.clear();

    QTemporaryDir dir;
    QFile info(dir.filePath("Info.json"));
    ASSERT_TRUE(info.open(QIODevice::WriteOnly));
    info.write(
        QJsonDocument(QJsonObject{{"YarrikProxyURL", server.url().toString()}, {"YarrikProxyToken", "dev"}})
            .toJson());
    info.close();
    QFile cases(dir.filePath("cases.json"));
    ASSERT_TRUE(cases.open(QIODevice::WriteOnly));
    cases.write(R"([{"name": "打字递上", "type": "寄到我的地址",
      "memories": [{"title": "我的地址", "type": "地址", "value": "北京市朝阳区建国路 1 号"}],
      "expect": {"offer": "我的地址", "text": "北京市朝阳区建国路 1 号"}}])");
    cases.close();

    // The user's settings, with the usage counters the home page shows.
    const QByteArray settings = "[General]\nonboardingDone=true\nstats.total=7\nstats.typed=2\n";
    ASSERT_TRUE(QDir().mkpath(dir.filePath("config/Mivora")));
    QFile ini(dir.filePath("config/Mivora/Mivora.ini"));
    ASSERT_TRUE(ini.open(QIODevice::WriteOnly) && ini.write(settings) == settings.size());
    ini.close();

    // Runs the self-test to its end.
    const auto runSelfTest = [&] {
        QProcess selfTest;
        selfTest.setEnvironment(QProcess::systemEnvironment() << "MIVORA_INFO_JSON=" + info.fileName()
                                                              << "XDG_STATE_HOME=" + dir.filePath("state")
                                                              << "XDG_DATA_HOME=" + dir.filePath("data")
                                                              << "XDG_CONFIG_HOME=" + dir.filePath("config"));
        selfTest.start(MIVORA_APP_PATH, {"-selftest", cases.fileName()});
        EXPECT_TRUE(
            waitUntil([&] { return selfTest.state() == QProcess::NotRunning; }, 4 * desktopDeadlineMs));
        const QString out =
            QString::fromUtf8(selfTest.readAllStandardOutput() + selfTest.readAllStandardError());
        EXPECT_EQ(selfTest.exitCode(), 0) << out.toStdString();
        EXPECT_TRUE(out.contains("✓ 打字递上")) << out.toStdString();
    };

    ChildProcess target;
    ASSERT_TRUE(target.startInFront(platform->frontApplication(), "mivora_target"));
    runSelfTest();
    EXPECT_EQ(server.vaultVersion(email), 1);
    QFile report(dir.filePath("state/Mivora/selftest-latest.json"));
    ASSERT_TRUE(report.open(QIODevice::ReadOnly));
    EXPECT_FALSE(QString::fromUtf8(report.readAll()).contains("上海市徐汇区"));
    // Neither the account's routes nor its token: the relay alone may have been asked (a warm-up).
    for (const FakeAccountServer::Request& request : server.log) {
        EXPECT_FALSE(request.route.startsWith("auth/") || request.route == "account" ||
                     request.route == "vault")
            << request.route.toStdString();
        EXPECT_FALSE(request.header("Authorization").contains(device.session.accessToken.toUtf8()))
            << request.route.toStdString();
    }
    // The fill stayed off the line edit: no paste keys, no text.
    EXPECT_TRUE(target.lines().filter("text:").isEmpty()) << target.lines().join('\n').toStdString();
    EXPECT_TRUE(target.lines().filter("+V").isEmpty()) << target.lines().join('\n').toStdString();

    // Its accepted fill counted nowhere the user sees, and the browser's way back after a web sign-in still
    // names no build folder's program.
    ASSERT_TRUE(ini.open(QIODevice::ReadOnly));
    EXPECT_EQ(ini.readAll(), settings);
    ini.close();
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("data/applications/mivora-signin.desktop")));
    EXPECT_FALSE(QFileInfo::exists(dir.filePath("config/mimeapps.list")));

    // A window of the self-test's own class in front gets the fill.
    CatTerminal own;
    ASSERT_TRUE(own.start("xterm", {"-class", "MivoraSelfTest"}));
    ASSERT_TRUE(waitUntil(
        [&] { return platform->frontApplication().current().value_or(FrontApp{}).pid == own.processId(); },
        desktopDeadlineMs));
    runSelfTest();
    EXPECT_TRUE(
        waitUntil([&] { return own.received().contains("北京市朝阳区建国路 1 号"); }, desktopDeadlineMs))
        << own.received().toStdString();
}
