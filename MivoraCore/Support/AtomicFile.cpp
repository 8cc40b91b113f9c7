#include "Support/AtomicFile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QStorageInfo>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mivora::AtomicFile {

namespace {

// "<name>.mivora-save.<six letters or digits>": a name no user file and no other program's side file has.
const QString sideMark = QStringLiteral(".mivora-save.");

QString sideName(const QString& path) {
    static const char letters[] = "abcdefghijklmnopqrstuvwxyzABCDEFGHIJKLMNOPQRSTUVWXYZ0123456789";
    QString name = path + sideMark;
    for (int i = 0; i < 6; ++i)
        name += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)]);
    return name;
}

// The failure of the last system call (its errno): a full disk or quota whatever the step was, or a write
// that found less room than it needed.
Result failed(int error, const QString& path, qsizetype needed) {
    const QStorageInfo volume(QFileInfo(path).absolutePath());
    const bool full =
        error == ENOSPC || error == EDQUOT || (volume.isValid() && volume.bytesAvailable() < needed);
    return {full ? Failure::diskFull : Failure::other, QString::fromLocal8Bit(std::strerror(error))};
}

} // namespace

Result write(const QString& path, const QByteArray& data) {
    return writeWith(path, data, [](int fd) { return ::fsync(fd) == 0; });
}

Result writeWith(const QString& path, const QByteArray& data, const Sync& sync) {
    const QFileInfo info(path);
    const QString target = info.isSymLink() && info.exists() ? info.canonicalFilePath() : path;
    const QByteArray targetName = QFile::encodeName(target);

    int fd = -1;
    QByteArray side;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        side = QFile::encodeName(sideName(target));
        fd = ::open(side.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return failed(errno, target, 0);

    // What goes wrong after the side file exists removes it; the error is taken before anything else runs.
    const auto giveUp = [&](int error, bool open) {
        if (open) ::close(fd);
        ::unlink(side.constData());
        return failed(error, target, data.size());
    };
    // A replaced file keeps who may read it.
    struct stat old {};
    if (::stat(targetName.constData(), &old) == 0 && ::fchmod(fd, old.st_mode & 07777) != 0)
        return giveUp(errno, true);
    for (qsizetype done = 0; done < data.size();) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR) continue;
        // A write that takes nothing (no error, no byte) is a full disk by another name.
        if (n <= 0) return giveUp(n < 0 ? errno : ENOSPC, true);
        done += n;
    }
    errno = EIO; // what a stand-in sync that fails without a reason means
    if (!sync(fd)) return giveUp(errno, true);
    if (::close(fd) != 0) return giveUp(errno, false);
    if (::rename(side.constData(), targetName.constData()) != 0) return giveUp(errno, false);
    return {};
}

int removeStale(const QString& folder) {
    static const QRegularExpression ours(QStringLiteral("^.+\\.mivora-save\\.[A-Za-z0-9]{6}$"));
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-60);
    int removed = 0;
    for (const QFileInfo& file : QDir(folder).entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (!ours.match(file.fileName()).hasMatch() || file.isSymLink()) continue;
        if (file.lastModified().toUTC() >= before) continue;
        if (QFile::remove(file.absoluteFilePath())) ++removed;
    }
    return removed;
}

} // namespace mivora::AtomicFile
