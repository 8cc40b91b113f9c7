#include "ExitLog.h"

#include "Support/AppLog.h"

#include <QCoreApplication>

#include <cstdlib>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <unistd.h>

namespace mivora::ExitLog {

namespace {

// Read by the exit handler, after Qt and the other statics may be gone: a plain buffer, never freed.
const char* logPath = nullptr;

void appendExitLine() {
    AppLog::flush();
    if (!logPath) return;
    const int fd = ::open(logPath, O_WRONLY | O_APPEND | O_CLOEXEC);
    if (fd < 0) return;
    static const char line[] = "进程退出（exit）\n";
    [[maybe_unused]] const ssize_t written = ::write(fd, line, sizeof line - 1);
    ::close(fd);
}

// exit() called while the application object still exists comes from inside the event loop (Qt ends the
// process so when its connection to the X server breaks): every other thread still runs (the key watcher,
// the sound and bus threads), and statics and exit handlers run under them (the sound engine's among them,
// made at the first take) crash a process that is only ending. The log is complete; nothing else is left
// to write. A thread-local object's end runs first of all that exit() does on its thread, before every
// exit handler, whenever that handler was registered.
struct EventLoopGuard {
    ~EventLoopGuard() {
        if (!QCoreApplication::instance()) return;
        appendExitLine();
        std::_Exit(1);
    }
};

} // namespace

void guardEventLoop() {
    static thread_local EventLoopGuard guard;
    (void)&guard;
}

void install() {
    if (logPath) return;
    logPath = strdup(AppLog::file().toStdString().c_str());
    std::atexit(appendExitLine);
}

void willTerminate() {
    AppLog::write(QStringLiteral("退出（applicationWillTerminate）"));
    AppLog::flush();
}

} // namespace mivora::ExitLog
