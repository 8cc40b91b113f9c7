#pragma once

#include <QString>

namespace mivora::DesktopEntry {

// A program path as an argument of a desktop entry's Exec key: quoted, with the quoting's own escapes, and
// every backslash then escaped once more as the entry's string values require.
inline QString execArgument(QString program) {
    for (const char* c : {"\\", "\"", "`", "$"})
        program.replace(QLatin1String(c), QLatin1String("\\") + QLatin1String(c));
    QString quoted = '"' + program + '"';
    return quoted.replace(QLatin1String("\\"), QLatin1String("\\\\"));
}

} // namespace mivora::DesktopEntry
