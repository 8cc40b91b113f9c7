#include "StartChecks.h"

#include "LegacyRename.h"
#include "MivoraUI/Kit/KitStyle.h"
#include "MivoraUI/Kit/ScrollAreaAccessible.h"
#include "Support/AppLog.h"
#include "Support/BundleInfo.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QProcess>
#include <QStringList>

#include <cstdio>

namespace mivora {

std::optional<int> runStartChecks(int argc, char** argv, const QString& launcher) {
    if (const auto problem = BundleInfo::problem()) {
        std::fputs(qPrintable(*problem + '\n'), stderr);
        return 1;
    }
    const QFileInfo self(launcher);
    const LegacyRename rename{AppLog::write, [&](const QString& folder) {
                                  QStringList arguments;
                                  for (int i = 1; i < argc; ++i)
                                      arguments << QString::fromLocal8Bit(argv[i]);
                                  QProcess::startDetached(folder + "/" + self.fileName(), arguments);
                              }};
    if (rename.run(self.absolutePath())) return 0;
    return std::nullopt;
}

void nameApplication() {
    QCoreApplication::setApplicationName(QStringLiteral("Mivora"));
    QCoreApplication::setOrganizationName(QStringLiteral("Mivora"));
    KitStyle::install();             // a GUI application's controls in the kit's look
    ScrollAreaAccessible::install(); // and its scroll areas safe to walk for a screen reader
}

QString launcherPath() {
    const QFileInfo running(QFileInfo(QStringLiteral("/proc/self/exe")).symLinkTarget());
    return running.absolutePath() + QStringLiteral("/mivora");
}

} // namespace mivora
