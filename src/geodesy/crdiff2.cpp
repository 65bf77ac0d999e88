// Height difference from a coordinate-difference observation, and the
// equivalent zenith distance and slope distance written to the job's ".zen"
// file as an input record.
#include "geodesy/crdiff2.h"

#include "geodesy/geodcat.h"
#include "geodesy/stnadd.h"
#include "pelmo_routines/cartesian.h"
#include "report/iocat3.h"
#include "report/print.h"

#include <cmath>

namespace quarlo {

namespace {

// The angle placed by ioc18 (one decimal) at column col reads
// "DDD MM SS.S"; close it up to "DDDMMSS.S" in columns col..col+8 and blank
// the three columns freed after it.
void close_up_angle(RunContext& ctx, int col) {
    FixedText<132>& line = ctx.ioarea.prtlin;
    std::string dms = line.sub(col, 11);
    std::string closed = dms.substr(0, 3) + dms.substr(4, 2) + dms.substr(7, 4);
    ioc11(ctx, closed, col, 9);
    ioc11(ctx, "   ", col + 9, 3);
}

// Writes the 80-column zenith-distance record of the line to unit 17.
void write_zenith_record(RunContext& ctx, int number1, int number2, double z, double slope) {
    FixedText<132> saved;
    savepr(ctx, saved);
    blnkpr(ctx);
    if (ctx.rec01.label_mode == 0) {
        ioc11(ctx, "23", 1);
        ioc03(ctx, number1, 4, 3, 0);
        ioc03(ctx, number2, 9, 3, 0);
        ioc18(ctx, z, 13, 1, 1);
        close_up_angle(ctx, 13);
        ioc05(ctx, slope, 29, 10, 3);
        ioc11(ctx, "S", 39);
    } else {
        ioc11(ctx, "zen", 1);
        getlab(ctx, number1, 5);
        getlab(ctx, number2, 19);
        ioc18(ctx, z, 32, 1, 1);
        close_up_angle(ctx, 32);
        ioc05(ctx, slope, 48, 10, 3);
        ioc11(ctx, "S", 58);
    }
    ctx.files.unit17.write_line(ctx.ioarea.prtlin.view().substr(0, 80));
    // The caller's print line is left as it found it (blank in every stage
    // that calls here).
    restpr(ctx, saved);
}

} // namespace

void crdiff2(RunContext& ctx, int number1, int number2, double dx, double dy, double dz, double e1, double n1,
             double e2, double n2, float geoid1, float geoid2, float height1, float& dh) {
    const TmvalsBlock& tm = ctx.tmvals;

    // Without a map zone there is no figure to place the stations on: the
    // difference cannot be turned into a height difference.
    if (!zone_supported(tm.zone_code) || tm.a <= 0.0) {
        if (ctx.files.unit3.is_open()) {
            ioc11(ctx, kCoordinateDifferencesNeedAZone, 40);
            opr00(ctx, 3);
        }
        ctx.reginf.data_error_flag = -1;
        throw FatalStop(" Errors in data", kExitDataErrors);
    }

    // Station 1 on the ellipsoid, in cartesian coordinates.
    double phi1 = 0.0, lambda1 = 0.0, gamma1 = 0.0, k1 = 0.0;
    geod02(ctx, e1, n1, phi1, lambda1, gamma1, k1);
    float h1 = height1 + geoid1;
    double x1 = 0.0, y1 = 0.0, z1 = 0.0;
    geoxyz(phi1, lambda1, static_cast<double>(h1), tm.a, tm.inverse_flattening, x1, y1, z1);

    // The differences are on the satellite datum: below GRS80 zones carry
    // station 1 across and the sum back.
    bool transform = tm.zone_code < 801;
    if (transform) {
        double xt = 0.0, yt = 0.0, zt = 0.0;
        gd66gs84(x1, y1, z1, 1, xt, yt, zt);
        x1 = xt;
        y1 = yt;
        z1 = zt;
    }
    double x2 = x1 + dx;
    double y2 = y1 + dy;
    double z2 = z1 + dz;
    if (transform) {
        double xt = 0.0, yt = 0.0, zt = 0.0;
        gd66gs84(x2, y2, z2, 2, xt, yt, zt);
        x2 = xt;
        y2 = yt;
        z2 = zt;
    }

    double phi2 = 0.0, lambda2 = 0.0, h2 = 0.0;
    xyzgeo(x2, y2, z2, tm.a, tm.inverse_flattening, phi2, lambda2, h2);
    float h2s = static_cast<float>(h2);
    float height2 = h2s - geoid2;
    dh = height2 - height1;

    if (ctx.option.zenith_distance_switch == 0 || (number1 == 0 && number2 == 0)) return;

    // Equivalent zenith distance over the line, with the run's refraction.
    double scale = geod03(ctx, e1, n1, e2, n2);
    double s = std::sqrt((e1 - e2) * (e1 - e2) + (n1 - n2) * (n1 - n2)) / scale;
    double slope = std::sqrt(dx * dx + dy * dy + dz * dz);
    double r = geod06(ctx, e1, n1, e2, n2);
    float height_sum = height1 + height2;
    double c = s * (1.0 + static_cast<double>(height_sum) / (2.0 * r) + s * s / (12.0 * r * r));
    double k0 = static_cast<double>(ctx.rec01.default_refraction);
    double z = kPi / 2.0 + std::atan2(-static_cast<double>(dh), c) + (0.5 - k0) * c / r;

    if (ctx.files.unit17.is_open()) write_zenith_record(ctx, number1, number2, z, slope);
}

} // namespace quarlo
