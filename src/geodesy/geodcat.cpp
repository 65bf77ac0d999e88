// Ellipsoid and Transverse Mercator constants of the run's zone, and the
// projection routines: Redfearn's series forward and inverse, the line scale
// factor, the arc-to-chord correction and the radius of curvature in the
// azimuth of a line. Everything here is a pure computation on ctx.tmvals.
#include "geodesy/geodcat.h"

#include "report/iocat3.h"

#include <cmath>

namespace quarlo {

namespace {

// One range of zone codes and the figure and projection it stands for.
struct ZoneRange {
    int first;
    int last;
    double a;
    double inverse_flattening;
    double k0;
    double false_easting;
    double false_northing;
};

// Clarke 1858 in yards (5 degree zones), the Australian National Spheroid
// (6 degree zones, and 2 degree zones coded 10 x zone + sub-zone), WGS72 and
// GRS80 (6 degree zones, zone number + 700 or + 800).
constexpr ZoneRange kZones[] = {
    {1, 8, 6975449.333, 294.26, 1.0, 400000.0, 4915813.46818737},
    {49, 57, 6378160.0, 298.25, 0.9996, 500000.0, 10000000.0},
    {542, 572, 6378160.0, 298.25, 0.99994, 300000.0, 5000000.0},
    {701, 760, 6378135.0, 298.26, 0.9996, 500000.0, 10000000.0},
    {801, 860, 6378137.0, 298.257222101, 0.9996, 500000.0, 10000000.0},
};

const ZoneRange* find_zone(int z) {
    for (const ZoneRange& r : kZones)
        if (z >= r.first && z <= r.last) return &r;
    return nullptr;
}

// Central meridian of zone code z in whole degrees.
int central_meridian_degrees(int z) {
    if (z <= 8) return 5 * z + 111;
    if (z <= 57) return 6 * z - 183;
    if (z <= 572) return 2 * z - 14 * (z / 10) - 187;
    if (z <= 760) return 6 * (z - 700) - 183;
    return 6 * (z - 800) - 183;
}

// Third flattening n to third order in b = f/2.
double third_flattening(const TmvalsBlock& tm) {
    double b = 1.0 / (2.0 * tm.inverse_flattening);
    return b * (1.0 + b + b * b);
}

// Radii of curvature at latitude phi: nu (prime vertical), rho (meridian).
void radii(const TmvalsBlock& tm, double phi, double& nu, double& rho) {
    double s = std::sin(phi);
    double w2 = 1.0 - tm.e2 * s * s;
    double w = std::sqrt(w2);
    nu = tm.a / w;
    rho = tm.a * (1.0 - tm.e2) / (w2 * w);
}

// Meridian distance from the equator to latitude phi.
double meridian_distance(const TmvalsBlock& tm, double phi) {
    double n = third_flattening(tm);
    double q = 13.0 * n / 12.0;
    double re = 1.0 + q * std::cos(2.0 * phi);
    double im = q * std::sin(2.0 * phi);
    double r = std::sqrt(re * re + im * im);
    double theta = std::atan2(im, re);
    double g = tm.a * (1.0 + 0.125 * n * n) * (1.0 + 0.125 * n * n) / (1.0 + n);
    return g * (phi - 9.0 * (1.0 - 0.375 * n * n) * std::pow(r, -2.0 / 13.0) * std::sin(2.0 * theta / 13.0));
}

// Latitude of the mid-point of a line by the inverse projection.
double mid_latitude(const RunContext& ctx, double e1, double n1, double e2, double n2) {
    double phi = 0.0, lambda = 0.0, gamma = 0.0, k = 0.0;
    geod02(ctx, (e1 + e2) / 2.0, (n1 + n2) / 2.0, phi, lambda, gamma, k);
    return phi;
}

} // namespace

bool zone_supported(int zone_code) { return find_zone(zone_code) != nullptr; }

bool zone_figure(int zone_code, double& a, double& inverse_flattening) {
    const ZoneRange* r = find_zone(zone_code);
    if (r == nullptr) return false;
    a = r->a;
    inverse_flattening = r->inverse_flattening;
    return true;
}

bool geod00(RunContext& ctx) {
    TmvalsBlock& tm = ctx.tmvals;
    const ZoneRange* r = find_zone(tm.zone_code);
    if (r == nullptr) {
        // No figure for this code: leave nothing half set.
        int zone = tm.zone_code;
        tm = TmvalsBlock{};
        tm.zone_code = zone;
        return false;
    }
    tm.a = r->a;
    tm.inverse_flattening = r->inverse_flattening;
    tm.k0 = r->k0;
    tm.false_easting = r->false_easting;
    tm.false_northing = r->false_northing;
    tm.central_meridian = static_cast<double>(central_meridian_degrees(tm.zone_code)) * kDegToRad;
    double rf = tm.inverse_flattening;
    tm.e2 = 2.0 / rf - 1.0 / (rf * rf);
    return true;
}

void geod01(const RunContext& ctx, double& e, double& n, double phi, double lambda, double& gamma, double& k) {
    const TmvalsBlock& tm = ctx.tmvals;
    double s = std::sin(phi);
    double c = std::cos(phi);
    double t = std::tan(phi);
    double tt = t * t;
    double nu = 0.0, rho = 0.0;
    radii(tm, phi, nu, rho);
    double h = nu / rho - 1.0;
    double h2 = h * h;
    double h3 = h2 * h;
    double dl = lambda - tm.central_meridian;
    double om = dl * c;
    double w = om * om;

    double t2 = 1.0 - tt + h;
    double t3 = 5.0 + tt * tt + 14.0 * h + 13.0 * h2 + 4.0 * h3 - 2.0 * tt * (9.0 + 29.0 * h + 32.0 * h2 + 12.0 * h3);
    double t4 = 61.0 - 479.0 * tt + 179.0 * tt * tt - tt * tt * tt + h * (331.0 - 3298.0 * tt + 1771.0 * tt * tt);
    e = tm.false_easting + tm.k0 * nu * om * (1.0 + (w / 6.0) * (t2 + (w / 20.0) * (t3 + (w / 42.0) * t4)));

    double m = meridian_distance(tm, phi);
    double cc = 5.0 - tt + 9.0 * h + 4.0 * h2;
    double bb = 61.0 + tt * tt + 270.0 * h + 445.0 * h2 + 324.0 * h3 - tt * (58.0 + 330.0 * h + 680.0 * h2 + 600.0 * h3);
    double aa = 1385.0 - 3111.0 * tt + 543.0 * tt * tt - tt * tt * tt + 21.0 * h * (519.0 + 1639.0 * h) -
                tt * h * (9.0 * h * (14343.0 - 5516.0 * tt) + 21.0 * (1562.0 - 439.0 * tt));
    n = tm.false_northing +
        tm.k0 * (m + (nu * s * c * dl * dl / 2.0) * (1.0 + (w / 12.0) * (cc + (w / 30.0) * (bb + (w / 56.0) * aa))));

    gamma = -s * dl *
            (1.0 + (w / 3.0) * ((1.0 + 2.0 * h) * (1.0 + h) +
                                (w / 5.0) * (2.0 + 15.0 * h + 35.0 * h2 + 33.0 * h3 -
                                             tt * (1.0 + 15.0 * h + 50.0 * h2 + 60.0 * h3) +
                                             (w / 21.0) * (17.0 - 2.0 * tt * (13.0 - tt)))));

    k = tm.k0 * (1.0 + (w / 2.0) * (1.0 + h +
                                     (w / 12.0) * (5.0 + 14.0 * h + 13.0 * h2 + 4.0 * h3 -
                                                   4.0 * tt * (1.0 + 7.0 * h + 12.0 * h2 + 6.0 * h3) +
                                                   (w / 30.0) * (61.0 - 148.0 * tt + 16.0 * tt * tt))));
}

void geod02(const RunContext& ctx, double e, double n, double& phi, double& lambda, double& gamma, double& k) {
    const TmvalsBlock& tm = ctx.tmvals;
    double nn = third_flattening(tm);
    double n2 = nn * nn;
    double n3 = n2 * nn;
    double n4 = n2 * n2;

    // Foot-point latitude from the mean length of one degree of meridian.
    double np = (n - tm.false_northing) / tm.k0;
    double g = tm.a * (1.0 - nn) * (1.0 - n2) * (1.0 + 2.25 * n2 + 3.515625 * n4) * kDegToRad;
    double sigma = (np / g) * kDegToRad;
    double fp = sigma + (1.5 * nn - 0.84375 * n3) * std::sin(2.0 * sigma) +
                (1.3125 * n2 - 1.71875 * n4) * std::sin(4.0 * sigma) + 1.5729166666666667 * n3 * std::sin(6.0 * sigma) +
                2.142578125 * n4 * std::sin(8.0 * sigma);

    double nu = 0.0, rho = 0.0;
    radii(tm, fp, nu, rho);
    double t = std::tan(fp);
    double tt = t * t;
    double h = nu / rho - 1.0;
    double h2 = h * h;
    double h3 = h2 * h;
    double eta = std::sqrt(h > 0.0 ? h : 0.0);
    double ep = e - tm.false_easting;
    double x = ep / (tm.k0 * nu);
    double xx = x * x;

    double p = (1.0 - 2.0 * eta) * (1.0 + 2.0 * eta) * h + 3.0 * tt * (1.0 - 3.0 * h) + 5.0;
    double q = 61.0 + 90.0 * tt + 45.0 * tt * tt + 46.0 * h - 3.0 * h2 + 100.0 * h3 - 252.0 * tt * h - 66.0 * tt * h2 +
               84.0 * tt * h3 - 90.0 * tt * tt * h + 225.0 * tt * tt * h2;
    double r = 1385.0 + 3633.0 * tt + 4095.0 * tt * tt + 1575.0 * tt * tt * tt;
    phi = fp - (t / (tm.k0 * rho)) * (ep * x / 2.0) *
                   (1.0 - (xx / 12.0) * (p - (xx / 30.0) * (q - (xx / 56.0) * r)));

    double d1 = 1.0 + 2.0 * tt + h;
    double d2 = 5.0 + 6.0 * h - 3.0 * h2 - 4.0 * h3 + 4.0 * tt * (7.0 + 2.0 * h + h2 + 6.0 * h3) + 24.0 * tt * tt;
    double d3 = 61.0 + 662.0 * tt + 1320.0 * tt * tt + 720.0 * tt * tt * tt + 107.0 * h + 43.0 * h2 + 97.0 * h3 +
                440.0 * tt * h - 234.0 * tt * h2 + 336.0 * tt * tt * h;
    lambda = tm.central_meridian +
             (x / std::cos(fp)) * (1.0 - (xx / 6.0) * (d1 - (xx / 20.0) * (d2 - (xx / 42.0) * d3)));

    double f = 2.0 + 5.0 * tt + 3.0 * tt * tt + 2.0 * h + 9.0 * h2 + 20.0 * h3 + tt * h * (1.0 - 7.0 * h - 27.0 * h2);
    gamma = -t * x *
            (1.0 - (xx / 3.0) *
                       (1.0 + tt - h - 2.0 * h2 - (xx / 5.0) * (f - (xx / 21.0) * (17.0 + 77.0 * tt + 105.0 * tt * tt + 45.0 * tt * tt * tt))));

    double u = ep * ep / (tm.k0 * tm.k0 * rho * nu);
    k = tm.k0 * (1.0 + (u / 2.0) * (1.0 + (u / 12.0) * (1.0 + 6.0 * h + 9.0 * h2 + 4.0 * h3 -
                                                        24.0 * tt * h2 * (1.0 + h) + u / 30.0)));
}

double geod05(const RunContext& ctx, double e1, double n1, double e2, double n2) {
    const TmvalsBlock& tm = ctx.tmvals;
    double nu = 0.0, rho = 0.0;
    radii(tm, mid_latitude(ctx, e1, n1, e2, n2), nu, rho);
    return tm.k0 * tm.k0 * rho * nu;
}

double geod03(const RunContext& ctx, double e1, double n1, double e2, double n2) {
    const TmvalsBlock& tm = ctx.tmvals;
    double rm2 = geod05(ctx, e1, n1, e2, n2);
    double x1 = e1 - tm.false_easting;
    double x2 = e2 - tm.false_easting;
    double p = (x1 * x1 + x1 * x2 + x2 * x2) / (6.0 * rm2);
    return tm.k0 * (1.0 + p + p * p / 6.0);
}

double geod04(const RunContext& ctx, double e1, double n1, double e2, double n2) {
    const TmvalsBlock& tm = ctx.tmvals;
    double rm2 = geod05(ctx, e1, n1, e2, n2);
    double g = 2.0 * (e1 - tm.false_easting) + (e2 - tm.false_easting);
    return (n1 - n2) * g * (1.0 - g * g / (27.0 * rm2)) / (6.0 * rm2);
}

double geod06(const RunContext& ctx, double e1, double n1, double e2, double n2) {
    const TmvalsBlock& tm = ctx.tmvals;
    double nu = 0.0, rho = 0.0;
    radii(tm, mid_latitude(ctx, e1, n1, e2, n2), nu, rho);
    double delta = geod04(ctx, e1, n1, e2, n2);
    double phi1 = 0.0, lambda1 = 0.0, gamma1 = 0.0, k1 = 0.0;
    geod02(ctx, e1, n1, phi1, lambda1, gamma1, k1);
    double beta = 0.0;
    if (std::fabs(e2 - e1) >= 0.001 || std::fabs(n2 - n1) >= 0.001) beta = std::atan2(e2 - e1, n2 - n1);
    double alpha = beta - gamma1 - delta;
    if (alpha < 0.0) alpha += kTwoPi;
    double sa = std::sin(alpha);
    double ca = std::cos(alpha);
    return rho * nu / (rho * sa * sa + nu * ca * ca);
}

} // namespace quarlo
