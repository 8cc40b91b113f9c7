#pragma once

#include "Audio/AudioClip.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

namespace mivora::test {

// A take of `seconds` whose first `voiced` seconds are a square wave of `amplitude` (a fraction of full
// scale, also its RMS) and the rest exact silence.
inline AudioClip speech(double seconds, double voiced = 0.5, double amplitude = 0.3) {
    std::vector<std::int16_t> samples(size_t(std::lround(seconds * AudioClip::sampleRate)), 0);
    const auto value = std::int16_t(std::lround(amplitude * 32767));
    for (size_t i = 0; i < std::min(samples.size(), size_t(std::lround(voiced * AudioClip::sampleRate))); ++i)
        samples[i] = (i / 8) % 2 ? value : std::int16_t(-value);
    return AudioClip(std::move(samples));
}

} // namespace mivora::test
