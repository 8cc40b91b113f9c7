#pragma once

#include "Dictation/SetupModel.h"

#include <QList>
#include <QString>
#include <QStringList>

namespace mivora {

// The few lines a start prints on standard error, so a user who started the program from a terminal sees
// where its log is and what still stands between them and a first take: the setup model's own answer,
// the one the window's footer and the tray give too.
class StartNotes {
public:
    struct Facts {
        QString logFile;
        QList<SetupModel::Missing> missing; // the setup model's, in its order
        bool hotkeyTaken = false;           // the hotkey is there but another program holds it
        QString keyFile;                    // where a developer key goes
        bool trayAvailable = false;
        QString hotkey; // the key held to dictate, as its keycap names it
    };

    static QStringList lines(const Facts& facts);
    // Writes the lines to standard error at once.
    static void print(const Facts& facts);
};

} // namespace mivora
