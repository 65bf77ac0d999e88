// Reduction of a measured distance to the ellipsoid.
#pragma once

namespace quarlo {

// Corrections of a distance S between end heights h1 and h2 on a sphere of
// radius R (e: height of the reference surface, 0 for the ellipsoid): the
// slope, sea-level, height and chord corrections. The reduced distance is S
// plus all four. When the height difference is not smaller than S the
// geometry is impossible and all four are 0.
void spdcor(double s, double r, double e, double h1, double h2, double& c_slope, double& c_msl, double& c_ecc,
            double& c_chord);

} // namespace quarlo
