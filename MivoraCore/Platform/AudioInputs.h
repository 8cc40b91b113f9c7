#pragma once

namespace mivora {

// The desktop's sound input devices.
class AudioInputs {
public:
    virtual ~AudioInputs() = default;
    // True when at least one input device (a microphone) exists.
    virtual bool available() = 0;
};

} // namespace mivora
