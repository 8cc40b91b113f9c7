#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QVariant>

namespace mivora {

// The settings file's text: INI as QSettings reads and writes it ("[General]" for keys outside a group,
// "fnKey=F9"), so a file edited by hand reads as before and a file written here reads back to the same
// values.
namespace SettingsIni {

// Every key of the file and its value, as QSettings reads them; nothing for a file that is missing. A file
// that is there but cannot be read gives nothing too, and `failure` (when given) the system's words for why,
// so a caller does not take it for an empty file.
QMap<QString, QVariant> read(const QString& file, QString* failure = nullptr);
// The text QSettings writes for these values in a new file: groups in order, keys sorted within them.
QByteArray write(const QMap<QString, QVariant>& values);

} // namespace SettingsIni
} // namespace mivora
