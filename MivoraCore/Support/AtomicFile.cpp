#include "Support/AtomicFile.h"

#include <QFileInfo>
#include <QSaveFile>
#include <QStorageInfo>

namespace mivora::AtomicFile {

namespace {

// What went wrong with `file`, which is then given up (its side file removed, the old file untouched).
Result failed(QSaveFile& file, qsizetype needed) {
    // A write cut short by a full disk may be reported as a plain write error: the free space tells.
    const QStorageInfo volume(QFileInfo(file.fileName()).absolutePath());
    const bool full =
        file.error() == QFileDevice::ResourceError || (volume.isValid() && volume.bytesAvailable() < needed);
    Result result{full ? Failure::diskFull : Failure::other, file.errorString()};
    file.cancelWriting();
    return result;
}

} // namespace

Result write(const QString& path, const QByteArray& data) {
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) return failed(file, data.size());
    if (file.write(data) != data.size() || !file.flush()) return failed(file, data.size());
    if (!file.commit()) return failed(file, data.size());
    return {};
}

} // namespace mivora::AtomicFile
