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
// The user's temporary folder ($TMPDIR, default /tmp).
QString temp();

} // namespace Paths
} // namespace mivora
