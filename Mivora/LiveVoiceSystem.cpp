#include "LiveVoiceSystem.h"

#include "Dictation/Permissions.h"
#include "Insertion/TextInserter.h"
#include "Platform/Platform.h"

namespace mivora {

VoiceController::System liveVoiceSystem(Platform& platform, Permissions& permissions, Defaults& defaults) {
    VoiceController::System system;
    system.secureInput = [&platform] {
        return TextInserter::secureInputOn(platform.accessibility(), platform.frontApplication());
    };
    system.micAuthorized = [&permissions] {
        return permissions.micStatus() == Permissions::MicStatus::authorized;
    };
    system.fnIsDown = [&platform, &defaults] {
        return platform.keyboard().isDown(KeySource::fnKeyName(defaults));
    };
    return system;
}

} // namespace mivora
