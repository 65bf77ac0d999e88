#include "adjust/zenith_reduction.h"

#include "report/iocat3.h"

#include <cmath>

namespace quarlo {

namespace {
constexpr double kExactBelow = 50.0; // metres
} // namespace

double reduce_to_marks(double z, double dhi, double d) {
    if (d < kExactBelow) return kPi / 2.0 - std::atan((dhi + std::tan(kPi / 2.0 - z) * d) / d);
    double s = std::sin(z);
    return z - dhi * s * s / d;
}

ComputedZenith computed_zenith(double d, double h1, double h2, double r, double k) {
    ComputedZenith c;
    c.x = d * (1.0 + (h1 + h2) / (2.0 * r) + d * d / (12.0 * r * r));
    c.theta = std::atan2(h1 - h2, c.x) + kPi / 2.0;
    double s = std::sin(c.theta);
    c.height_coefficient = s * s / c.x * kSecondsPerRadian;
    c.value = c.theta + (0.5 - k) * c.x / r;
    return c;
}

} // namespace quarlo
