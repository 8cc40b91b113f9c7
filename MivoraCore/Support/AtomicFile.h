#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

namespace mivora {

// Replaces a file whole or not at all. The bytes go to a side file in the same folder, which is flushed and
// checked before it is moved over the old file: QSaveFile::write only fills a buffer and reports every byte,
// and Qt 6.4's commit() renames a short side file into place after a flush that failed on a full disk. On
// any failure the side file goes and the old file stays as it was, so the caller can keep what it meant to
// write and try again.
namespace AtomicFile {

enum class Failure { none, diskFull, other };

struct Result {
    Failure failure = Failure::none;
    // The system's words for what went wrong, for a log line or a message.
    QString reason;

    explicit operator bool() const { return failure == Failure::none; }
};

// The folder must exist.
[[nodiscard]] Result write(const QString& path, const QByteArray& data);

// `write`, or a stand-in that tests give a store to make a write fail.
using Writer = std::function<Result(const QString& path, const QByteArray& data)>;

} // namespace AtomicFile
} // namespace mivora
