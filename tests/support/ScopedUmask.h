#pragma once

#include <QDirIterator>
#include <QFile>
#include <QStringList>

#include <string>

#include <sys/stat.h>

namespace mivora::test {

// Sets the process's umask for the life of the object (022: the usual one, under which new files are readable
// by everyone) and puts the old one back afterwards.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask = 022) : old_(::umask(mask)) {}
    ~ScopedUmask() { ::umask(old_); }
    ScopedUmask(const ScopedUmask&) = delete;

private:
    mode_t old_;
};

// The rights of what is at `path` (a link itself, not what it points at) in octal: "700".
inline QString modeOf(const QString& path) {
    struct stat st {};
    if (::lstat(QFile::encodeName(path).constData(), &st) != 0) return QStringLiteral("missing");
    return QString::number(st.st_mode & 07777, 8);
}

// `folder` and what is in it that is not a 0700 folder or a 0600 file: "<path> <mode>" ("link" for a link),
// one a line.
inline std::string notPrivate(const QString& folder) {
    QStringList out;
    QDirIterator it(folder, QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    for (QString path = folder; !path.isEmpty(); path = it.hasNext() ? it.next() : QString()) {
        const QFileInfo info(path);
        const QString mode = info.isSymLink() ? QStringLiteral("link") : modeOf(path);
        if (mode != (info.isDir() ? "700" : "600")) out << path + ' ' + mode;
    }
    return out.join('\n').toStdString();
}

} // namespace mivora::test
