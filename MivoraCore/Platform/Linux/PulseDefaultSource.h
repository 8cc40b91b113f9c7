#pragma once

#include <QString>

#include <optional>

namespace mivora {

// The name of the sound server's default input ("source"), asked of PulseAudio (or PipeWire's
// PulseAudio service) directly: Qt 6.4 reports the first input it saw as the default instead.
namespace PulseDefaultSource {

// Nothing when no server answers within `timeoutMs`.
std::optional<QString> name(int timeoutMs = 500);

} // namespace PulseDefaultSource
} // namespace mivora
