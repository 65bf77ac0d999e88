// Zone constants and projection routines. Reference values of the anchor
// point and of the 12 km line come from tools/geodesy_reference.py (exact
// Transverse Mercator, Vincenty's geodesic).
#include "geodesy/geodcat.h"
#include "geodesy/zone_context.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>

namespace quarlo {
namespace {

constexpr double kD2R = 0.017453292519943;
constexpr double kRad2Deg = 57.29577951308232;

using test::zone;

TEST(GeodZoneConstants, SixDegreeAnsZone56) {
    auto ctx = zone(56);
    const TmvalsBlock& tm = ctx->tmvals;
    EXPECT_EQ(tm.a, 6378160.0);
    EXPECT_EQ(tm.inverse_flattening, 298.25);
    EXPECT_EQ(tm.k0, 0.9996);
    EXPECT_EQ(tm.false_easting, 500000.0);
    EXPECT_EQ(tm.false_northing, 10000000.0);
    EXPECT_DOUBLE_EQ(tm.central_meridian, 153.0 * kD2R);
    EXPECT_NEAR(tm.e2, 0.0066945418545876372, 1e-18); // 2f - f^2, f = 1/298.25
}

TEST(GeodZoneConstants, TwoDegreeSubZones) {
    auto z561 = zone(561);
    EXPECT_DOUBLE_EQ(z561->tmvals.central_meridian, 151.0 * kD2R);
    auto z552 = zone(552);
    EXPECT_DOUBLE_EQ(z552->tmvals.central_meridian, 147.0 * kD2R);
    for (const auto* tm : {&z561->tmvals, &z552->tmvals}) {
        EXPECT_EQ(tm->k0, 0.99994);
        EXPECT_EQ(tm->false_easting, 300000.0);
        EXPECT_EQ(tm->false_northing, 5000000.0);
        EXPECT_EQ(tm->a, 6378160.0);
    }
    // Zone 57 sub-zone 2 and zone 54 sub-zone 2.
    EXPECT_DOUBLE_EQ(zone(572)->tmvals.central_meridian, 159.0 * kD2R);
    EXPECT_DOUBLE_EQ(zone(542)->tmvals.central_meridian, 141.0 * kD2R);
    EXPECT_DOUBLE_EQ(zone(562)->tmvals.central_meridian, 153.0 * kD2R);
}

TEST(GeodZoneConstants, OtherFigures) {
    auto z855 = zone(855);
    EXPECT_EQ(z855->tmvals.a, 6378137.0);
    EXPECT_EQ(z855->tmvals.inverse_flattening, 298.257222101);
    EXPECT_DOUBLE_EQ(z855->tmvals.central_meridian, 147.0 * kD2R);
    EXPECT_NEAR(z855->tmvals.e2, 0.0066943800229007876, 1e-18);

    auto z755 = zone(755);
    EXPECT_EQ(z755->tmvals.a, 6378135.0);
    EXPECT_EQ(z755->tmvals.inverse_flattening, 298.26);
    EXPECT_DOUBLE_EQ(z755->tmvals.central_meridian, 147.0 * kD2R);

    auto z3 = zone(3);
    EXPECT_EQ(z3->tmvals.a, 6975449.333);
    EXPECT_EQ(z3->tmvals.inverse_flattening, 294.26);
    EXPECT_EQ(z3->tmvals.k0, 1.0);
    EXPECT_EQ(z3->tmvals.false_easting, 400000.0);
    EXPECT_EQ(z3->tmvals.false_northing, 4915813.46818737);
    EXPECT_DOUBLE_EQ(z3->tmvals.central_meridian, 126.0 * kD2R);
}

TEST(GeodZoneConstants, CodesOutsideEveryRangeAreRefusedAndClearTheConstants) {
    for (int code : {0, 9, 48, 58, 541, 573, 700, 761, 800, 861, -56}) {
        RunContext ctx;
        ctx.tmvals.zone_code = 56;
        ASSERT_TRUE(geod00(ctx));
        ctx.tmvals.zone_code = code;
        EXPECT_FALSE(geod00(ctx)) << code;
        EXPECT_FALSE(zone_supported(code)) << code;
        EXPECT_EQ(ctx.tmvals.a, 0.0) << code;
        EXPECT_EQ(ctx.tmvals.k0, 0.0) << code;
        EXPECT_EQ(ctx.tmvals.central_meridian, 0.0) << code;
        EXPECT_EQ(ctx.tmvals.zone_code, code);
    }
    for (int code : {1, 8, 49, 57, 542, 572, 701, 760, 801, 860}) EXPECT_TRUE(zone_supported(code)) << code;
}

TEST(GeodProjection, AnchorPointInZone856) {
    auto ctx = zone(856);
    double e = 0, n = 0, gamma = 0, k = 0;
    geod01(*ctx, e, n, -33.5 * kD2R, 151.2 * kD2R, gamma, k);
    // Exact: E 332795.491733, N 6291830.861134. The series carry the third
    // flattening to third order only, which costs 0.1 mm of meridian distance
    // here; both stay within 0.1 mm of the millimetre-and-tenth values.
    EXPECT_NEAR(e, 332795.4917, 1e-4);
    EXPECT_NEAR(n, 6291830.8611, 1e-4);
    EXPECT_NEAR(e, 332795.49173296, 2e-5);
    EXPECT_NEAR(n, 6291830.86113417, 1.1e-4);
    EXPECT_NEAR(gamma * kRad2Deg, -0.9937171049, 5e-8);
    EXPECT_NEAR(k, 0.9999446833, 2e-10);

    // And back.
    double phi = 0, lambda = 0, gamma2 = 0, k2 = 0;
    geod02(*ctx, e, n, phi, lambda, gamma2, k2);
    EXPECT_NEAR(phi, -33.5 * kD2R, 1e-10);
    EXPECT_NEAR(lambda, 151.2 * kD2R, 1e-10);
    EXPECT_NEAR(gamma2, gamma, 1e-9);
    EXPECT_NEAR(k2, k, 1e-9);
}

TEST(GeodProjection, PointOnTheCentralMeridian) {
    auto ctx = zone(56);
    double e = 0, n = 0, gamma = 1, k = 0;
    geod01(*ctx, e, n, -30.0 * kD2R, ctx->tmvals.central_meridian, gamma, k);
    EXPECT_EQ(e, 500000.0);
    EXPECT_EQ(gamma, 0.0);
    EXPECT_EQ(k, 0.9996);
    double phi = 0, lambda = 0, gamma2 = 1, k2 = 0;
    geod02(*ctx, 500000.0, n, phi, lambda, gamma2, k2);
    EXPECT_EQ(lambda, ctx->tmvals.central_meridian);
    EXPECT_EQ(gamma2, 0.0);
    EXPECT_EQ(k2, 0.9996);
    EXPECT_NEAR(phi, -30.0 * kD2R, 1e-12);
}

TEST(GeodProjection, ForwardThenInverseReturnsThePoint) {
    for (int code : {56, 561, 855, 3}) {
        auto ctx = zone(code);
        double cm = ctx->tmvals.central_meridian;
        for (double lat : {-10.0, -28.0, -33.5, -37.9, -43.0})
            for (double dl : {-3.0, -1.2, 0.4, 2.5, 3.0}) {
                double phi = lat * kD2R, lambda = cm + dl * kD2R;
                double e = 0, n = 0, gamma = 0, k = 0;
                geod01(*ctx, e, n, phi, lambda, gamma, k);
                double phi2 = 0, lambda2 = 0, gamma2 = 0, k2 = 0;
                geod02(*ctx, e, n, phi2, lambda2, gamma2, k2);
                // The series are good to well under a millimetre 3 degrees out.
                EXPECT_NEAR(phi2, phi, 2e-10) << code << " " << lat << " " << dl;
                EXPECT_NEAR(lambda2, lambda, 2e-10) << code << " " << lat << " " << dl;
                EXPECT_NEAR(gamma2, gamma, 1e-9);
                EXPECT_NEAR(k2, k, 1e-8);
                // Convergence west of the meridian in the south is negative.
                EXPECT_EQ(gamma < 0, dl < 0) << code << " " << lat << " " << dl;
            }
    }
}

// The line from the anchor point to (342000, 6300000), zone 856.
constexpr double kE1 = 332795.4917, kN1 = 6291830.8611, kE2 = 342000.0, kN2 = 6300000.0;

TEST(GeodLine, ScaleFactorArcToChordAndRadius) {
    auto ctx = zone(856);
    // Exact values; the line formulas are truncated at the fourth order
    // (1e-9 in the scale factor, 0.001" in the arc-to-chord correction).
    EXPECT_NEAR(geod03(*ctx, kE1, kN1, kE2, kN2), 0.999926058283, 1e-9);
    EXPECT_NEAR(geod04(*ctx, kE1, kN1, kE2, kN2), 1.65364130e-5, 5e-9);
    EXPECT_NEAR(geod05(*ctx, kE1, kN1, kE2, kN2) / 40540850043411.94, 1.0, 1e-12);
    EXPECT_NEAR(geod06(*ctx, kE1, kN1, kE2, kN2), 6371982.5896, 1e-3);
    // The arc-to-chord correction changes sign with the direction of the line.
    EXPECT_LT(geod04(*ctx, kE2, kN2, kE1, kN1), 0.0);
}

TEST(GeodLine, CoincidentPointsUseBearingZero) {
    auto ctx = zone(856);
    EXPECT_NEAR(geod06(*ctx, kE1, kN1, kE1, kN1), 6354877.9237, 1e-3);
    // Closer than a millimetre in both directions counts as coincident.
    EXPECT_NEAR(geod06(*ctx, kE1, kN1, kE1 + 0.0009, kN1 - 0.0009), 6354877.9237, 1e-3);
    EXPECT_EQ(geod04(*ctx, kE1, kN1, kE1, kN1), 0.0);
    // A line of no length: the point scale factor at point 1 (to the
    // truncation of the line formula).
    EXPECT_NEAR(geod03(*ctx, kE1, kN1, kE1, kN1), 0.999944683857, 1e-11);
}

} // namespace
} // namespace quarlo
