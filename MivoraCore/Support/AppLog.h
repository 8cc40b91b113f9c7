#pragma once

#include <QString>

namespace mivora {

// The program-wide append-only log: one line per event, "yyyy-MM-dd HH:mm:ss.SSS", two blanks, the
// message, a line feed. Lines are written in call order by one writer thread; writing never fails
// visibly and never blocks the caller on disk.
namespace AppLog {

// The log folder and file (see Paths::logDir()).
QString dir();
QString file();

// Stamps the line now (local time) and queues it for the writer. Callable from any thread.
void write(const QString& line);

// Blocks until every line queued so far is on disk (or dropped). Used at exit and by tests.
void flush();

} // namespace AppLog
} // namespace mivora
