#include "Platform/Linux/LinuxPlatform.h"
#include "RecognizeMode.h"
#include "Support/AppLog.h"
#include "Support/BundleInfo.h"
#include "Support/Clock.h"
#include "Support/Defaults.h"
#include "Support/Scheduler.h"

#include <QApplication>
#include <QCoreApplication>

#include <cstdio>
#include <cstdlib>
#include <cstring>

using namespace mivora;

namespace {

// The audio file after "-recognize", or null. A switch without its value is ignored.
const char* recognizeArgument(int argc, char** argv) {
    for (int i = 1; i + 1 < argc; ++i)
        if (std::strcmp(argv[i], "-recognize") == 0) return argv[i + 1];
    return nullptr;
}

bool hasDisplay() {
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char** argv) {
    std::atexit([] {
        AppLog::write(QStringLiteral("进程退出（exit）"));
        AppLog::flush();
    });

    // Diagnostic modes end the process; they need no desktop, so they run without a GUI application.
    if (const char* audioFile = recognizeArgument(argc, argv)) {
        QCoreApplication app(argc, argv);
        QCoreApplication::setApplicationName(QStringLiteral("Mivora"));
        QCoreApplication::setOrganizationName(QStringLiteral("Mivora"));
        return runRecognizeMode(QString::fromLocal8Bit(audioFile));
    }

    if (!hasDisplay()) {
        std::fputs("Mivora 需要图形桌面：没有找到 X11 显示（DISPLAY 未设置）\n", stderr);
        return 1;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mivora"));
    QApplication::setOrganizationName(QStringLiteral("Mivora"));
    QApplication::setQuitOnLastWindowClosed(false);

    AppLog::write(QStringLiteral("启动 ") + BundleInfo::value("CFBundleShortVersionString").value_or("?") +
                  " (" + BundleInfo::value("CFBundleVersion").value_or("?") + ")");
    // The one place that decides which desktop, clock, timers and settings the services run on. Declared
    // after the application object, so they go before it.
    SystemClock clock;
    QtScheduler scheduler;
    SettingsDefaults defaults;
    const std::unique_ptr<Platform> platform = LinuxPlatform::make(defaults, clock, scheduler);
    return 0;
}
