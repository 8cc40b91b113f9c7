#include "Audio/TakeRecordings.h"

#include "Support/Paths.h"
#include "Support/PrivateFiles.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace mivora {

namespace {

// Removes the recordings, whole or half-written, in every folder a take may have been written to (under any
// of this session's settings: a killed run may have had the same ones).
int removeLeftRecordings() {
    static const QRegularExpression ours(QStringLiteral(
        "^mivora-[0-9A-F]{8}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{4}-[0-9A-F]{12}\\.wav(\\.part)?$"));
    QStringList folders = Paths::sessionTemps();
    folders << Paths::ownTemp();
    int removed = 0;
    for (const QString& folder : folders)
        for (const QFileInfo& file : QDir(folder).entryInfoList({QStringLiteral("mivora-*")}, QDir::Files)) {
            if (file.isSymLink() || !ours.match(file.fileName()).hasMatch()) continue;
            if (QFile::remove(file.absoluteFilePath())) ++removed;
        }
    return removed;
}

} // namespace

TakeRecordings::TakeRecordings(const QString& lockFile, bool removeLeft) {
    PrivateFiles::makeFolder(QFileInfo(lockFile).absolutePath());
    fd_ = ::open(QFile::encodeName(lockFile).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    // Without the lock nothing is removed: a running copy's recording could be among the files.
    if (fd_ < 0) return;
    if (removeLeft && ::flock(fd_, LOCK_EX | LOCK_NB) == 0) removed_ = removeLeftRecordings();
    // Held exclusively only by a start that is removing files, which takes moments: the wait for it is short.
    while (::flock(fd_, LOCK_SH) != 0 && errno == EINTR) {
    }
}

TakeRecordings::~TakeRecordings() {
    if (fd_ >= 0) ::close(fd_);
}

QString TakeRecordings::defaultLock() {
    return Paths::appData() + QStringLiteral("/recordings.lock");
}

} // namespace mivora
