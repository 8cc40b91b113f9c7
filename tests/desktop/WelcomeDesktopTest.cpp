// The real program on the private desktop with a fresh home: the first start shows the welcome, which a
// user walks through with the buttons it offers; a second start then shows the window on the home page.
// The program's widgets are read and pressed through the accessibility bus, as assistive tools do.
#include "LinuxDesktop.h"
#include "support/BusElement.h"
#include "support/ChildProcess.h"
#include "support/PainterWarnings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <csignal>

using namespace mivora;
using namespace mivora::test;

namespace {

// The program in a home of its own, without a relay (no sign-in needed).
class FreshHome {
public:
    FreshHome() {
        QFile info(dir_.filePath("Info.json"));
        info.open(QIODevice::WriteOnly);
        info.write(QJsonDocument(QJsonObject{{"CFBundleShortVersionString", "9.9"}}).toJson());
        environment_ = QProcess::systemEnvironment()
                       << "HOME=" + dir_.filePath("home") << "XDG_CONFIG_HOME=" + dir_.filePath("config")
                       << "XDG_STATE_HOME=" + dir_.filePath("state")
                       << "XDG_DATA_HOME=" + dir_.filePath("data") << "MIVORA_INFO_JSON=" + info.fileName();
        QDir().mkpath(dir_.filePath("home"));
    }
    ~FreshHome() {
        for (auto& p : processes_)
            if (p->state() != QProcess::NotRunning) {
                p->kill();
                p->waitForFinished(5000);
            }
    }
    QProcess* start() {
        auto* process = new QProcess;
        process->setEnvironment(environment_);
        forwardCheckingPainterWarnings(*process);
        process->start(MIVORA_APP_PATH, {});
        processes_.emplace_back(process);
        return process;
    }
    QString settings() const {
        QFile file(dir_.filePath("config/Mivora/Mivora.ini"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

private:
    QTemporaryDir dir_;
    QStringList environment_;
    std::vector<std::unique_ptr<QProcess>> processes_;
};

} // namespace

using WelcomeDesktop = LinuxDesktop;

TEST_F(WelcomeDesktop, AFreshHomeGetsTheWelcomeAndOnceItIsDoneTheNextStartOpensOnHome) {
    ASSERT_GE(atspi_init(), 0);
    FreshHome home;
    QProcess* first = home.start();
    const qint64 pid = first->processId();
    ASSERT_TRUE(waitUntil([&] { return bool(shown(pid, "开始")); }, 30000)) << "the welcome's hero";
    EXPECT_FALSE(shown(pid, "跳过")) << "the hero has no skip";

    ASSERT_TRUE(shown(pid, "开始").press());
    ASSERT_TRUE(waitUntil([&] { return bool(shown(pid, "跳过")); }, 15000));
    // Skip every page, as a user without a microphone or a recogniser would; "跳过" on the closing page ends
    // the welcome too. A press may meet a page still sliding in, so this presses until the welcome has gone.
    QElapsedTimer skipping;
    skipping.start();
    while (skipping.elapsed() < 60000) {
        const BusElement skip = shown(pid, "跳过");
        if (!skip) break;
        skip.press();
        waitUntil([&] { return !shown(pid, "跳过"); }, 1000);
    }
    EXPECT_TRUE(waitUntil([&] { return !shown(pid, "跳过"); }, 15000)) << "the welcome has gone";
    EXPECT_TRUE(waitUntil([&] { return home.settings().contains("onboardingDone=true"); }, 15000))
        << home.settings().toStdString();

    ::kill(pid_t(pid), SIGTERM);
    ASSERT_TRUE(waitUntil([&] { return first->state() == QProcess::NotRunning; }, 15000));

    QProcess* second = home.start();
    const qint64 again = second->processId();
    EXPECT_TRUE(waitUntil([&] { return bool(shown(again, "首页", ATSPI_STATE_SELECTED)); }, 30000))
        << "the window opens on the home page";
    EXPECT_FALSE(shown(again, "开始"));
    EXPECT_FALSE(shown(again, "跳过"));
    ::kill(pid_t(again), SIGTERM);
    EXPECT_TRUE(waitUntil([&] { return second->state() == QProcess::NotRunning; }, 15000));
}
