#pragma once

#include <QString>

namespace mivora {

// The "-recognize <audio file>" diagnostic mode: recognises the file with the recogniser the program
// would use (relay from Info.json, else the developer key file), prints the text on standard output and
// returns 0; on any failure, including no recogniser configured, prints the message on standard error
// and returns 1. Runs the event loop until done.
int runRecognizeMode(const QString& audioFile);

} // namespace mivora
