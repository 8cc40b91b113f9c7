#pragma once

#include "Audio/AudioClip.h"

#include <QCoro/QCoroTask>

#include <functional>

namespace mivora {

// Records one take at a time: the microphone, or an audio file played back as if spoken.
class AudioSource {
public:
    virtual ~AudioSource() = default;
    // Begins a take. `level` receives meter values 0...1 on the main thread while the take runs. Throws at
    // once (for example MicSource::MicError) when recording cannot start; the task ends once recording
    // runs, and throws when the device fails to open after all.
    virtual QCoro::Task<> start(std::function<void(float)> level) = 0;
    // Ends the take once its last audio is in, and returns what was recorded. Throws what the task of
    // `start` threw when recording never ran.
    virtual QCoro::Task<AudioClip> stop() = 0;
    // Ends the take at once and discards it.
    virtual void cancel() = 0;
};

} // namespace mivora
