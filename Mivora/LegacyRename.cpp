#include "LegacyRename.h"

#include <QDir>
#include <QFileInfo>

#include <cerrno>
#include <cstdio>

namespace mivora {

bool LegacyRename::run(const QString& folder) const {
    const QFileInfo info(folder);
    if (info.fileName() != QLatin1String(formerName)) return false;
    const QString target = info.dir().filePath(QLatin1String(currentName));
    if (QFileInfo::exists(target) || QFileInfo(target).isSymLink()) return false;
    if (std::rename(QFile::encodeName(info.absoluteFilePath()).constData(),
                    QFile::encodeName(target).constData()) != 0) {
        const int error = errno;
        log("旧文件名改不了：" + QString::number(error));
        return false;
    }
    log(QStringLiteral("Mivora.app 已改名 Veskel.app，从新位置重开"));
    relaunch(target);
    return true;
}

} // namespace mivora
