#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

namespace mivora {

// Converts interleaved audio of any sample rate and channel count to the engine format (16 kHz, mono,
// signed 16-bit) and collects the result. One resampler serves one take: its filter state carries from
// one buffer to the next, so consecutive buffers join without clicks.
//
// Threads: `append` may run on a capture thread while the owner takes the samples on the main thread;
// the collected samples are guarded by their own lock, held only to add a chunk or to move them out.
class Resampler {
public:
    static constexpr double outputRate = 16000;

    // Fails (null) when no converter can be made for the input: a rate that is not above 0, no
    // channels, or a rejected configuration.
    static std::unique_ptr<Resampler> make(double sampleRate, int channels);
    ~Resampler();
    Resampler(const Resampler&) = delete;
    Resampler& operator=(const Resampler&) = delete;

    double sampleRate() const { return rate_; }
    int channels() const { return channels_; }

    // Converts one buffer of interleaved frames (a trailing partial frame is ignored), adds the result to
    // the collected samples and returns the chunk's level: RMS as a fraction of full scale, or 0 for an
    // empty chunk. Float samples are full scale at ±1.0.
    float append(std::span<const std::int16_t> interleaved);
    float append(std::span<const float> interleaved);

    // Drains what the filter still holds into the collected samples and makes the converter ready for a
    // fresh signal.
    void flush();

    // Moves the collected samples out, leaving none behind.
    std::vector<std::int16_t> takeSamples();

private:
    Resampler(double rate, int channels, void* soxr);
    float convert(const float* mono, std::size_t frames);
    void keep(const std::int16_t* samples, std::size_t count);

    const double rate_;
    const int channels_;
    std::mutex convertLock_; // the converter: a device change may flush while a late buffer arrives
    void* soxr_;
    std::vector<float> mono_;
    std::vector<std::int16_t> out_;

    std::mutex lock_; // guards samples_
    std::vector<std::int16_t> samples_;
};

} // namespace mivora
