#pragma once

#include "Audio/AudioSource.h"

namespace mivora::test {

// A microphone that starts at once and records nothing.
class FakeAudioSource final : public AudioSource {
public:
    QCoro::Task<> start(std::function<void(float)>) override { co_return; }
    QCoro::Task<AudioClip> stop() override { co_return AudioClip(); }
    void cancel() override {}
};

} // namespace mivora::test
