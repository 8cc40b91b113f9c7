#pragma once

#include "Audio/AudioClip.h"

#include <functional>

namespace mivora {

// Records one take at a time: the microphone, or an audio file played back as if spoken.
class AudioSource {
public:
    virtual ~AudioSource() = default;
    // Begins a take. `level` receives meter values 0...1 on the main thread while the take runs.
    // Throws (for example MicSource::MicError) when recording cannot start.
    virtual void start(std::function<void(float)> level) = 0;
    // Ends the take and returns what was recorded.
    virtual AudioClip stop() = 0;
    // Ends the take and discards it.
    virtual void cancel() = 0;
};

} // namespace mivora
