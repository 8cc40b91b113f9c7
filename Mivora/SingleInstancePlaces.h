#pragma once

#include <QString>
#include <QStringList>

namespace mivora {

// The file system's and the socket layer's side of the single-instance channel: the user's private folder
// under the temporary folder, what may stand at the names the program uses there, and the listening socket
// itself, made by hand so a failure keeps its real reason.
namespace SingleInstancePlaces {

// The folder that stands for the system's temporary folder: /tmp, never $TMPDIR (which differs between a
// user's sessions, so starts would not meet). MIVORA_TEST_TMP, for tests only, names another one, so a test
// can give the program a folder in its way, or a full disk, without touching the real /tmp.
QString temp();

// Why a system call failed, in Chinese, with the system's own words after it.
QString reason(int error);

// "mivora-<user id>" under `temp`, made 0700 when missing; its path when it is a folder of this user's, not a
// link, that no one else may enter (one of theirs that others could enter is closed to them, and `done` says
// so), else empty with `why` said. Another user may have made a folder of that name first: it is never used.
QString privateFolderIn(const QString& temp, QString& why, QStringList& done);

// Makes the name `path` free for a file of this user's: what stands there and is another user's, or a link,
// is removed, never followed or opened, and `done` says so. False, with `why`, when it cannot be removed.
bool clear(const QString& path, QString& why, QStringList& done);

// A socket listening at `place` (a path, or "@" and a name in the abstract namespace, which needs no file),
// replacing a socket file left by a program that died; its descriptor, or -1 with `why` said.
int listenAt(const QString& place, QString& why);

// Whether the process at the other end of the connected local socket `fd` runs as this user.
bool sameUser(int fd);

// Whether `place` can name a local socket at all (a path holds at most 107 bytes).
bool fits(const QString& place);

} // namespace SingleInstancePlaces
} // namespace mivora
