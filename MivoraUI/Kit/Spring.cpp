#include "MivoraUI/Kit/Spring.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace mivora {

namespace {

double omega(const Spring& s) {
    return 2 * std::numbers::pi / std::max(s.response, 1e-3);
}

// Largest distance from the target the motion can still have at `t` (the decay of the solution).
double envelope(const Spring& s, double t) {
    const double w0 = omega(s);
    const double zeta = std::max(s.damping, 0.0);
    if (zeta >= 1) return std::exp(-w0 * t) * (1 + w0 * t);
    return std::exp(-zeta * w0 * t) / std::sqrt(1 - zeta * zeta);
}

} // namespace

double Spring::at(double t) const {
    if (t <= 0) return 0;
    const double w0 = omega(*this);
    const double zeta = std::max(damping, 0.0);
    if (zeta >= 1) { // critically damped (and anything stiffer, treated alike)
        return 1 - std::exp(-w0 * t) * (1 + w0 * t);
    }
    const double wd = w0 * std::sqrt(1 - zeta * zeta);
    return 1 - std::exp(-zeta * w0 * t) * (std::cos(wd * t) + zeta * w0 / wd * std::sin(wd * t));
}

double Spring::duration() const {
    double t = 0;
    while (t < 10 && envelope(*this, t) > 1e-3)
        t += 0.005;
    return t;
}

} // namespace mivora
