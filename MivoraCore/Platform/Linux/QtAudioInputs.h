#pragma once

#include "Platform/AudioInputs.h"

namespace mivora {

// The sound inputs Qt Multimedia lists (PulseAudio or PipeWire).
class QtAudioInputs final : public AudioInputs {
public:
    bool available() override;
};

} // namespace mivora
