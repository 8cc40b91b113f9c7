#include "Support/FileLock.h"

#include <QFile>

#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstring>
#include <fcntl.h>
#include <memory>
#include <mutex>
#include <sys/file.h>
#include <thread>
#include <unistd.h>

namespace mivora {

namespace {

// A wait in a thread of its own, so it can be given up; the thread keeps the file open until the lock comes
// and, when nobody waits for it any more, lets go of it at once.
struct Wait {
    std::mutex mutex;
    std::condition_variable done;
    bool finished = false;
    bool abandoned = false;
    int error = 0;
};

} // namespace

void FileLock::fail(int error) {
    errorNumber_ = error;
    error_ = QString::fromLocal8Bit(std::strerror(error));
}

FileLock::FileLock(const QString& path, int timeoutMs) {
    const int fd = ::open(QFile::encodeName(path).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        fail(errno);
        return;
    }
    if (::flock(fd, LOCK_EX | LOCK_NB) == 0) {
        fd_ = fd;
        return;
    }
    if (errno != EWOULDBLOCK || timeoutMs <= 0) {
        fail(errno);
        ::close(fd);
        return;
    }
    // A blocking wait rather than polling: the waiter wakes the moment the holder lets go, where polling
    // would mostly miss the short gaps between the saves of a process that saves in a loop.
    const auto wait = std::make_shared<Wait>();
    std::thread([wait, fd] {
        int result = 0;
        do
            result = ::flock(fd, LOCK_EX);
        while (result != 0 && errno == EINTR);
        const std::lock_guard guard(wait->mutex);
        wait->error = result == 0 ? 0 : errno;
        wait->finished = true;
        if (wait->abandoned || wait->error) ::close(fd);
        wait->done.notify_one();
    }).detach();
    std::unique_lock guard(wait->mutex);
    if (!wait->done.wait_for(guard, std::chrono::milliseconds(timeoutMs), [&] { return wait->finished; })) {
        wait->abandoned = true;
        errorNumber_ = ETIMEDOUT;
        error_ = QStringLiteral("另一个进程一直占着 %1，等了 %2 秒").arg(path).arg(timeoutMs / 1000.0);
    } else if (wait->error) {
        fail(wait->error);
    } else {
        fd_ = fd;
    }
}

FileLock::~FileLock() {
    if (fd_ >= 0) ::close(fd_); // closing the last descriptor lets go of the lock
}

} // namespace mivora
