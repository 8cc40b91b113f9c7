#include "Dictation/AppLog.h"
#include "RecognizeMode.h"
#include "Support/BundleInfo.h"

#include <QApplication>

#include <cstdlib>

using namespace mivora;

int main(int argc, char** argv) {
    std::atexit([] {
        AppLog::write(QStringLiteral("进程退出（exit）"));
        AppLog::flush();
    });
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Mivora"));
    QApplication::setOrganizationName(QStringLiteral("Mivora"));
    QApplication::setQuitOnLastWindowClosed(false);

    // Diagnostic modes end the process. A switch without its value is ignored.
    const QStringList args = QApplication::arguments();
    if (const qsizetype i = args.indexOf(QStringLiteral("-recognize")); i >= 0 && i + 1 < args.size())
        return runRecognizeMode(args[i + 1]);

    AppLog::write(QStringLiteral("启动 ") + BundleInfo::value("CFBundleShortVersionString").value_or("?") +
                  " (" + BundleInfo::value("CFBundleVersion").value_or("?") + ")");
    return 0;
}
