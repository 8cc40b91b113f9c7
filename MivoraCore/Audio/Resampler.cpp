#include "Audio/Resampler.h"

#include <soxr.h>

#include <cmath>
#include <utility>

namespace mivora {

namespace {
soxr_t handle(void* p) {
    return static_cast<soxr_t>(p);
}
} // namespace

std::unique_ptr<Resampler> Resampler::make(double sampleRate, int channels) {
    if (!(sampleRate > 0) || !std::isfinite(sampleRate) || channels <= 0) return nullptr;
    // Channels are mixed down before resampling, so the converter always sees one channel. No dither:
    // exact silence must stay exact silence.
    soxr_io_spec_t io = soxr_io_spec(SOXR_FLOAT32_I, SOXR_INT16_I);
    io.flags |= SOXR_NO_DITHER;
    const soxr_quality_spec_t quality = soxr_quality_spec(SOXR_HQ, 0);
    soxr_error_t error = nullptr;
    soxr_t soxr = soxr_create(sampleRate, outputRate, 1, &error, &io, &quality, nullptr);
    if (error || !soxr) {
        if (soxr) soxr_delete(soxr);
        return nullptr;
    }
    return std::unique_ptr<Resampler>(new Resampler(sampleRate, channels, soxr));
}

Resampler::Resampler(double rate, int channels, void* soxr) : rate_(rate), channels_(channels), soxr_(soxr) {}

Resampler::~Resampler() {
    soxr_delete(handle(soxr_));
}

float Resampler::append(std::span<const std::int16_t> interleaved) {
    std::lock_guard guard(convertLock_);
    const std::size_t frames = interleaved.size() / std::size_t(channels_);
    mono_.resize(frames);
    const float scale = 1.0f / (32768.0f * float(channels_));
    const std::int16_t* p = interleaved.data();
    for (std::size_t f = 0; f < frames; ++f) {
        std::int32_t sum = 0;
        for (int c = 0; c < channels_; ++c)
            sum += *p++;
        mono_[f] = float(sum) * scale;
    }
    return convert(mono_.data(), frames);
}

float Resampler::append(std::span<const float> interleaved) {
    std::lock_guard guard(convertLock_);
    const std::size_t frames = interleaved.size() / std::size_t(channels_);
    if (channels_ == 1) return convert(interleaved.data(), frames);
    mono_.resize(frames);
    const float scale = 1.0f / float(channels_);
    const float* p = interleaved.data();
    for (std::size_t f = 0; f < frames; ++f) {
        float sum = 0;
        for (int c = 0; c < channels_; ++c)
            sum += *p++;
        mono_[f] = sum * scale;
    }
    return convert(mono_.data(), frames);
}

float Resampler::convert(const float* mono, std::size_t frames) {
    if (frames == 0) return 0;
    // Room for the whole chunk plus what the filter may release from earlier input.
    const std::size_t capacity = std::size_t(double(frames) * (outputRate / rate_)) + 1024;
    out_.resize(capacity);
    std::size_t produced = 0;
    std::size_t consumed = 0;
    while (consumed < frames) {
        if (produced == out_.size()) out_.resize(out_.size() * 2);
        std::size_t idone = 0, odone = 0;
        const soxr_error_t error = soxr_process(handle(soxr_), mono + consumed, frames - consumed, &idone,
                                                out_.data() + produced, out_.size() - produced, &odone);
        if (error) return 0; // this buffer is dropped
        consumed += idone;
        produced += odone;
        if (idone == 0 && odone == 0) break; // no progress: never spin
    }
    if (produced == 0) return 0;
    double sum = 0;
    for (std::size_t i = 0; i < produced; ++i)
        sum += double(out_[i]) * double(out_[i]);
    keep(out_.data(), produced);
    return float(std::sqrt(sum / double(produced)) / 32767.0);
}

void Resampler::flush() {
    std::lock_guard guard(convertLock_);
    out_.resize(4096);
    for (;;) {
        std::size_t odone = 0;
        const soxr_error_t error =
            soxr_process(handle(soxr_), nullptr, 0, nullptr, out_.data(), out_.size(), &odone);
        if (error || odone == 0) break;
        keep(out_.data(), odone);
    }
    soxr_clear(handle(soxr_));
}

void Resampler::keep(const std::int16_t* samples, std::size_t count) {
    std::lock_guard guard(lock_);
    samples_.insert(samples_.end(), samples, samples + count);
}

std::vector<std::int16_t> Resampler::takeSamples() {
    std::lock_guard guard(lock_);
    return std::exchange(samples_, {});
}

} // namespace mivora
