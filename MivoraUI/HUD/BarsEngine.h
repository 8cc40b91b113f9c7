#pragma once

#include <array>

namespace mivora {

enum class BarsMode { listen, think };

// The physics of the level bars: the raw level smoothed with a fast attack and a slow release, sampled
// into a short history at most 24 times a second, and thirteen bars easing towards their targets at a
// rate that does not depend on the frame rate. Listening ripples the history out from the centre bar;
// thinking runs a travelling wave. No drawing, no clock: the caller passes the time of each step.
class BarsEngine {
public:
    static constexpr int count = 13;

    std::array<double, count> heights;  // points, left to right
    std::array<double, count> alphas;   // opacity of each bar
    std::array<float, count> history{}; // smoothed level samples, oldest first
    float smooth = 0;                   // the smoothed level
    double last = 0;                    // time of the previous step, seconds; 0 before the first
    double lastPush = 0;                // time of the last history sample

    BarsEngine() {
        heights.fill(4.0);
        alphas.fill(0.92);
    }

    // Advances to time `t` (seconds). `instant` (reduce motion) makes the bars jump to their targets.
    void step(double t, float level, BarsMode mode, bool instant);
};

} // namespace mivora
