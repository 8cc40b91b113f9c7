#include "MivoraUI/HUD/BarsEngine.h"

#include <algorithm>
#include <cmath>

namespace mivora {

void BarsEngine::step(double t, float level, BarsMode mode, bool instant) {
    // Elapsed frames at 60 per second, capped so that a stall does not make the bars jump.
    const double f = last == 0 ? 1.0 : std::min((t - last) * 60, 3.0);
    last = t;

    const float attack = level > smooth ? 0.5f : 0.16f;
    const float k = std::min(float(f) * attack, 1.0f);
    smooth = smooth + (level - smooth) * k;

    double g = 1;
    if (instant) {
        history.fill(level);
    } else {
        if (t - lastPush > 1.0 / 24) {
            std::move(history.begin() + 1, history.end(), history.begin());
            history.back() = smooth;
            lastPush = t;
        }
        g = std::min(f * 0.26, 1.0);
    }

    const double phase = t * 5;
    for (int i = 0; i < count; ++i) {
        double h;
        double a;
        if (mode == BarsMode::think) {
            const double v = instant ? 0.5 : (std::sin(-0.55 * i + phase) + 1) / 2;
            h = 4 + 6 * v;
            a = 0.35 + 0.5 * v;
        } else {
            const int d = std::abs(i - 6);
            const double w = 1 - 0.9 * d / 13;
            h = 4 + w * 22 * double(history[12 - d]);
            a = 0.92;
        }
        heights[i] += (h - heights[i]) * g;
        alphas[i] += (a - alphas[i]) * g;
    }
}

} // namespace mivora
