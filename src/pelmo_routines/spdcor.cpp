#include "pelmo_routines/spdcor.h"

#include <cmath>

namespace quarlo {

namespace {

constexpr double kShortDistance = 15.0; // reduced through the square root up to here

// Sea-level correction of a horizontal length l at mean height hm for a
// height difference dh.
double sea_level(double dh, double hm, double r, double l) {
    double d2 = dh * dh;
    return d2 * hm / (2.0 * r * l) - hm * l / (r + hm) + d2 * d2 * hm / (8.0 * r * l * l * l) +
           d2 * d2 * d2 * hm / (16.0 * r * l * l * l * l * l);
}

} // namespace

void spdcor(double s, double r, double e, double h1, double h2, double& c_slope, double& c_msl, double& c_ecc,
            double& c_chord) {
    c_slope = 0.0;
    c_msl = 0.0;
    c_ecc = 0.0;
    c_chord = 0.0;
    double dh = h2 - h1;
    double hm = (h1 + h2) / 2.0;
    // No line can rise by its own length or more: the distance stays as
    // measured (this also keeps the root and the divisions below finite).
    if (!(std::fabs(dh) < s)) return;

    double l = 0.0;
    if (s <= kShortDistance) {
        l = std::sqrt(s * s - dh * dh);
        if (!(l > 0.0)) return; // the difference rounds to the whole length
        c_slope = l - s;
        l = l - sea_level(dh, hm, r, l);
    } else {
        double d2 = dh * dh;
        c_slope = -d2 / (2.0 * s) - d2 * d2 / (8.0 * s * s * s) - d2 * d2 * d2 / (16.0 * s * s * s * s * s);
        l = s + c_slope;
    }
    c_msl = sea_level(dh, hm, r, l);
    c_ecc = e * (l + c_msl) / (r + hm);
    double chord = l + c_msl + c_ecc;
    c_chord = chord * chord * chord / (24.0 * r * r);
}

} // namespace quarlo
