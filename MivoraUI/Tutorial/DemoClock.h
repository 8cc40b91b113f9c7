#pragma once

namespace mivora {

class Clock;

// The time base of the demonstration's motion: seconds since 2001-01-01 00:00 UTC on the wall clock.
namespace DemoClock {

double seconds(const Clock& clock);
// The made-up microphone level the miniature HUD shows at `t`: two slow waves, 0 to 1.
float level(double t);

} // namespace DemoClock
} // namespace mivora
