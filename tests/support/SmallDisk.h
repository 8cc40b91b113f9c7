#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>

#include <cerrno>
#include <cstring>
#include <string>

#include <sys/mount.h>

namespace mivora::test {

// A really small file system (tmpfs) mounted over a test's folder, and a file that fills it to a chosen
// number of spare bytes. Mounting needs the right to (root in CI); `error` says why it could not.
class SmallDisk {
public:
    // `flags` as mount(2) takes them: MS_RDONLY for a disk nothing can be written to.
    explicit SmallDisk(const QString& folder, const char* size = "size=64k", unsigned long flags = 0)
        : mountPoint_(QFile::encodeName(folder)), filler_(folder + "/filler") {
        if (::mount("tmpfs", mountPoint_.constData(), "tmpfs", flags, size) != 0)
            error_ = std::strerror(errno);
    }
    ~SmallDisk() {
        filler_.close();
        if (error_.empty()) ::umount2(mountPoint_.constData(), MNT_DETACH);
    }
    SmallDisk(const SmallDisk&) = delete;

    bool mounted() const { return error_.empty(); }
    const std::string& error() const { return error_; }

    // Fills the disk page by page, then gives `spare` bytes back.
    void fill(qint64 spare = 0) {
        filler_.open(QIODevice::WriteOnly | QIODevice::Unbuffered);
        while (filler_.write(QByteArray(4096, 'f')) == 4096) {
        }
        filler_.resize(filler_.size() - spare);
    }
    // Makes room again.
    void empty() {
        filler_.close();
        filler_.remove();
    }

private:
    QByteArray mountPoint_;
    QFile filler_;
    std::string error_;
};

} // namespace mivora::test
