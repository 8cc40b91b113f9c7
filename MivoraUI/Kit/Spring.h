#pragma once

namespace mivora {

// A damped spring described the way designers tune it: `response` is the period in seconds of the undamped
// oscillation and `damping` the damping fraction (1 settles without overshoot, below 1 overshoots).
// Mass 1, starting at rest at 0 and pulled towards 1.
struct Spring {
    double response = 0.3;
    double damping = 1.0;

    // Position at `t` seconds after the start: 0 at t = 0, tending to 1.
    double at(double t) const;
    // Seconds until the motion stays within 0.1 % of the target.
    double duration() const;
};

} // namespace mivora
