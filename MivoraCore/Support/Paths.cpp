#include "Support/Paths.h"

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

QStringList sessionTemps() {
    QStringList folders;
    for (const char* name : {"TMPDIR", "XDG_RUNTIME_DIR"}) {
        const QString folder = QDir::cleanPath(qEnvironmentVariable(name));
        if (usersOwn(folder) && !folders.contains(folder)) folders << folder;
    }
    return folders;
}

QString ownTemp() {
    return envOr("XDG_CACHE_HOME", home() + "/.cache") + "/Mivora";
}

} // namespace mivora::Paths
