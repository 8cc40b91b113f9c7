#pragma once

namespace mivora {

// The two lines that close the log of every run, in this order and none lost: the will-terminate line
// when the event loop is about to end, and the exit line from the C library's exit handler.
namespace ExitLog {

// Registers the exit handler: it drains the log writer, then appends "进程退出（exit）" with a line
// break and no time stamp. The log's path is fixed now, while the environment can still be read.
void install();

// Makes an exit() from inside the event loop (Qt's own end of a broken X connection) write the exit line and
// end the process at once, leaving the other threads running to the end; call on the main thread once the
// application object exists.
void guardEventLoop();

// Writes "退出（applicationWillTerminate）" and waits until it is on disk.
void willTerminate();

} // namespace ExitLog
} // namespace mivora
