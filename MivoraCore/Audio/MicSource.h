#pragma once

#include "Audio/AudioSource.h"
#include "Audio/MicDiagnostics.h"
#include "Audio/Resampler.h"
#include "Platform/AudioInput.h"
#include "Support/UserError.h"

#include <QByteArray>
#include <QString>

#include <exception>
#include <memory>
#include <mutex>

class QObject;

namespace mivora {

// The live microphone. Each take records from the system's current input device on the capture thread,
// converts to 16 kHz mono as it goes, and reports a meter value per buffer on the main thread. When the
// input device changes during a take, what was recorded so far is kept and the take continues on the
// new device.
class MicSource final : public AudioSource, public MicDiagnostics {
public:
    class MicError : public UserError {
    public:
        enum Kind { noInput };
        explicit MicError(Kind kind);
        Kind kind() const { return kind_; }
        QString message() const;
        const char* what() const noexcept override;
        bool operator==(const MicError& other) const { return kind_ == other.kind_; }

    private:
        Kind kind_;
    };

    // On this input (made by the platform). No audio runs until `start`.
    explicit MicSource(std::unique_ptr<AudioInput> input);
    ~MicSource() override;
    MicSource(const MicSource&) = delete;
    MicSource& operator=(const MicSource&) = delete;

    // Throws MicError::noInput without a usable input device, or UserError when the device
    // refuses to start.
    void start(std::function<void(float)> level) override;
    // Waits 60 ms for the last audio, then ends the take.
    AudioClip stop() override;
    void cancel() override;

    // "输入 <channels> 声道 <rate>Hz" of the latest device start (with " · 录音中换了设备" after a change).
    QString lastDiagnosis() const override { return lastDiagnosis_; }
    bool lastWasDigitalSilence() const override { return lastWasDigitalSilence_; }

    // The meter for a chunk level (RMS as a fraction of full scale): 0 at -55 dBFS and below, 1 at -10 dBFS
    // and above, linear in decibels between.
    static float meterValue(float rms);

private:
    void startEngine(std::vector<std::int16_t> keeping);
    void tap(Resampler& resampler, const AudioInput::Buffer& buffer);
    void deviceChanged();
    std::vector<std::int16_t> finish();

    std::unique_ptr<AudioInput> input_;
    bool running_ = false;   // the input is recording
    bool observing_ = false; // device changes are handled (from a successful start to the end of the take)
    std::unique_ptr<Resampler> resampler_;
    QObject* mainContext_; // meter calls are queued to it; they die with it
    std::mutex levelLock_;
    std::function<void(float)> level_;
    std::mutex peakLock_;
    float rawPeak_ = 0;
    QString lastDiagnosis_;
    bool lastWasDigitalSilence_ = false;
    std::vector<std::int16_t> carried_;
};

} // namespace mivora
