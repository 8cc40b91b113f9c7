#pragma once

#include <QByteArray>
#include <QFile>
#include <QString>
#include <QTest>

#include <cerrno>
#include <csignal>
#include <cstddef>
#include <cstring>
#include <fcntl.h>
#include <grp.h>
#include <optional>
#include <poll.h>
#include <sys/file.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

namespace mivora::test {

// A program of another user's (`uid`, `gid`): it holds the lock on `lockFile` and listens on the socket
// `socketFile` (either may be empty), each made and owned by that user, and passes on whatever reaches the
// socket. A child process that runs as that user (making another user's files needs root); it ends with the
// object.
class StrangersListener {
public:
    StrangersListener(const QString& lockFile, const QString& socketFile, uid_t uid, gid_t gid) {
        // Nothing but system calls after the fork: the test is a process of many threads.
        const QByteArray lock = QFile::encodeName(lockFile), socket = QFile::encodeName(socketFile);
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        if (std::size_t(socket.size()) >= sizeof(address.sun_path)) return;
        std::memcpy(address.sun_path, socket.constData(), std::size_t(socket.size()));
        int ready[2], report[2];
        if (::pipe(ready) != 0 || ::pipe2(report, O_NONBLOCK) != 0) return;
        child_ = ::fork();
        if (child_ == 0) {
            const auto fail = [] { ::_exit(1); };
            if (!lock.isEmpty()) {
                const int fd = ::open(lock.constData(), O_RDWR | O_CREAT, 0600);
                if (fd < 0 || ::fchown(fd, uid, gid) != 0 || ::flock(fd, LOCK_EX | LOCK_NB) != 0) fail();
            }
            const int listener = ::socket(AF_UNIX, SOCK_STREAM, 0);
            if (!socket.isEmpty()) {
                ::unlink(socket.constData());
                if (::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address)) != 0 ||
                    ::chown(socket.constData(), uid, gid) != 0)
                    fail();
            }
            // The socket's peer is who listens, as the system tells it a connecting program.
            if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0) fail();
            if (!socket.isEmpty() && ::listen(listener, 8) != 0) fail();
            if (::write(ready[1], "r", 1) != 1) fail();
            while (true) {
                const int connection = ::accept(listener, nullptr, nullptr);
                char bytes[512];
                ssize_t n = 0;
                while (connection >= 0 && (n = ::read(connection, bytes, sizeof bytes)) > 0)
                    if (::write(report[1], bytes, std::size_t(n)) != n) fail();
                if (connection >= 0) ::close(connection);
            }
        }
        ::close(ready[1]);
        ::close(report[1]);
        report_ = report[0];
        pollfd wait{ready[0], POLLIN, 0};
        char r = 0;
        ready_ = ::poll(&wait, 1, 30000) == 1 && ::read(ready[0], &r, 1) == 1;
        ::close(ready[0]);
    }
    ~StrangersListener() {
        if (child_ > 0) {
            ::kill(child_, SIGKILL);
            ::waitpid(child_, nullptr, 0);
        }
        if (report_ >= 0) ::close(report_);
    }
    StrangersListener(const StrangersListener&) = delete;

    bool ready() const { return ready_; }
    // What reached the socket so far.
    QByteArray received() {
        QByteArray all;
        char bytes[512];
        ssize_t n = 0;
        while (report_ >= 0 && (n = ::read(report_, bytes, sizeof bytes)) > 0)
            all.append(bytes, n);
        return all;
    }

private:
    pid_t child_ = -1;
    int report_ = -1;
    bool ready_ = false;
};

// What the program listening at `place` (a path, or "@" and a name in the abstract namespace) answers to
// `line` from a program of another user's (`uid`, `gid`), until it closes the connection or for ten seconds;
// the event loop runs meanwhile. Nothing when no connection could be made.
inline std::optional<QByteArray> askAsStranger(const QString& place, const QByteArray& line, uid_t uid,
                                               gid_t gid) {
    const bool abstract = place.startsWith('@');
    const QByteArray name = abstract ? place.mid(1).toUtf8() : QFile::encodeName(place);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    if (std::size_t(name.size()) >= sizeof(address.sun_path)) return std::nullopt;
    std::memcpy(address.sun_path + (abstract ? 1 : 0), name.constData(), std::size_t(name.size()));
    const auto length = socklen_t(offsetof(sockaddr_un, sun_path) + std::size_t(name.size()) + 1);
    int answer[2];
    if (::pipe2(answer, O_NONBLOCK) != 0) return std::nullopt;
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        if (::setgroups(0, nullptr) != 0 || ::setgid(gid) != 0 || ::setuid(uid) != 0 ||
            ::connect(fd, reinterpret_cast<sockaddr*>(&address), length) != 0)
            ::_exit(2);
        if (::write(fd, line.constData(), std::size_t(line.size())) != line.size()) ::_exit(1);
        pollfd wait{fd, POLLIN, 0};
        char bytes[512];
        ssize_t n = 0;
        while (::poll(&wait, 1, 10000) == 1 && (n = ::read(fd, bytes, sizeof bytes)) > 0)
            if (::write(answer[1], bytes, std::size_t(n)) != n) ::_exit(1);
        ::_exit(0);
    }
    ::close(answer[1]);
    int status = 0;
    (void)QTest::qWaitFor([&] { return ::waitpid(child, &status, WNOHANG) == child; }, 30000);
    QByteArray all;
    char bytes[512];
    ssize_t n = 0;
    while ((n = ::read(answer[0], bytes, sizeof bytes)) > 0)
        all.append(bytes, n);
    ::close(answer[0]);
    if (!WIFEXITED(status) || WEXITSTATUS(status) == 2) return std::nullopt;
    return all;
}

} // namespace mivora::test
