#include "AccountWiring.h"
#include "AppDelegate.h"
#include "Audio/TakeRecordings.h"
#include "Cloud/CloudRecognizer.h"
#include "CommandLine.h"
#include "DebugChipListener.h"
#include "DesktopBrowserSheet.h"
#include "ExitLog.h"
#include "HudWiring.h"
#include "MivoraUI/HUD/HUDPanel.h"
#include "Modes/AccountTestMode.h"
#include "Modes/AppleTestMode.h"
#include "Modes/MicTestMode.h"
#include "Modes/RecognizeMode.h"
#include "Modes/RenderMode.h"
#include "Modes/SelfTest.h"
#include "Modes/SelfTestSource.h"
#include "Modes/SyncTestMode.h"
#include "Modes/VaultTestMode.h"
#include "Platform/KeySource.h"
#include "Platform/KeyboardProbe.h"
#include "Platform/Linux/AutostartLoginItem.h"
#include "Platform/Linux/KeychainSecretStore.h"
#include "Platform/Linux/LinuxPlatform.h"
#include "Platform/Offscreen/MemoryLoginItem.h"
#include "Platform/Offscreen/OffscreenPlatform.h"
#include "Platform/PlatformWords.h"
#include "SchemeHandlerEntry.h"
#include "SingleInstance.h"
#include "StartChecks.h"
#include "StartNotes.h"
#include "SuggestWiring.h"
#include "Support/AppLog.h"
#include "Support/Clock.h"
#include "Support/Defaults.h"
#include "Support/HttpClient.h"
#include "Support/PrivateFiles.h"
#include "Support/Scheduler.h"
#include "SyncWiring.h"
#include "TerminationSignals.h"
#include "TrayIcon.h"

#include <QApplication>
#include <QCoreApplication>
#include <QFile>
#include <QFileInfo>

#include <cstdio>
#include <cstdlib>
#include <optional>

using namespace mivora;

namespace {

// The program watches keys, reads the caret and pastes through X11, so it runs on an X11 display (on a
// Wayland desktop, XWayland's) even where Qt would pick Wayland; only the offscreen platform (drawing without
// a desktop) is left as chosen. Without an X11 display: why, in a line for stderr (before Qt would abort).
std::optional<QString> chooseX11() {
    if (qgetenv("QT_QPA_PLATFORM") == "offscreen") return std::nullopt;
    if (qEnvironmentVariableIsEmpty("DISPLAY")) {
        if (!qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
            return QStringLiteral(
                "Mivora 需要 X11 显示：这是 Wayland 会话，但没有 X11 显示（DISPLAY 未设置）。"
                "请开启 XWayland（它提供 X11 显示）后再启动");
        return QStringLiteral("Mivora 需要图形桌面：没有找到 X11 显示（DISPLAY 未设置）");
    }
    qputenv("QT_QPA_PLATFORM", "xcb");
    return std::nullopt;
}

// Says why the program cannot run; the exit status.
int refuse(const QString& why) {
    std::fputs(qPrintable(why + '\n'), stderr);
    return 1;
}

int runDiagnostic(const CommandLine::Launch& launch) {
    if (launch.mode == "-mictest") return runMicTestMode();
    if (launch.mode == "-recognize") return runRecognizeMode(*launch.path);
    if (launch.mode == "-synctest") return runSyncTestMode();
    if (launch.mode == "-vaulttest") {
        KeychainSecretStore secrets;
        QTextStream out(stdout);
        return runVaultTestMode(secrets, out);
    }
    if (launch.mode == "-accounttest") return runAccountTestMode(*launch.path);
    std::fprintf(stderr, "%s 这个诊断模式还没有做好，这一版里用不了\n", qPrintable(launch.mode));
    return 1;
}

} // namespace

int main(int argc, char** argv) {
    // Started by the browser with a sign-in callback: hand it to the running program and end (before the
    // exit log is set up, so this start leaves no exit line).
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    if (const auto callback = SchemeHandlerEntry::callbackIn(arguments)) {
        QCoreApplication app(argc, argv);
        nameApplication();
        return SchemeHandlerEntry::handOver(*callback, SingleInstance::defaultPlaces());
    }

    ExitLog::install();
    const CommandLine commandLine(argc, argv);
    const CommandLine::Launch launch = commandLine.launch();

    if (launch.kind == CommandLine::Launch::Kind::render) {
        // Drawn without a desktop, before anything else starts.
        qputenv("QT_QPA_PLATFORM", "offscreen");
        QApplication app(argc, argv);
        nameApplication();
        return runRenderMode(*launch.path);
    }

    const QFileInfo self(launcherPath());
    if (const auto ended = runStartChecks(argc, argv, self.absoluteFilePath())) return *ended;
    // Data, settings and log an earlier version left open to every local user become the user's alone.
    PrivateFiles::tightenOwn();

    // Diagnostic modes end the process; they need no desktop, so they run without a GUI application.
    if (launch.kind == CommandLine::Launch::Kind::diagnostic && launch.mode == "-appletest") {
        if (const auto why = chooseX11()) return refuse(*why);
        QApplication app(argc, argv); // its window and the waiting dialog need the desktop
        nameApplication();
        return runAppleTestMode(commandLine.has("-google"));
    }
    if (launch.kind == CommandLine::Launch::Kind::diagnostic) {
        QCoreApplication app(argc, argv);
        nameApplication();
        return runDiagnostic(launch);
    }

    if (const auto why = chooseX11()) return refuse(*why);
    QApplication app(argc, argv);
    nameApplication();
    QApplication::setQuitOnLastWindowClosed(false);

    // The self-test runs beside a running program, on memories of its own, and hands nothing over.
    const bool selfTest = launch.kind == CommandLine::Launch::Kind::selfTest;
    SingleInstance instance(SingleInstance::defaultPlaces());
    if (!selfTest && !instance.claim()) {
        // Another copy runs: it shows its window, however long it takes to answer. This start was only a
        // request, so it leaves no exit line.
        QtScheduler pauses;
        const SingleInstance::Delivery delivery = QCoro::waitFor(instance.askRunningToReopen(pauses));
        for (const QString& note : instance.notes())
            AppLog::write(note);
        switch (delivery) {
        case SingleInstance::Delivery::taken:
            std::_Exit(0);
        case SingleInstance::Delivery::noAnswer:
            // It may still show its window once it goes on.
            std::fputs("Mivora 已经在运行，但一直没有回应，它的窗口可能稍后才出现：如果一直没有出现，"
                       "结束正在运行的 Mivora 再启动\n",
                       stderr);
            std::_Exit(1);
        case SingleInstance::Delivery::nowhere: {
            const QString why = QStringLiteral(
                "Mivora 已经在运行（它占着单实例锁），但在它能监听的地方都连不上它：它可能在另一台共用这个"
                "主文件夹的电脑上运行，或者没能建起监听（它的日志里说了原因）。结束正在运行的 Mivora 再启动");
            AppLog::write(why);
            std::fputs(qPrintable(why + '\n'), stderr);
            std::_Exit(1);
        }
        case SingleInstance::Delivery::notRunning:
            break; // the copy that ran has ended: this one runs
        case SingleInstance::Delivery::unknown: {
            // Nobody answered where a running copy listens, so most likely none runs; but that cannot be
            // made sure of, and two copies would each insert every take and lose each other's memories.
            const QString why =
                instance.lockProblem() +
                QStringLiteral("。没法确认是不是已经有一个 Mivora 在运行，这次没有启动，免得开出"
                               "两个、每句话填两遍：让上面的文件夹能写（或空出磁盘空间）后再启动");
            AppLog::write(why);
            return refuse(why);
        }
        }
    } else if (!selfTest) {
        // What was done to keep the single-copy places the user's alone.
        for (const QString& note : instance.notes())
            AppLog::write(note);
    }
    // One of the locks serves where another cannot be had: still one copy, but the reason is worth a line.
    if (!selfTest && !instance.lockProblem().isEmpty())
        AppLog::write(instance.lockProblem() + QStringLiteral("；另一把单实例锁用得了，照样只开一个 Mivora"));
    if (!selfTest && !instance.listen())
        AppLog::write(
            QStringLiteral("单实例监听没建起来（%1）：再次运行 mivora 不会开第二个，但叫不出这一个的"
                           "窗口，浏览器登录的结果也送不到这里")
                .arg(instance.listenProblem()));
    else if (!selfTest && !instance.listenProblem().isEmpty())
        AppLog::write(
            QStringLiteral("单实例监听改在 %1（%2）").arg(instance.listeningAt(), instance.listenProblem()));
    // Held for the whole run, so no later start takes this run's recordings for ones a killed run left. The
    // self-test leaves the removing to the program.
    const TakeRecordings recordings(TakeRecordings::defaultLock(), !selfTest);
    if (recordings.removed())
        AppLog::write(QStringLiteral("删掉了上次中断时留下的 %1 个临时录音文件").arg(recordings.removed()));
    // The browser's way back after a web sign-in names the running program; a self-test (often run from a
    // build folder) leaves it pointing where it was.
    if (!selfTest && !SchemeHandlerEntry::install(self.absoluteFilePath()))
        AppLog::write(QStringLiteral("登录回调的桌面入口没写进去：浏览器登录后回不到 Mivora"));

    // The one place that decides which desktop, clock, timers and settings the services run on. Declared
    // after the application object, so they go before it.
    SystemClock clock;
    QtScheduler scheduler;
    // The self-test reads the user's settings but leaves them, its usage counters among them, as they were.
    SettingsDefaults defaults(selfTest ? SettingsDefaults::Saving::inMemoryOnly
                                       : SettingsDefaults::Saving::toFile);
    const std::unique_ptr<Platform> platform = QApplication::platformName() == "offscreen"
                                                   ? OffscreenPlatform::make()
                                                   : LinuxPlatform::make(defaults, clock, scheduler);
    const std::unique_ptr<LoginItem> loginItem =
        QApplication::platformName() == "offscreen"
            ? std::unique_ptr<LoginItem>(std::make_unique<MemoryLoginItem>())
            : std::make_unique<AutostartLoginItem>(self.absoluteFilePath());
    HttpClient network(scheduler);
    // Sign-in with Apple or Google opens the default browser; its callback comes back through a second start.
    DesktopBrowserSheet browser(&DesktopBrowserSheet::openInDefaultBrowser, {});
    QObject::connect(&instance, &SingleInstance::urlReceived, &browser, &DesktopBrowserSheet::deliver);
    std::unique_ptr<HUDPanel> hud;    // outlives the delegate, whose hooks point at it
    SelfTestSource* played = nullptr; // the self-test's file source, owned by the voice controller
    AppDelegate delegate({*platform, defaults, clock, scheduler, network,
                          selfTest ? std::nullopt : std::optional(MemoryStore::defaultFile()), AppLog::write,
                          selfTest ? std::function([&]() -> std::unique_ptr<AudioSource> {
                              auto source = std::make_unique<SelfTestSource>(scheduler);
                              played = source.get();
                              return source;
                          })
                                   : nullptr});
    delegate.hooks.loginItem = loginItem.get();
    delegate.hooks.browser = &browser;
    SuggestWiring suggestions(delegate, *platform, defaults, scheduler, clock, AppLog::write);
    // The self-test leaves the user's account alone: no stored sign-in is read and nothing is synced, so
    // its test memories never reach the vault and the user's never reach its report.
    std::optional<AccountWiring> account;
    std::optional<SyncWiring> sync;
    if (!selfTest) {
        account.emplace(delegate, *platform, network, defaults, clock, scheduler);
        sync.emplace(delegate, account->account(), *platform, clock, scheduler);
    }
    QObject::connect(&instance, &SingleInstance::reopenRequested, &delegate, &AppDelegate::reopen);
    TerminationSignals quitOnSignals;
    QObject::connect(&app, &QCoreApplication::aboutToQuit, [] { ExitLog::willTerminate(); });
    ExitLog::guardEventLoop();

    // The self-test checks the way from the take to the text; whether the relay takes the request without
    // an account is the relay's answer to give, so the take is not held back for a sign-in here.
    if (selfTest) delegate.hooks.needsSignIn = {};
    // Nor does it paste into whatever the user has in front: only into a window of its own class.
    if (selfTest) delegate.inserter().onlyInto = SelfTest::ownWindowClass;
    hud = wireHud(delegate, defaults);
    delegate.launch(selfTest);
    // The running program answers the developer's request for the test strip; a self-test beside it
    // leaves that to it.
    std::unique_ptr<DebugChipListener> debugChip;
    if (!selfTest) debugChip = std::make_unique<DebugChipListener>(suggestions.controller(), AppLog::write);
    followVoice(delegate, *hud);
    if (account) account->start();
    // Once the stored sign-in is known (at once when recognition needs no account).
    const auto tellWhatIsLeft = [&] {
        SetupModel& setup = delegate.setup();
        setup.refresh();
        StartNotes::print({AppLog::file(), setup.missing(),
                           platform->keyboard().hotkeyState(KeySource::fnKeyName(defaults)) ==
                               KeyboardProbe::KeyState::taken,
                           CloudRecognizer::keyFile(), TrayIcon::trayAvailable(),
                           PlatformWords::hotkeyName(defaults)});
    };
    if (!selfTest) {
        if (!AccountService::loginRequired() || account->restored())
            tellWhatIsLeft();
        else
            QObject::connect(&*account, &AccountWiring::restoreFinished, &app, tellWhatIsLeft,
                             Qt::SingleShotConnection);
    }
    if (selfTest) {
        QTextStream out(stdout);
        SelfTest test({delegate.controller(), delegate.hooks.suggestController, delegate.setup(), *played,
                       delegate.memories(), scheduler, clock, AppLog::dir()});
        // Cut short, it has not passed.
        quitOnSignals.onSignal = [&](int signal) { QCoreApplication::exit(test.interrupted(signal, out)); };
        // Queued: a cases file refused at once ends the run before the event loop is there to leave.
        test.run(*launch.path, out).then([&app](int status) {
            QMetaObject::invokeMethod(
                &app, [status] { QCoreApplication::exit(status); }, Qt::QueuedConnection);
        });
        return app.exec();
    }
    const int status = app.exec();
    // The window's pages use the services wired below the delegate, which go before it.
    delegate.closeMainWindow();
    return status;
}
