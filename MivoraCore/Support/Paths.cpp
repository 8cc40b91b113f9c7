#include "Support/Paths.h"

#include <QDir>

namespace mivora::Paths {

namespace {
QString envOr(const char* name, const QString& fallback) {
    const QString v = qEnvironmentVariable(name);
    // XDG says relative values are invalid and must be ignored.
    return (!v.isEmpty() && QDir::isAbsolutePath(v)) ? v : fallback;
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
    return envOr("TMPDIR", QStringLiteral("/tmp"));
}

} // namespace mivora::Paths
