#pragma once

#include "Platform/FrontApplication.h"

#include <QString>

namespace mivora::TerminalClasses {

// The keys the application of a window pastes with, by the two parts of the window's WM_CLASS (instance
// and class; either may be empty). Terminal emulators and editors with keys of their own are known by
// name; everything else pastes with Ctrl+V.
PasteKeys pasteKeys(const QString& instance, const QString& windowClass);
// Whether a process holds the master side of a pseudo-terminal open (/dev/ptmx): a terminal emulator the
// list does not name (cool-retro-term) still runs its shell on one. False when it cannot be told.
bool holdsPseudoTerminal(qint64 pid);
// Whether the application of a window ignores a paste asked for before it has asked the clipboard's new
// owner for anything (so the paste has to wait for that question).
bool dropsEarlyPaste(const QString& instance, const QString& windowClass);

} // namespace mivora::TerminalClasses
