#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>

#include <cerrno>
#include <cstring>

#include <sys/mount.h>

namespace mivora::test {

// A small file system of its own (tmpfs, 64 KiB) mounted over a temporary folder for the life of the object,
// which a test fills to the last byte or page. Mounting needs root (as in CI); `skipReason` says why there
// is none.
class FullDisk {
public:
    FullDisk() {
        if (::mount("tmpfs", QFile::encodeName(dir_.path()).constData(), "tmpfs", MS_NOSUID | MS_NODEV,
                    "size=64k,mode=0700") == 0)
            mounted_ = true;
        else
            skipReason_ = QStringLiteral("no tmpfs could be mounted here (%1)").arg(std::strerror(errno));
    }
    ~FullDisk() {
        filler_.close();
        if (mounted_) ::umount2(QFile::encodeName(dir_.path()).constData(), MNT_DETACH);
    }
    FullDisk(const FullDisk&) = delete;

    bool mounted() const { return mounted_; }
    const QString& skipReason() const { return skipReason_; }
    QString path(const QString& name) const { return dir_.filePath(name); }

    // Takes every free byte but `spare` (whole pages) with a filler file.
    void fill(qint64 spare = 0) {
        filler_.setFileName(dir_.filePath(".filler"));
        filler_.open(QIODevice::WriteOnly | QIODevice::Append | QIODevice::Unbuffered);
        const QByteArray page(4096, 'f');
        while (filler_.write(page) == page.size()) {
        }
        filler_.resize(std::max<qint64>(0, filler_.size() - spare));
    }
    // Gives the filler's room back.
    void makeRoom() {
        filler_.close();
        filler_.remove();
    }
    // The folder's files, the filler not counted.
    QStringList files() const { return QDir(dir_.path()).entryList(QDir::Files); }

private:
    QTemporaryDir dir_;
    QFile filler_;
    bool mounted_ = false;
    QString skipReason_;
};

} // namespace mivora::test
