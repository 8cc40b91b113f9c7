#pragma once

#include <QByteArray>
#include <QString>

#include <optional>

// The entry that puts the program in the desktop's application menu, written where the program is
// installed. Its Exec line goes through the same writer as the program's other entries, so any install
// folder (spaces, a percent sign, quotes) starts the installed program.
namespace mivora::LauncherEntry {

// The entry for the program at `program`; none when the path holds a character no entry can carry.
std::optional<QByteArray> contents(const QString& program);

} // namespace mivora::LauncherEntry
