#pragma once

#include <QString>

#include <string>

namespace mivora {

// The user's memories, settings and log are theirs alone: the folders the program makes are 0700 and its
// files 0600, whatever the umask, and what an earlier version left open to others is closed to them. Only
// others' rights are ever taken away: what the user made read-only for themselves stays so.
namespace PrivateFiles {

// Makes `folder`, and every missing folder above it, 0700 whatever the umask. A folder that is there already
// is kept, and loses the group's and others' rights when it is the user's own and not a link (the folders
// above it are the user's and stay as they are). 0 when there is a folder at `folder` afterwards, else the
// errno of the step that failed (ENOTDIR where something else stands at a folder's name). Plain system calls
// only, so the log's writer may call it after Qt's globals are gone.
int makeFolder(const std::string& folder);
int makeFolder(const QString& folder);

// Takes every right of the group and of others away from `folder` and from what is in it, to any depth:
// folders and files keep only their owner's rights, as the owner set them. Links are neither followed nor
// changed, and what belongs to another user is left alone. Errors are ignored: what cannot be changed stays
// as it is.
void tighten(const QString& folder);

// Tightens the program's own folders (data, settings, log) at start.
void tightenOwn();

} // namespace PrivateFiles
} // namespace mivora
