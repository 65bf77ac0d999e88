// The zenith distance of a line: the observed value reduced to the station
// marks, and the value computed from the provisional heights.
#pragma once

namespace quarlo {

// Observed zenith distance z (radians) over the distance d reduced from
// instrument and target to the marks; dhi = (instrument height + occupied
// eccentric height) - (target height + observed eccentric height). Below
// 50 metres the reduction is exact, from 50 metres on to first order.
double reduce_to_marks(double z, double dhi, double d);

// The zenith distance from the occupied station (height h1) to the observed
// station (height h2) over the distance d on a sphere of radius r with the
// refraction coefficient k.
struct ComputedZenith {
    double x = 0.0;                  // the distance at the stations' mean height
    double theta = 0.0;              // geometric zenith distance, radians
    double height_coefficient = 0.0; // seconds of arc per metre of either height
    double value = 0.0;              // with refraction, radians
};
ComputedZenith computed_zenith(double d, double h1, double h2, double r, double k);

} // namespace quarlo
