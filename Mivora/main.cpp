#include "Dictation/AppLog.h"
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

    AppLog::write(QStringLiteral("启动 ") + BundleInfo::value("CFBundleShortVersionString").value_or("?") +
                  " (" + BundleInfo::value("CFBundleVersion").value_or("?") + ")");
    return 0;
}
