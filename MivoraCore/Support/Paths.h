#pragma once

#include <QString>
#include <QStringList>

namespace mivora {

// Where the program keeps its files. Every folder follows HOME and the XDG_* variables at the moment of
// the call, so tests redirect them by setting the environment.
namespace Paths {

// The user's home folder ($HOME).
QString home();
// Application data: memories and tombstones ($XDG_DATA_HOME/Mivora, default ~/.local/share/Mivora).
QString appData();
// The log folder ($XDG_STATE_HOME/Mivora, default ~/.local/state/Mivora).
QString logDir();
// Developer files: ~/.yarrik.
QString developerDir();
// The session's folders a take's recording may be written to for its upload, in order: $TMPDIR and
// $XDG_RUNTIME_DIR, each where it is a folder of the user's own (theirs, and no one else may write in it).
// The shared /tmp is never among them.
QStringList sessionTemps();
// The program's own folder for recordings, after the session's: $XDG_CACHE_HOME/Mivora (not made here; made
// private, see PrivateFiles, when it is used).
QString ownTemp();

} // namespace Paths
} // namespace mivora
