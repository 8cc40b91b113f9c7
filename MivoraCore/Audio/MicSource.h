#pragma once

#include "Audio/AudioSource.h"
#include "Audio/MicDiagnostics.h"
#include "Audio/Resampler.h"
#include "Platform/AudioInput.h"
#include "Support/Scheduler.h"
#include "Support/UserError.h"

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <exception>
#include <memory>
#include <mutex>
#include <optional>

class QObject;

namespace mivora {

// The live microphone. Each take records from the system's current input device on the capture thread,
// converts to 16 kHz mono as it goes, and reports a meter value per buffer on the main thread. When the
// input device changes during a take, what was recorded so far is kept and the take continues on the
// new device. Nothing here waits on the main thread: the device opens and the take's last audio arrives
// while the caller awaits.
class MicSource final : public AudioSource, public MicDiagnostics {
public:
    class MicError : public UserError {
    public:
        enum Kind { noInput };
        explicit MicError(Kind kind);
        Kind kind() const { return kind_; }
        bool operator==(const MicError& other) const { return kind_ == other.kind_; }

    private:
        Kind kind_;
    };

    // On this input (made by the platform); the tail of a take is timed on `scheduler`. No audio runs
    // until `start`.
    MicSource(std::unique_ptr<AudioInput> input, Scheduler& scheduler);
    ~MicSource() override;
    MicSource(const MicSource&) = delete;
    MicSource& operator=(const MicSource&) = delete;

    // Throws MicError::noInput at once without a usable input device; the task throws UserError when the
    // device refuses to start. Audio the device delivers while it opens belongs to the take.
    QCoro::Task<> start(std::function<void(float)> level) override;
    // Waits for the device to finish opening, then keeps recording for `tail` seconds, so the last word
    // is not cut, and ends the take.
    QCoro::Task<AudioClip> stop() override;
    // Stops recording at once, also while the device opens or during the tail of a stop.
    void cancel() override;

    static constexpr double tail = 0.06;

    // "输入 <channels> 声道 <rate>Hz" of the latest device start (with " · 录音中换了设备" after a change).
    QString lastDiagnosis() const override { return lastDiagnosis_; }
    bool lastWasDigitalSilence() const override { return lastWasDigitalSilence_; }

    // The meter for a chunk level (RMS as a fraction of full scale): 0 at -55 dBFS and below, 1 at -10 dBFS
    // and above, linear in decibels between.
    static float meterValue(float rms);

private:
    QCoro::Task<> startEngine(std::vector<std::int16_t> keeping);
    QCoro::Task<> open(QCoro::Task<> opening, std::uint64_t take);
    QCoro::Task<> untilOpen();
    void tap(Resampler& resampler, const AudioInput::Buffer& buffer);
    void deviceChanged();
    std::vector<std::int16_t> finish();

    std::unique_ptr<AudioInput> input_;
    Scheduler& scheduler_;
    std::uint64_t take_ = 0;               // changes as each take ends: late work of an ended take stops
    std::optional<QCoro::Task<>> opening_; // the device opening of the current take (done once it records)
    bool running_ = false;                 // the input is recording (or opening)
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
