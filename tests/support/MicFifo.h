#pragma once

#include <cstdint>
#include <vector>

namespace mivora::test {

// The test microphone of scripts/with-desktop: a PulseAudio pipe source reading s16le 16 kHz mono
// samples from the FIFO named by $MIC_FIFO.
namespace MicFifo {

bool available();
// Throws away audio a writer left in the FIFO while nothing recorded.
void drain();
// True while a stream records from the pipe source (from then on, written samples reach it).
bool recording();
// Writes the samples, giving up after a few seconds without progress; true when all were written.
bool feed(const std::vector<std::int16_t>& samples);

} // namespace MicFifo
} // namespace mivora::test
