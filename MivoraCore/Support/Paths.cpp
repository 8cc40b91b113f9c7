#include "Support/Paths.h"

#include "Support/PrivateFiles.h"

#include <QDir>
#include <QFile>

#include <sys/stat.h>
#include <unistd.h>

namespace mivora::Paths {

namespace {
QString envOr(const char* name, const QString& fallback) {
    const QString v = qEnvironmentVariable(name);
    // XDG says relative values are invalid and must be ignored.
    return (!v.isEmpty() && QDir::isAbsolutePath(v)) ? v : fallback;
}

// A folder only this user can change: a file of theirs made 0600 in it can neither be read nor swapped by
// anyone else.
bool usersOwn(const QString& folder) {
    struct stat st {};
    return QDir::isAbsolutePath(folder) && ::stat(QFile::encodeName(folder).constData(), &st) == 0 &&
           S_ISDIR(st.st_mode) && st.st_uid == ::geteuid() && (st.st_mode & (S_IWGRP | S_IWOTH)) == 0;
}
} // namespace

QString home() {
    const QString h = qEnvironmentVariable("HOME");
    return h.isEmpty() ? QDir::homePath() : h;
}

QString appData() {
    return envOr("XDG_DATA_HOME", home() + "/.local/share") + "/Mivora";
}

QString logDir() {
    return envOr("XDG_STATE_HOME", home() + "/.local/state") + "/Mivora";
}

QString developerDir() {
    return home() + "/.yarrik";
}

QString temp() {
    for (const char* name : {"TMPDIR", "XDG_RUNTIME_DIR"}) {
        const QString folder = qEnvironmentVariable(name);
        if (usersOwn(folder)) return folder;
    }
    // A session without a runtime folder: one of the program's own. A folder that cannot be made fails the
    // write that follows, with its reason.
    const QString own = envOr("XDG_CACHE_HOME", home() + "/.cache") + "/Mivora";
    PrivateFiles::makeFolder(own);
    return own;
}

} // namespace mivora::Paths
