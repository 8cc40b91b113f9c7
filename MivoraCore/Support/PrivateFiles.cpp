#include "Support/PrivateFiles.h"

#include "Support/Paths.h"

#include <QFile>
#include <QFileInfo>
#include <QSettings>

#include <cerrno>
#include <cstring>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace mivora::PrivateFiles {

namespace {

constexpr mode_t userOnly = S_IRWXU;
constexpr mode_t othersRights = S_IRWXG | S_IRWXO;
// The program's folders hold a level or two; a deeper tree is nothing it made.
constexpr int deepest = 8;

bool isOwn(const struct stat& st) {
    return st.st_uid == ::geteuid();
}

// The mode with the group's and others' rights taken away. The owner's own rights stay as the owner set
// them: a folder or file they made read-only stays read-only.
mode_t ownersPart(const struct stat& st) {
    return st.st_mode & 07777 & ~othersRights;
}

// Creates the folders missing down to `folder`, each 0700 (set again after mkdir, which the umask narrows).
// 0, or the errno of the step that failed (ENOTDIR where something else stands at a folder's name).
int createMissing(const std::string& folder) {
    struct stat st {};
    if (::stat(folder.c_str(), &st) == 0) return S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    if (errno != ENOENT) return errno;
    const std::string::size_type slash = folder.find_last_of('/');
    if (slash != std::string::npos && slash > 0)
        if (const int error = createMissing(folder.substr(0, slash))) return error;
    if (::mkdir(folder.c_str(), userOnly) != 0) { // another process may have made it meanwhile
        const int error = errno;
        if (error != EEXIST) return error;
        return ::stat(folder.c_str(), &st) == 0 && S_ISDIR(st.st_mode) ? 0 : ENOTDIR;
    }
    ::chmod(folder.c_str(), userOnly);
    return 0;
}

// The entries of the open folder `dir` (closed here). Only the owner can add to or swap entries in a folder
// of theirs, so an entry checked to be no link is still none when it is changed.
void tightenIn(int dir, int depth) {
    DIR* stream = ::fdopendir(dir);
    if (!stream) {
        ::close(dir);
        return;
    }
    const int at = ::dirfd(stream);
    while (const dirent* entry = ::readdir(stream)) {
        const char* name = entry->d_name;
        if (std::strcmp(name, ".") == 0 || std::strcmp(name, "..") == 0) continue;
        struct stat st {};
        if (::fstatat(at, name, &st, AT_SYMLINK_NOFOLLOW) != 0 || !isOwn(st)) continue;
        if ((S_ISDIR(st.st_mode) || S_ISREG(st.st_mode)) && (st.st_mode & othersRights))
            ::fchmodat(at, name, ownersPart(st), 0);
        if (!S_ISDIR(st.st_mode) || depth >= deepest) continue;
        const int sub = ::openat(at, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (sub >= 0) tightenIn(sub, depth + 1);
    }
    ::closedir(stream);
}

} // namespace

int makeFolder(const std::string& given) {
    std::string folder = given;
    while (folder.size() > 1 && folder.back() == '/')
        folder.pop_back();
    struct stat st {};
    const bool existed = ::lstat(folder.c_str(), &st) == 0;
    if (const int error = createMissing(folder)) return error;
    if (existed && S_ISDIR(st.st_mode) && isOwn(st) && (st.st_mode & othersRights))
        ::chmod(folder.c_str(), ownersPart(st));
    return 0;
}

int makeFolder(const QString& folder) {
    return makeFolder(QFile::encodeName(folder).toStdString());
}

void tighten(const QString& folder) {
    const QByteArray path = QFile::encodeName(folder);
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0 || !S_ISDIR(st.st_mode) || !isOwn(st)) return;
    if (st.st_mode & othersRights) ::chmod(path.constData(), ownersPart(st));
    const int dir = ::open(path.constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    if (dir >= 0) tightenIn(dir, 1);
}

void tightenOwn() {
    tighten(Paths::appData());
    // Where the settings store keeps its file (QSettings' own choice of folder, as the store makes it).
    tighten(QFileInfo(QSettings(QSettings::IniFormat, QSettings::UserScope, QStringLiteral("Mivora"),
                                QStringLiteral("Mivora"))
                          .fileName())
                .absolutePath());
    tighten(Paths::logDir());
}

} // namespace mivora::PrivateFiles
