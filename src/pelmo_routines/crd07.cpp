// Plane bearing and distance between two grid points.
#include "pelmo_routines/stations.h"

#include <cmath>

namespace quarlo {

namespace {
constexpr double kCrdPi = 3.141592653589793;
constexpr double kCrdTwoPi = 6.283185307179586;
constexpr double kCoincident = 5e-11;
} // namespace

void crd07(double e1, double n1, double e2, double n2, double& bearing, double& distance) {
    double de = e2 - e1;
    double dn = n2 - n1;
    if (std::fabs(de) <= kCoincident && std::fabs(dn) <= kCoincident) {
        bearing = 0.0;
        distance = 0.0;
        return;
    }
    distance = std::sqrt(de * de + dn * dn);
    if (dn == 0.0) {
        bearing = de < 0.0 ? 3.0 * kCrdPi / 2.0 : kCrdPi / 2.0;
        return;
    }
    bearing = std::atan(de / dn);
    if (dn < 0.0)
        bearing += kCrdPi;
    else if (de < 0.0)
        bearing += kCrdTwoPi;
}

} // namespace quarlo
