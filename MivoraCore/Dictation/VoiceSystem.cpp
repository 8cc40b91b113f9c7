// The voice controller's view of the desktop: secure input, the microphone and the Fn key.
#include "Dictation/Permissions.h"
#include "Dictation/VoiceController.h"
#include "Insertion/TextInserter.h"
#include "Keys/KeyTap.h"

namespace mivora {

VoiceController::System VoiceController::System::live() {
    System system;
    system.secureInput = [] { return TextInserter::secureInputOn(); };
    system.micAuthorized = [] { return Permissions::micStatus() == Permissions::MicStatus::authorized; };
    system.fnIsDown = [] { return KeyTap::fnIsDown(); };
    return system;
}

} // namespace mivora
