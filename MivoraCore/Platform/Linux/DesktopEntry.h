#pragma once

#include <QString>
#include <QStringList>

#include <optional>

// Program paths in the Exec key of a freedesktop desktop entry. The value goes through three layers,
// outermost first: the string escapes of every value (\s \n \t \r \\), the command line's quoting (an
// argument in double quotes, with \" \` \$ \\ inside), and the field codes ("%u" is the URL the entry is
// started with, "%%" a percent sign).
namespace mivora::DesktopEntry {

// The Exec value that starts `program` with `fieldCodes` after it (such as "%u"). A desktop looks the first
// argument up before it turns "%%" back into "%", so a path with a percent sign is started through /bin/sh,
// which hands over to it. None when the path holds a control character other than tab, newline and carriage
// return: a desktop entry has no way to write one.
std::optional<QString> exec(const QString& program, const QStringList& fieldCodes = {});

// A string value with its escapes undone.
QString unescaped(const QString& value);
// The arguments an Exec value (as it stands in the file) starts: escapes and quoting undone, "%%" read as
// "%", any other field code kept as written. None when a quote does not close.
std::optional<QStringList> arguments(const QString& exec);
// The program an Exec value starts, seen through the hand-over of `exec`; empty when there is none.
QString program(const QString& exec);

} // namespace mivora::DesktopEntry
