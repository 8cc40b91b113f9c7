#include "SingleInstancePlaces.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <cstddef>
#include <cstring>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace mivora::SingleInstancePlaces {

namespace {

constexpr std::size_t longestName = sizeof(sockaddr_un::sun_path) - 1;

// What stands at a name, for the log.
QString whatIs(const struct stat& st) {
    if (st.st_uid != ::geteuid()) return QStringLiteral("是别的用户（用户号 %1）的").arg(st.st_uid);
    if (S_ISLNK(st.st_mode)) return QStringLiteral("是个链接");
    return QStringLiteral("不是 Mivora 的");
}

} // namespace

QString temp() {
    const QString test = qEnvironmentVariable("MIVORA_TEST_TMP");
    return QDir::isAbsolutePath(test) ? test : QStringLiteral("/tmp");
}

QString reason(int error) {
    const QString system = QString::fromLocal8Bit(std::strerror(error));
    const auto said = [&](const char* chinese) { return QString::fromUtf8(chinese) + "：" + system; };
    switch (error) {
    case ENOSPC:
    case EDQUOT:
        return said("磁盘空间或能建的文件数用完了");
    case EROFS:
        return said("文件系统是只读的");
    case EACCES:
    case EPERM:
        return said("没有权限");
    case ENAMETOOLONG:
        return said("路径太长");
    case ENOENT:
        return said("不存在");
    case ENOTDIR:
        return said("路径上有一段不是文件夹");
    case EISDIR:
        return said("是个文件夹");
    case ELOOP:
        return said("是个链接");
    case EADDRINUSE:
        return said("这个名字已经有别的程序在用");
    case EMFILE:
    case ENFILE:
        return said("打开的文件太多");
    default:
        return system;
    }
}

QString privateFolderIn(const QString& temp, QString& why, QStringList& done) {
    const QString folder = QDir(temp).filePath(QStringLiteral("mivora-%1").arg(::geteuid()));
    const QByteArray path = QFile::encodeName(folder);
    const auto unusable = [&](const QString& what) {
        why = QStringLiteral("临时文件夹 %1 用不了（%2）").arg(folder, what);
        return QString();
    };
    if (::mkdir(path.constData(), 0700) != 0 && errno != EEXIST) return unusable(reason(errno));
    struct stat st {};
    if (::lstat(path.constData(), &st) != 0) return unusable(reason(errno));
    if (!S_ISDIR(st.st_mode)) return unusable(QStringLiteral("不是文件夹"));
    if (st.st_uid != ::geteuid()) return unusable(QStringLiteral("是别的用户的"));
    if ((st.st_mode & 077) != 0) {
        if (::chmod(path.constData(), 0700) != 0) return unusable(reason(errno));
        done << QStringLiteral("临时文件夹 %1 别的用户也能进，改成了只有自己能进").arg(folder);
    }
    return folder;
}

bool clear(const QString& path, QString& why, QStringList& done) {
    const QByteArray name = QFile::encodeName(path);
    struct stat st {};
    // Nothing there, or nothing to be seen: the file's own use says why, if it fails.
    if (::lstat(name.constData(), &st) != 0) return true;
    // What the user made themselves, but a link, is theirs to keep: a folder of theirs at a lock's name is
    // reported by the open that fails, not removed.
    if (st.st_uid == ::geteuid() && !S_ISLNK(st.st_mode)) return true;
    // Only the folder's owner (this user) can add to or swap the entries of a folder that is theirs and
    // closed to others: what is removed here is what was looked at. The entry itself is never opened.
    const int removed = S_ISDIR(st.st_mode) ? ::rmdir(name.constData()) : ::unlink(name.constData());
    if (removed != 0 && errno != ENOENT) {
        why = QStringLiteral("%1 %2，没有用它，也删不掉（%3）").arg(path, whatIs(st), reason(errno));
        return false;
    }
    done << QStringLiteral("%1 %2，没有用它，把它删掉了").arg(path, whatIs(st));
    return true;
}

bool fits(const QString& place) {
    return std::size_t(place.startsWith('@') ? place.toUtf8().size() : QFile::encodeName(place).size()) <=
           longestName;
}

int listenAt(const QString& place, QString& why) {
    const bool abstract = place.startsWith('@');
    const QByteArray name = abstract ? place.mid(1).toUtf8() : QFile::encodeName(place);
    if (!fits(place)) {
        why = QStringLiteral("%1（本地套接字的路径最多 %2 个字节，这里有 %3 个）")
                  .arg(reason(ENAMETOOLONG))
                  .arg(longestName)
                  .arg(name.size());
        return -1;
    }
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    // An abstract name starts with a zero byte and is as long as the address given, with no end mark.
    std::memcpy(address.sun_path + (abstract ? 1 : 0), name.constData(), std::size_t(name.size()));
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + std::size_t(name.size()) + 1);
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        why = reason(errno);
        return -1;
    }
    const auto failed = [&](bool made) {
        why = reason(errno);
        ::close(fd);
        if (made) ::unlink(name.constData());
        return -1;
    };
    // Only the locks' holder listens, so what lies at the name is what a program that died left.
    if (!abstract && ::unlink(name.constData()) != 0 && errno != ENOENT) return failed(false);
    if (::bind(fd, reinterpret_cast<const sockaddr*>(&address), length) != 0) return failed(false);
    // The folder is closed to others already; the socket is too, whatever the umask.
    if (!abstract && ::chmod(name.constData(), 0600) != 0) return failed(true);
    if (::listen(fd, SOMAXCONN) != 0) return failed(!abstract);
    return fd;
}

bool sameUser(int fd) {
    ucred peer{};
    socklen_t size = sizeof(peer);
    return ::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &peer, &size) == 0 && size == sizeof(peer) &&
           peer.uid == ::geteuid();
}

} // namespace mivora::SingleInstancePlaces
