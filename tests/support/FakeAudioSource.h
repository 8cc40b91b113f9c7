#pragma once

#include "Dictation/AudioSource.h"
#include "Dictation/MicDiagnostics.h"

#include <exception>
#include <functional>

namespace mivora::test {

// An audio source that records nothing: `stop` hands over the clip the test put in `clip`.
class FakeAudioSource : public AudioSource {
public:
    void start(std::function<void(float)> levelCallback) override {
        ++starts;
        if (startError) std::rethrow_exception(startError);
        level = std::move(levelCallback);
        running = true;
    }
    AudioClip stop() override {
        ++stops;
        running = false;
        return clip;
    }
    void cancel() override {
        ++cancels;
        running = false;
    }

    AudioClip clip;                // what the next stop returns
    std::exception_ptr startError; // thrown by start when set
    std::function<void(float)> level;
    bool running = false;
    int starts = 0;
    int stops = 0;
    int cancels = 0;
};

// The same, reporting like a live microphone.
class FakeMicSource final : public FakeAudioSource, public MicDiagnostics {
public:
    QString lastDiagnosis() const override { return diagnosis; }
    bool lastWasDigitalSilence() const override { return digitalSilence; }

    QString diagnosis = QStringLiteral("输入 1 声道 48000Hz");
    bool digitalSilence = false;
};

} // namespace mivora::test
