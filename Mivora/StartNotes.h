#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace mivora {

// The few lines a start prints on standard error, so a user who started the program from a terminal sees
// where its log is and what still stands between them and a first take.
class StartNotes {
public:
    struct Facts {
        QString logFile;
        bool recognitionConfigured = false;
        QString keyFile; // where a developer key goes
        bool trayAvailable = false;
        bool signInNeeded = false; // recognition goes through a relay and no account is signed in
        QString hotkey;            // the key held to dictate, as its keycap names it
    };

    static QStringList lines(const Facts& facts);
    // Writes the lines to standard error at once.
    static void print(const Facts& facts);
};

} // namespace mivora
