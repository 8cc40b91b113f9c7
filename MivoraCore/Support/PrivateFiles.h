#pragma once

#include <QString>

#include <string>

namespace mivora {

// The user's memories, settings and log are theirs alone: the folders the program keeps them in are 0700 and
// the files in those folders 0600, whatever the umask and whatever an earlier version left behind.
namespace PrivateFiles {

// Makes `folder`, and every missing folder above it, 0700 whatever the umask. A folder that is there already
// is kept, and made 0700 when it is the user's own and not a link (the folders above it are the user's and
// stay as they are). 0 when there is a folder at `folder` afterwards, else the errno of the step that failed
// (ENOTDIR where something else stands at a folder's name). Plain system calls only, so the log's writer may
// call it after Qt's globals are gone.
int makeFolder(const std::string& folder);
int makeFolder(const QString& folder);

// Takes every right of the group and of others away from `folder` and from what is in it, to any depth:
// folders become 0700, files keep only their owner's rights. Links are neither followed nor changed, and
// what belongs to another user is left alone. Errors are ignored: what cannot be changed stays as it is.
void tighten(const QString& folder);

// Tightens the program's own folders (data, settings, log) at start.
void tightenOwn();

} // namespace PrivateFiles
} // namespace mivora
