// The real program on the private desktop with a fresh home: the first start shows the welcome, which a
// user walks through with the buttons it offers; a second start then shows the window on the home page. In
// a relay build the welcome signs the user in, and the start's lines and the window tell one
// readiness.
// The program's widgets are read and pressed through the accessibility bus, as assistive tools do.
#include "Account/KeychainTokenStore.h"
#include "LinuxDesktop.h"
#include "support/BusElement.h"
#include "support/ChildProcess.h"
#include "support/FakeAccountServer.h"
#include "support/PainterWarnings.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QTemporaryDir>

#include <QCoro/QCoroTask>
#include <QRegularExpression>

#include <csignal>

// Bring Xlib, whose macros clash with Qt and GoogleTest names: include them last.
#include "support/DesktopInput.h"

using namespace mivora;
using namespace mivora::test;

namespace {

// The program in a home of its own, without a relay (no sign-in needed) or with one on the loopback
// account server (every take needs an account).
class FreshHome {
public:
    explicit FreshHome(const std::optional<QUrl>& relay = std::nullopt) {
        QFile info(dir_.filePath("Info.json"));
        info.open(QIODevice::WriteOnly);
        QJsonObject settings{{"CFBundleShortVersionString", "9.9"}};
        if (relay) {
            settings["YarrikProxyURL"] = relay->toString();
            settings["YarrikProxyToken"] = "dev";
        }
        info.write(QJsonDocument(settings).toJson());
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
    // `told`: keep what the program says on stderr for `told()` instead of passing it on.
    QProcess* start(bool told = false) {
        auto* process = new QProcess;
        process->setEnvironment(environment_);
        if (!told) forwardCheckingPainterWarnings(*process);
        process->start(MIVORA_APP_PATH, {});
        processes_.emplace_back(process);
        return process;
    }
    QString settings() const {
        QFile file(dir_.filePath("config/Mivora/Mivora.ini"));
        return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
    }

    // What the last program started said on stderr so far, line by line.
    QStringList told() {
        const QByteArray chunk = processes_.back()->readAllStandardError();
        warnings_.scan(chunk);
        told_ += QString::fromUtf8(chunk);
        return told_.split('\n');
    }

private:
    QTemporaryDir dir_;
    QString told_;
    PainterWarnings warnings_; // in what `told()` keeps
    QStringList environment_;
    std::vector<std::unique_ptr<QProcess>> processes_;
};

// A showing element of process `pid` that `matches`.
BusElement showing(qint64 pid, const std::function<bool(const BusElement&)>& matches) {
    return findElement(pid, [&](const BusElement& e) { return e.has(ATSPI_STATE_SHOWING) && matches(e); });
}

// What process `pid` shows, for a failure's message: every showing element's role and name.
QString whatShows(qint64 pid) {
    QStringList out;
    std::function<void(const BusElement&, int)> walk = [&](const BusElement& e, int depth) {
        if (depth > 40 || !e.has(ATSPI_STATE_SHOWING)) return;
        gchar* role = atspi_accessible_get_role_name(e.node, nullptr);
        if (!e.name().isEmpty()) out << QString::fromUtf8(role ? role : "") + ": " + e.name();
        g_free(role);
        for (int i = 0; i < e.childCount(); ++i)
            if (const BusElement child = e.child(i)) walk(child, depth + 1);
    };
    const BusElement app = busApplication(pid);
    for (int i = 0; app && i < app.childCount(); ++i)
        if (const BusElement window = app.child(i)) walk(window, 0);
    return out.join('\n');
}

// Presses the showing, enabled button named `name` once there is one.
bool pressButton(qint64 pid, const QString& name) {
    BusElement button;
    waitUntil(
        [&] {
            return bool(button = showing(pid, [&](const BusElement& e) {
                            return e.name() == name && e.has(ATSPI_STATE_ENABLED) &&
                                   e.role() == ATSPI_ROLE_PUSH_BUTTON;
                        }));
        },
        desktopDeadlineMs);
    return button && button.press();
}

bool showsText(qint64 pid, const QString& text) {
    return waitUntil(
        [&] { return bool(showing(pid, [&](const BusElement& e) { return e.name() == text; })); },
        desktopDeadlineMs);
}

} // namespace

using WelcomeDesktop = LinuxDesktop;

// A relay build, where every take needs an account: the start's lines and the footer agree that a sign-in
// is missing; a take refused on a lesson brings the welcome to its sign-in page (nothing opens under it),
// where the code field takes the focus once the code is sent; once signed in, the closing page and the
// footer both say ready.
TEST_F(WelcomeDesktop, ARelayBuildSignsInDuringTheWelcomeAndEveryPlaceTellsTheSameReadiness) {
    ASSERT_GE(atspi_init(), 0);
    SystemClock serverClock;
    FakeAccountServer server(serverClock);
    KeychainTokenStore tokens(platform->secrets());
    const auto forget = [&] { QCoro::waitFor(tokens.remove()); };
    forget(); // no sign-in of an earlier test, and none left for a later one
    const std::shared_ptr<void> forgetAfter(nullptr, [&](void*) { forget(); });
    Display* display = XOpenDisplay(nullptr);
    ASSERT_TRUE(display);
    const std::shared_ptr<Display> closeDisplay(display, XCloseDisplay);

    FreshHome home(server.url());
    QProcess* program = home.start(/*told*/ true);
    const qint64 pid = program->processId();
    ASSERT_TRUE(waitUntil(
        [&] { return home.told().filter(QRegularExpression("^(第一次听写之前还差|可以听写了)")).size() > 0; },
        desktopDeadlineMs))
        << home.told().join('\n').toStdString();
    const QStringList told = home.told();
    EXPECT_EQ(told.filter(QRegularExpression("^Veskel 已启动，日志在 /.+/mivora.log$")).size(), 1)
        << told.join('\n').toStdString();
    EXPECT_EQ(told.filter(QRegularExpression("^(可以|第一次|  · )")),
              (QStringList{"第一次听写之前还差：", "  · 还没登录：在主窗口里登录账号以后才能听写"}))
        << told.join('\n').toStdString();
    EXPECT_TRUE(showsText(pid, "还差 1 步")) << "the footer under the welcome agrees";

    // The welcome: its permissions, then its sign-in page before the lessons.
    ASSERT_TRUE(pressButton(pid, "开始"));
    ASSERT_TRUE(showsText(pid, "先打开这几项"));
    ASSERT_TRUE(pressButton(pid, "继续"));
    ASSERT_TRUE(showsText(pid, "登录账号"));
    ASSERT_TRUE(pressButton(pid, "跳过"));
    // On the dictation lesson the hotkey is refused for the sign-in, and the welcome shows its sign-in page.
    const auto onSignInPage = [&] {
        return bool(showing(pid, [](const BusElement& e) { return e.name() == "登录账号"; }));
    };
    ASSERT_TRUE(waitUntil([&] { return !onSignInPage(); }, desktopDeadlineMs));
    const KeyCode hotkey = XKeysymToKeycode(display, XK_Control_R);
    XTestFakeKeyEvent(display, hotkey, True, CurrentTime);
    XSync(display, False);
    EXPECT_TRUE(waitUntil(onSignInPage, desktopDeadlineMs))
        << "the refusal brings the welcome to its sign-in page";
    XTestFakeKeyEvent(display, hotkey, False, CurrentTime);
    XSync(display, False);
    EXPECT_FALSE(shown(pid, "设置", ATSPI_STATE_SELECTED)) << "nothing opened under the welcome";

    // Waits for the shown field named `name` and hands it over in `field`.
    const auto fieldShown = [&](const QString& name, BusElement& field) {
        return waitUntil(
            [&] {
                return bool(field = showing(
                                pid, [&](const BusElement& e) { return e.editable() && e.name() == name; }));
            },
            desktopDeadlineMs);
    };
    const QString email = "new.user@example.com";
    BusElement address;
    ASSERT_TRUE(fieldShown("邮箱", address));
    ASSERT_TRUE(address.setText(email));
    ASSERT_TRUE(pressButton(pid, "发送验证码"));
    ASSERT_TRUE(waitUntil([&] { return !server.codeFor(email).isEmpty(); }, desktopDeadlineMs));
    BusElement code;
    ASSERT_TRUE(fieldShown("验证码", code));
    EXPECT_TRUE(code.has(ATSPI_STATE_FOCUSED)) << "the code field has the focus";
    ASSERT_TRUE(code.setText(server.codeFor(email)));
    ASSERT_TRUE(showsText(pid, "退出登录"));

    // On to the closing page, which now says ready, and out of the welcome: the footer agrees.
    ASSERT_TRUE(pressButton(pid, "继续"));
    // Through the lessons; a press may meet a page still sliding in, so this presses until the closing page.
    const auto closing = [&] {
        return bool(showing(pid, [](const BusElement& e) { return e.name() == "都准备好了"; }));
    };
    QElapsedTimer skipping;
    skipping.start();
    while (!closing() && skipping.elapsed() < 4 * desktopDeadlineMs) {
        if (const BusElement skip = showing(pid, [](const BusElement& e) { return e.name() == "跳过"; }))
            skip.press();
        waitUntil(closing, 1000);
    }
    ASSERT_TRUE(waitUntil(closing, desktopDeadlineMs)) << "the closing page says ready once signed in\n"
                                                       << whatShows(pid).toStdString();
    EXPECT_FALSE(shown(pid, "跳过"));
    ASSERT_TRUE(pressButton(pid, "开始使用"));
    EXPECT_TRUE(showsText(pid, "就绪")) << whatShows(pid).toStdString();
    ::kill(pid_t(pid), SIGTERM);
    EXPECT_TRUE(waitUntil([&] { return program->state() == QProcess::NotRunning; }, desktopDeadlineMs));
}

TEST_F(WelcomeDesktop, AFreshHomeGetsTheWelcomeAndOnceItIsDoneTheNextStartOpensOnHome) {
    ASSERT_GE(atspi_init(), 0);
    FreshHome home;
    QProcess* first = home.start();
    const qint64 pid = first->processId();
    ASSERT_TRUE(waitUntil([&] { return bool(shown(pid, "开始")); }, 30000)) << "the welcome's hero";
    EXPECT_FALSE(shown(pid, "跳过")) << "the hero has no skip";

    ASSERT_TRUE(shown(pid, "开始").press());
    ASSERT_TRUE(waitUntil([&] { return bool(shown(pid, "跳过")); }, 15000));
    // Skip every page, as a user without a microphone or a recogniser would, up to the closing page, which
    // has no "跳过" and ends the welcome with its own button. A press may meet a page still sliding in, so
    // this presses until the closing page shows.
    QElapsedTimer skipping;
    skipping.start();
    while (!shown(pid, "开始使用") && skipping.elapsed() < 60000) {
        if (const BusElement skip = shown(pid, "跳过")) skip.press();
        waitUntil([&] { return bool(shown(pid, "开始使用")); }, 1000);
    }
    // One read of the tree is no proof of absence: a busy program may leave a request of the walk
    // unanswered, and the subtree behind it unseen.
    ASSERT_TRUE(showsText(pid, "开始使用"));
    EXPECT_FALSE(shown(pid, "跳过")) << "the closing page has no skip";
    ASSERT_TRUE(pressButton(pid, "开始使用"));
    EXPECT_TRUE(waitUntil([&] { return !shown(pid, "开始使用"); }, 15000)) << "the welcome has gone";
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
