#pragma once

#include <memory>

namespace mivora {

class Accessibility;
class AudioInput;
class FrontApplication;
class Pasteboard;
class SyntheticKeys;

// The running desktop's backends, one each for the process (each platform folder implements these).
namespace Desktop {

Pasteboard& pasteboard();
SyntheticKeys& syntheticKeys();
Accessibility& accessibility();
FrontApplication& frontApplication();
// A new microphone input (each audio source owns its own).
std::unique_ptr<AudioInput> makeAudioInput();

} // namespace Desktop
} // namespace mivora
