// Geographic/cartesian conversions and the datum transformation. Datum
// values from tools/geodesy_reference.py (40-digit arithmetic).
#include "pelmo_routines/cartesian.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quarlo {
namespace {

constexpr double kPi = 3.141592653589793;
constexpr double kD2R = 0.017453292519943;
constexpr double kA = 6378137.0;
constexpr double kRf = 298.257222101;

TEST(CartesianConversion, GeoxyzOnTheEquatorAndAtThePole) {
    double x = 0, y = 0, z = 0;
    geoxyz(0.0, 0.0, 10.0, kA, kRf, x, y, z);
    EXPECT_DOUBLE_EQ(x, kA + 10.0);
    EXPECT_NEAR(y, 0.0, 1e-9);
    EXPECT_NEAR(z, 0.0, 1e-9);
    geoxyz(kPi / 2, 0.0, 0.0, kA, kRf, x, y, z);
    // Semi-minor axis b = a(1 - f).
    EXPECT_NEAR(z, kA * (1.0 - 1.0 / kRf), 1e-6);
    EXPECT_NEAR(x, 0.0, 1e-6);
}

TEST(CartesianConversion, RoundTripReturnsLatitudeLongitudeAndHeight) {
    for (double lat : {-89.0, -33.5, -0.5, 0.0, 12.0, 45.0, 80.0})
        for (double lon : {0.0, 37.0, 90.0, 151.2, 180.0, 180.02, 181.0, 260.0, 270.0, 300.0, 359.5, -30.0})
            for (double h : {-50.0, 0.0, 1234.567}) {
                double x = 0, y = 0, z = 0;
                geoxyz(lat * kD2R, lon * kD2R, h, kA, kRf, x, y, z);
                double phi = 0, lambda = 0, hh = 0;
                int passes = xyzgeo_iterations(x, y, z, kA, kRf, phi, lambda, hh);
                double expected_lambda = lon < 0 ? (lon + 360.0) * kD2R : lon * kD2R;
                EXPECT_NEAR(phi, lat * kD2R, 1e-12) << lat << " " << lon;
                EXPECT_NEAR(lambda, expected_lambda, 1e-12) << lat << " " << lon;
                EXPECT_GE(lambda, 0.0);
                EXPECT_LT(lambda, 2 * kPi);
                EXPECT_NEAR(hh, h, 1e-6) << lat << " " << lon << " " << h;
                // Ordinary points settle long before the cap on the iteration.
                EXPECT_LT(passes, 20) << lat << " " << lon;
            }
}

TEST(CartesianConversion, LongitudeQuadrants) {
    double phi = 0, lambda = 0, h = 0;
    xyzgeo(6378137.0, 0.0, 0.0, kA, kRf, phi, lambda, h);
    EXPECT_EQ(lambda, 0.0);
    EXPECT_NEAR(h, 0.0, 1e-6);

    xyzgeo(-4000000.0, -3000000.0, 3000000.0, kA, kRf, phi, lambda, h);
    EXPECT_GT(lambda, kPi);
    EXPECT_LT(lambda, 1.5 * kPi);
    EXPECT_NEAR(lambda, kPi + std::atan(0.75), 1e-15);

    xyzgeo(-4000000.0, 3000000.0, 3000000.0, kA, kRf, phi, lambda, h);
    EXPECT_NEAR(lambda, kPi - std::atan(0.75), 1e-15);

    xyzgeo(4000000.0, -3000000.0, 3000000.0, kA, kRf, phi, lambda, h);
    EXPECT_NEAR(lambda, 2 * kPi - std::atan(0.75), 1e-15);

    xyzgeo(0.0, 6378137.0, 0.0, kA, kRf, phi, lambda, h);
    EXPECT_NEAR(lambda, kPi / 2, 1e-15);
    EXPECT_NEAR(h, 0.0, 1e-6);

    // X = 0 and Y < 0: the height from Y.
    xyzgeo(0.0, -6378137.0, 0.0, kA, kRf, phi, lambda, h);
    EXPECT_NEAR(lambda, 1.5 * kPi, 1e-15);
    EXPECT_NEAR(h, 0.0, 1e-6);

    // Y = 0 and X < 0: half a turn; the height comes from X, not from the
    // vanishing Y.
    xyzgeo(-6378137.0, 0.0, 0.0, kA, kRf, phi, lambda, h);
    EXPECT_NEAR(lambda, kPi, 1e-15);
    EXPECT_NEAR(h, 0.0, 1e-6);
}

TEST(CartesianConversion, IterationEndsEvenWhenLatitudesNeverAgree) {
    // A coordinate that is not a number never gives two equal latitudes: the
    // cap ends the loop instead of hanging the run.
    double phi = 0, lambda = 0, h = 0;
    int passes = xyzgeo_iterations(-4646000.0, 2553000.0, std::nan(""), kA, kRf, phi, lambda, h);
    EXPECT_EQ(passes, kXyzgeoMaxIterations);
    EXPECT_TRUE(std::isnan(phi));
}

TEST(CartesianConversion, PointOnThePolarAxis) {
    double b = kA * (1.0 - 1.0 / kRf);
    double phi = 0, lambda = 1, h = 0;
    xyzgeo(0.0, 0.0, -(b + 25.0), kA, kRf, phi, lambda, h);
    EXPECT_EQ(lambda, 0.0);
    EXPECT_NEAR(phi, -kPi / 2, 1e-15);
    EXPECT_NEAR(h, 25.0, 1e-6);
}

TEST(CartesianDatum, BothDirections) {
    double x = 0, y = 0, z = 0;
    gd66gs84(-4646000.0, 2553000.0, -3500000.0, 1, x, y, z);
    EXPECT_NEAR(x, -4646126.3256776408, 1e-7);
    EXPECT_NEAR(y, 2552947.3327495714, 1e-7);
    EXPECT_NEAR(z, -3499847.3775746857, 1e-7);
    // Any direction but 1 is the other way.
    for (int direction : {2, 0, 7}) {
        gd66gs84(-4646000.0, 2553000.0, -3500000.0, direction, x, y, z);
        EXPECT_NEAR(x, -4645873.6743103190, 1e-7);
        EXPECT_NEAR(y, 2553052.6672538629, 1e-7);
        EXPECT_NEAR(z, -3500152.6224387917, 1e-7);
    }
}

TEST(CartesianDatum, ThereAndBackIsNotQuiteTheIdentity) {
    double x1 = 0, y1 = 0, z1 = 0, x2 = 0, y2 = 0, z2 = 0;
    gd66gs84(-4646000.0, 2553000.0, -3500000.0, 1, x1, y1, z1);
    gd66gs84(x1, y1, z1, 2, x2, y2, z2);
    EXPECT_NEAR(x2 + 4646000.0, -0.00036936, 1e-7);
    EXPECT_NEAR(y2 - 2553000.0, 0.00054586, 1e-7);
    EXPECT_NEAR(z2 + 3500000.0, 0.00002681, 1e-7);
}

} // namespace
} // namespace quarlo
