#pragma once

#include "Dictation/VoiceController.h"

namespace mivora {

class Defaults;
class Permissions;
class Platform;

// The voice controller's probes bound to the running platform: secure input is a focused password
// field, the microphone is authorised when the permissions say so, and Fn is the key named by the
// "fnKey" setting, held right now. Everything given must outlive the probes.
VoiceController::System liveVoiceSystem(Platform& platform, Permissions& permissions, Defaults& defaults);

} // namespace mivora
