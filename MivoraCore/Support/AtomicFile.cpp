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

// The file that `path` names once every symbolic link on the way is followed, so a link (even one whose
// file is not there yet) stays a link and the file it points to is the one written; empty for a loop.
QString linkedFile(const QString& path) {
    QString file = QFileInfo(path).absoluteFilePath();
    for (int hops = 0; hops < 40; ++hops) {
        const QFileInfo info(file);
        if (!info.isSymLink()) return file;
        file = info.symLinkTarget();
    }
    return {};
}

// False for a file or folder that is there without its owner's write right.
bool ownerMayWrite(const QByteArray& path) {
    struct stat st {};
    return ::stat(path.constData(), &st) != 0 || (st.st_mode & S_IWUSR);
}

} // namespace

Result write(const QString& path, const QByteArray& data) {
    return writeWith(path, data, [](int fd) { return ::fsync(fd) == 0; });
}

Result writeWith(const QString& path, const QByteArray& data, const Sync& sync) {
    const QString target = linkedFile(path);
    if (target.isEmpty()) return failed(ELOOP, path, 0);
    const QByteArray targetName = QFile::encodeName(target);
    // The owner's own write right is the owner's word, even where the system would let this process write
    // (a file is replaced by a rename, which its mode does not stop; root passes every check): a file or
    // folder the user made read-only is left as it is.
    if (!ownerMayWrite(targetName) || !ownerMayWrite(QFile::encodeName(QFileInfo(target).absolutePath())))
        return failed(EACCES, target, 0);

    int fd = -1;
    QByteArray side;
    for (int attempt = 0; fd < 0 && attempt < 100; ++attempt) {
        side = QFile::encodeName(sideName(target));
        fd = ::open(side.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
        if (fd < 0 && errno != EEXIST) break;
    }
    if (fd < 0) return failed(errno, target, 0);

    // What goes wrong after the side file exists removes it; the error is taken before anything else runs.
    const auto giveUp = [&](int error, bool open) {
        if (open) ::close(fd);
        ::unlink(side.constData());
        return failed(error, target, data.size());
    };
    // A replaced file keeps who may read it (a user's own file may be shared on purpose); a new one is the
    // user's alone, whatever the umask.
    struct stat old {};
    const bool replacing = ::stat(targetName.constData(), &old) == 0;
    const mode_t mode = replacing ? old.st_mode & 07777 : 0600;
    if (::fchmod(fd, mode) != 0) return giveUp(errno, true);
    for (qsizetype done = 0; done < data.size();) {
        const ssize_t n = ::write(fd, data.constData() + done, size_t(data.size() - done));
        if (n < 0 && errno == EINTR) continue;
        // A write that takes nothing (no error, no byte) is a full disk by another name.
        if (n <= 0) return giveUp(n < 0 ? errno : ENOSPC, true);
        done += n;
    }
    // The new file is later than the one it replaces, to the millisecond, even within one tick of the file
    // system's clock: a reader that keeps what it read for as long as size and time stay the same (QSettings
    // does) would otherwise miss a new version of the same size.
    struct stat now {};
    const auto ms = [](const timespec& t) { return qint64(t.tv_sec) * 1000 + t.tv_nsec / 1000000; };
    if (replacing && ::fstat(fd, &now) == 0 && ms(now.st_mtim) <= ms(old.st_mtim)) {
        const qint64 later = ms(old.st_mtim) + 1;
        const timespec times[2] = {{0, UTIME_OMIT}, {time_t(later / 1000), long(later % 1000) * 1000000}};
        ::futimens(fd, times);
    }
    errno = EIO; // what a stand-in sync that fails without a reason means
    if (!sync(fd)) return giveUp(errno, true);
    if (::close(fd) != 0) return giveUp(errno, false);
    if (::rename(side.constData(), targetName.constData()) != 0) return giveUp(errno, false);

    // The new name is an entry of the folder: until the folder is on the disk too, a power cut can bring
    // the old file back.
    const int folder = ::open(QFile::encodeName(QFileInfo(target).absolutePath()).constData(),
                              O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    // A folder that may be written but not read (a drop box) cannot be opened to sync: the new file is in
    // place, and no retry would do better.
    if (folder < 0) return {};
    errno = EIO;
    const bool synced = sync(folder);
    const int error = errno;
    ::close(folder);
    // EINVAL: a file system that has no way to sync a folder (it keeps no journal of names to flush).
    if (!synced && error != EINVAL) return failed(error, target, 0);
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
