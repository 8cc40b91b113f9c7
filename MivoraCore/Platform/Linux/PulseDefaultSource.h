#pragma once

#include <QString>

#include <optional>

namespace mivora {

// The sound server, asked directly (PulseAudio, or PipeWire's PulseAudio service): whether it answers at
// all, and the name of its default input ("source"), which Qt 6.4 reports as the first input it saw.
namespace PulseDefaultSource {

// Nothing when no server answers within `timeoutMs`.
std::optional<QString> name(int timeoutMs = 500);

// True when a server takes a connection within `timeoutMs`. A stopped server can leave the connection
// hanging (its socket accepts, nobody answers): that is no answer.
bool answers(int timeoutMs);

} // namespace PulseDefaultSource
} // namespace mivora
