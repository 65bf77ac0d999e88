#include "geodesy/wgs84.h"

#include "geodesy/geodcat.h"
#include "pelmo_routines/cartesian.h"
#include "report/iocat3.h"

#include <cmath>

namespace quarlo {

namespace {

// Zones of the two figures the program has a way to WGS84 for: GRS80 (the
// satellite datum's own figure) and the Australian National Spheroid (the
// Australian datum, by the datum transformation).
constexpr int kGrs80Zone = 801;
constexpr int kAnsZone = 49;
constexpr double kDegrees = 180.0 / kPi; // per radian

bool same_figure(int zone_code, int other) {
    double a1, f1, a2, f2;
    return zone_figure(zone_code, a1, f1) && zone_figure(other, a2, f2) && a1 == a2 && f1 == f2;
}

} // namespace

Wgs84Route wgs84_route(int zone_code) {
    if (same_figure(zone_code, kGrs80Zone)) return Wgs84Route::Direct;
    if (same_figure(zone_code, kAnsZone)) return Wgs84Route::Transformed;
    return Wgs84Route::None;
}

std::optional<LonLat> grid_to_wgs84(const RunContext& ctx, double easting, double northing,
                                    double ellipsoidal_height) {
    double phi = 0.0, lambda = 0.0, gamma = 0.0, k = 0.0;
    geod02(ctx, easting, northing, phi, lambda, gamma, k);
    if (wgs84_route(ctx.tmvals.zone_code) == Wgs84Route::Transformed) {
        // The direction that carries the Australian datum to the satellite
        // datum, as for station 1 of a coordinate difference.
        double x, y, z, xs, ys, zs, h;
        geoxyz(phi, lambda, ellipsoidal_height, ctx.tmvals.a, ctx.tmvals.inverse_flattening, x, y, z);
        gd66gs84(x, y, z, 1, xs, ys, zs);
        double a = 0.0, inverse_flattening = 0.0;
        zone_figure(kGrs80Zone, a, inverse_flattening);
        xyzgeo(xs, ys, zs, a, inverse_flattening, phi, lambda, h);
    }
    LonLat p;
    p.latitude = phi * kDegrees;
    p.longitude = std::remainder(lambda * kDegrees, 360.0);
    if (!std::isfinite(p.latitude) || !std::isfinite(p.longitude) || std::fabs(p.latitude) >= 90.0) return std::nullopt;
    if (p.longitude == -180.0) p.longitude = 180.0;
    return p;
}

} // namespace quarlo
