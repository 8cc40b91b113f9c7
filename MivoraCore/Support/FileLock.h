#pragma once

#include <QString>

namespace mivora {

// An exclusive lock against other processes, held while the object lives: flock(2) on a lock file of its own
// (made 0600 when missing and never removed, so every process locks the same file). The system lets go of it
// when the holder ends, however it ends, so a killed process leaves nothing that blocks the next one.
class FileLock {
public:
    // Waits at most `timeoutMs` for a holder in another process to let go; with 0, tries once (a lock held
    // elsewhere then fails with EWOULDBLOCK).
    FileLock(const QString& path, int timeoutMs);
    ~FileLock();
    FileLock(const FileLock&) = delete;
    FileLock& operator=(const FileLock&) = delete;

    bool locked() const { return fd_ >= 0; }
    // Why the lock was not taken: the system's words, or that the wait ran out; and its errno (ETIMEDOUT for
    // the wait).
    const QString& error() const { return error_; }
    int errorNumber() const { return errorNumber_; }

private:
    void fail(int error);

    int fd_ = -1;
    QString error_;
    int errorNumber_ = 0;
};

} // namespace mivora
