#pragma once

#include "Audio/AudioSource.h"
#include "Audio/MicDiagnostics.h"

#include <exception>
#include <functional>

namespace mivora::test {

// A microphone that records nothing: `stop` hands over the clip the test put in `clip`.
class FakeAudioSource final : public AudioSource, public MicDiagnostics {
public:
    QCoro::Task<> start(std::function<void(float)>) override {
        ++starts;
        if (startError) std::rethrow_exception(startError);
        return ready();
    }
    QCoro::Task<AudioClip> stop() override { return handOver(clip); }
    void cancel() override {}
    QString lastDiagnosis() const override { return "输入 1 声道 48000Hz"; }
    bool lastWasDigitalSilence() const override { return digitalSilence; }

    AudioClip clip;
    std::exception_ptr startError; // thrown by start when set
    bool digitalSilence = false;
    int starts = 0;

private:
    static QCoro::Task<> ready() { co_return; }
    // A copy: GCC 12 moves a member named in co_return.
    static QCoro::Task<AudioClip> handOver(AudioClip clip) { co_return clip; }
};

} // namespace mivora::test
