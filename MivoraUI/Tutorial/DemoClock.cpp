#include "MivoraUI/Tutorial/DemoClock.h"

#include "Support/Clock.h"

#include <algorithm>
#include <cmath>

namespace mivora::DemoClock {

namespace {
constexpr qint64 referenceMs = 978307200000; // 2001-01-01 00:00 UTC
}

double seconds(const Clock& clock) {
    return double(clock.now().toMSecsSinceEpoch() - referenceMs) / 1000.0;
}

float level(double t) {
    const double v = (0.5 + 0.5 * std::sin(6.5 * t)) * (0.65 + 0.35 * std::sin(2.1 * t));
    return float(std::clamp(v, 0.0, 1.0));
}

} // namespace mivora::DemoClock
