#include "Support/AppLog.h"

#include "Support/Paths.h"
#include "Support/PrivateFiles.h"

#include <condition_variable>
#include <cstdio>
#include <ctime>
#include <deque>
#include <mutex>
#include <string>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

namespace mivora::AppLog {

namespace {

struct Line {
    std::string dir;
    std::string file;
    std::string bytes;
};

// Appends the line; creates the folder and the file when missing, for the user's eyes only (the log tells
// what they did and when). Every error loses only this line.
void append(const Line& line) {
    PrivateFiles::makeFolder(line.dir);
    const int fd = ::open(line.file.c_str(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) return;
    const char* p = line.bytes.data();
    size_t left = line.bytes.size();
    while (left > 0) {
        const ssize_t n = ::write(fd, p, left);
        if (n <= 0) break;
        p += n;
        left -= size_t(n);
    }
    ::close(fd);
}

class Writer {
public:
    ~Writer() {
        {
            std::lock_guard lock(mutex_);
            stopping_ = true;
        }
        wake_.notify_all();
        if (thread_.joinable()) thread_.join();
    }

    void push(Line line) {
        {
            std::lock_guard lock(mutex_);
            if (!thread_.joinable()) thread_ = std::thread([this] { run(); });
            queue_.push_back(std::move(line));
            ++queued_;
        }
        wake_.notify_all();
    }

    void flush() {
        std::unique_lock lock(mutex_);
        const std::uint64_t target = queued_;
        done_.wait(lock, [&] { return written_ >= target || !thread_.joinable(); });
    }

private:
    void run() {
        std::unique_lock lock(mutex_);
        for (;;) {
            wake_.wait(lock, [&] { return stopping_ || !queue_.empty(); });
            if (queue_.empty() && stopping_) return;
            Line line = std::move(queue_.front());
            queue_.pop_front();
            lock.unlock();
            append(line);
            lock.lock();
            ++written_;
            done_.notify_all();
        }
    }

    std::mutex mutex_;
    std::condition_variable wake_, done_;
    std::deque<Line> queue_;
    std::thread thread_;
    std::uint64_t queued_ = 0, written_ = 0;
    bool stopping_ = false;
};

Writer& writer() {
    // Never destroyed: exit handlers may still log after static destructors have run. The exit path
    // calls flush() so nothing queued is lost.
    static Writer* w = new Writer;
    return *w;
}

// "yyyy-MM-dd HH:mm:ss.SSS" in local time. Formatted with the C library rather than Qt, because the exit
// line is written after Qt's own globals (its locale and time-zone data) have been torn down.
QString localStamp() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    tm local{};
    localtime_r(&now.tv_sec, &local);
    char text[32];
    const size_t n = std::strftime(text, sizeof text, "%Y-%m-%d %H:%M:%S", &local);
    std::snprintf(text + n, sizeof text - n, ".%03ld", long(now.tv_nsec / 1000000));
    return QString::fromLatin1(text);
}

} // namespace

QString dir() {
    return Paths::logDir();
}

QString file() {
    return dir() + "/mivora.log";
}

void write(const QString& message) {
    const QString stamp = localStamp();
    writer().push(
        Line{dir().toStdString(), file().toStdString(), (stamp + "  " + message + "\n").toStdString()});
}

void flush() {
    writer().flush();
}

} // namespace mivora::AppLog
