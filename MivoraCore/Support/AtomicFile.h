#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace mivora {

// Replaces a file whole or not at all. The bytes go to a side file in the same folder (named after the file,
// see `removeStale`), which is written, synced to the disk and closed, each step checked, before it is moved
// over the old file. On any failure the side file goes and the old file stays as it was, so the caller can
// keep what it meant to write and try again. A symbolic link is kept: the file it points to is replaced, or
// made when it is not there yet. A new file is the user's alone (0600) whatever the umask; a replaced one
// keeps its mode. A file or folder whose owner took their own write right away is not written (EACCES). After
// the move the folder is synced too, so a power cut cannot bring the old file back; when that last sync fails
// the new file is in place already, but the write still counts as failed (the caller tries again).
namespace AtomicFile {

enum class Failure { none, diskFull, other };

struct Result {
    Failure failure = Failure::none;
    // The system's words for what went wrong, for a log line or a message.
    QString reason;

    explicit operator bool() const { return failure == Failure::none; }
};

// Puts an open file's bytes (or an open folder's names) on the disk: true when the system says they are
// there. `fsync` unless a test stands in a failing one.
using Sync = std::function<bool(int fd)>;

// The folder must exist.
[[nodiscard]] Result write(const QString& path, const QByteArray& data);
// `write` with another sync.
[[nodiscard]] Result writeWith(const QString& path, const QByteArray& data, const Sync& sync);

// `write`, or a stand-in that tests give a store to make a write fail.
using Writer = std::function<Result(const QString& path, const QByteArray& data)>;

// Removes the side files that saves stopped half-way (the process killed) left in `folder`: only files named
// as this writer names them, and only those older than a minute, so a save that another copy of the program
// is making right now keeps its side file. Returns how many went.
int removeStale(const QString& folder);

} // namespace AtomicFile
} // namespace mivora
