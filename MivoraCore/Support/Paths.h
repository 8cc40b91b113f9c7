#pragma once

#include <QString>

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
// Where a take's recording is written for its upload: the first of $TMPDIR and $XDG_RUNTIME_DIR that is a
// folder of the user's own (theirs, and no one else may write in it), else $XDG_CACHE_HOME/Mivora made
// private (see PrivateFiles) for this call. The shared /tmp is never it.
QString temp();

} // namespace Paths
} // namespace mivora
