#pragma once

#include <functional>

namespace mivora {

// The desktop's sound input devices.
class AudioInputs {
public:
    virtual ~AudioInputs() = default;
    // True when at least one input device (a microphone) exists. Never waits long on the sound server:
    // while it does not answer there is no input.
    virtual bool available() = 0;
    // Called on the main thread when `available` may answer otherwise than before (the sound server
    // answered at last). Where nothing is learnt that way, it is never called.
    virtual void setChangeHandler(std::function<void()> onChange) { (void)onChange; }
};

} // namespace mivora
