// Geographic and cartesian coordinates on an ellipsoid, and the seven-
// parameter similarity transformation between the Australian datum and the
// satellite datum of coordinate-difference observations.
#include "pelmo_routines/cartesian.h"

#include <cmath>

namespace quarlo {

namespace {

constexpr double kPi = 3.141592653589793;

double eccentricity_squared(double inverse_flattening) {
    return 2.0 / inverse_flattening - 1.0 / (inverse_flattening * inverse_flattening);
}

} // namespace

void geoxyz(double phi, double lambda, double h, double a, double inverse_flattening, double& x, double& y,
            double& z) {
    double e2 = eccentricity_squared(inverse_flattening);
    double s = std::sin(phi);
    double nu = a / std::sqrt(1.0 - e2 * s * s);
    x = (nu + h) * std::cos(phi) * std::cos(lambda);
    y = (nu + h) * std::cos(phi) * std::sin(lambda);
    z = ((1.0 - e2) * nu + h) * s;
}

int xyzgeo_iterations(double x, double y, double z, double a, double inverse_flattening, double& phi,
                      double& lambda, double& h) {
    double e2 = eccentricity_squared(inverse_flattening);

    // Longitude from 0 to 2 pi by quadrant. On the polar axis any longitude
    // serves: take 0 rather than the undefined 0/0.
    if (x == 0.0 && y == 0.0) {
        lambda = 0.0;
    } else {
        lambda = std::atan(std::fabs(y / x));
        if (y >= 0.0 && x < 0.0) lambda = kPi - lambda;
        if (y < 0.0 && x < 0.0) lambda = kPi + lambda;
        if (y < 0.0 && x >= 0.0) lambda = 2.0 * kPi - lambda;
    }

    // Latitude by iteration. Two successive latitudes normally agree to the
    // last bit within a dozen passes; the cap only ends a loop that would
    // otherwise alternate between two neighbouring values for ever.
    double p = std::sqrt(x * x + y * y);
    phi = 0.0;
    double zp = z;
    double nu = a;
    int passes = 0;
    for (;;) {
        double previous = phi;
        phi = std::atan2(zp, p);
        double s = std::sin(phi);
        nu = a / std::sqrt(1.0 - e2 * s * s);
        zp = z + e2 * nu * s;
        ++passes;
        if (std::fabs(phi - previous) <= 9.7e-18 || passes >= kXyzgeoMaxIterations) break;
    }

    // Height through the larger of X and Y (signed comparison). Where the
    // component so chosen is almost nil (longitudes near 180 or 270 degrees)
    // it carries no height: the other one does. On the polar axis neither
    // serves: take the height along the axis.
    bool use_y = x < y;
    if (std::fabs(use_y ? y : x) < 1e-3 * p) use_y = !use_y;
    if (p == 0.0)
        h = std::fabs(z) - (1.0 - e2) * nu;
    else if (use_y)
        h = y / (std::cos(phi) * std::sin(lambda)) - nu;
    else
        h = x / (std::cos(phi) * std::cos(lambda)) - nu;
    return passes;
}

void xyzgeo(double x, double y, double z, double a, double inverse_flattening, double& phi, double& lambda,
            double& h) {
    xyzgeo_iterations(x, y, z, a, inverse_flattening, phi, lambda, h);
}

void gd66gs84(double x, double y, double z, int direction, double& xo, double& yo, double& zo) {
    double sigma = direction == 1 ? -1.0 : 1.0;
    const double to_radians = kPi / 648000.0;
    double tx = sigma * 119.353;
    double ty = sigma * 48.301;
    double tz = -sigma * 139.484;
    double rx = sigma * 0.415 * to_radians;
    double ry = sigma * 0.26 * to_radians;
    double rz = sigma * 0.437 * to_radians;
    double scale = 1.0 + sigma * 6.13e-07;
    xo = (x + rz * y - ry * z) * scale + tx;
    yo = (y - rz * x + rx * z) * scale + ty;
    zo = (z + ry * x - rx * y) * scale + tz;
}

} // namespace quarlo
