#pragma once

#include <QByteArray>
#include <QString>

#include <cstdint>
#include <optional>
#include <vector>

namespace mivora {

// One recording: 16 kHz mono signed 16-bit samples and the loudest magnitude as a fraction of 32767.
struct AudioClip {
    static constexpr int sampleRate = 16000;
    static constexpr float silencePeak = 0.002f;
    static constexpr double minVoiced = 0.2;

    std::vector<std::int16_t> samples;
    float peak = 0;

    AudioClip() = default;
    // Without a peak, it is computed from the samples; a given peak is stored as is.
    explicit AudioClip(std::vector<std::int16_t> samples, std::optional<float> peak = std::nullopt);

    double duration() const { return double(samples.size()) / double(sampleRate); }
    bool isSilent() const { return peak < silencePeak; }
    // Seconds of frames clearly louder than the clip's noise floor.
    double voicedDuration() const;
    // The clip as a canonical 16 kHz mono 16-bit PCM WAV file image.
    QByteArray wav() const;

    // A louder copy for quiet takes (or the same clip when it is loud enough or silent).
    AudioClip normalized(float target, float maxGain) const;

    // Writes `wav()` atomically to a new "mivora-<UUID>.wav", 0600, in the first folder of the session's
    // temporary ones and then the program's own (see Paths) that takes it, and returns its path. Throws
    // UserError with the system's reasons when none does.
    QString writeWAV() const;

    static float peakOf(const std::vector<std::int16_t>& samples);

    bool operator==(const AudioClip&) const = default;
};

} // namespace mivora
