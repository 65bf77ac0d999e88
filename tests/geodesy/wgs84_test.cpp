// WGS84 positions of grid coordinates for the map output. Expected values
// from tools/wgs84_reference.py (exact Transverse Mercator inverse, the
// seven-parameter transformation and the cartesian conversion in 40-digit
// arithmetic); the program's series must agree to 1e-8 degree.
#include "geodesy/wgs84.h"

#include "geodesy/zone_context.h"

#include <gtest/gtest.h>

#include <memory>

namespace quarlo {
namespace {

constexpr double kTolerance = 1e-8; // degree

using test::zone;

TEST(Wgs84, Grs80ZoneByTheInverseProjectionAlone) {
    auto ctx = zone(856);
    LonLat p = *grid_to_wgs84(*ctx, 332795.4917, 6291830.8611, 120.0);
    EXPECT_NEAR(p.longitude, 151.19999999963641, kTolerance);
    EXPECT_NEAR(p.latitude, -33.500000000302297, kTolerance);
}

TEST(Wgs84, AustralianDatumZoneThroughTheDatumTransformation) {
    auto ctx = zone(56);
    LonLat p = *grid_to_wgs84(*ctx, 332795.4917, 6291830.8611, 120.0);
    EXPECT_NEAR(p.longitude, 151.20116102229417, kTolerance);
    EXPECT_NEAR(p.latitude, -33.498306822955224, kTolerance);

    auto isg = zone(561);
    p = *grid_to_wgs84(*isg, 312345.678, 1234567.89, 55.5);
    EXPECT_NEAR(p.longitude, 151.13482745719995, kTolerance);
    EXPECT_NEAR(p.latitude, -34.01623367952987, kTolerance);
}

TEST(Wgs84, OnlyFiguresWithAWayToWgs84HaveARoute) {
    EXPECT_EQ(wgs84_route(0), Wgs84Route::None);   // local grid
    EXPECT_EQ(wgs84_route(5), Wgs84Route::None);   // Clarke 1858, yards
    EXPECT_EQ(wgs84_route(755), Wgs84Route::None); // WGS72
    EXPECT_EQ(wgs84_route(900), Wgs84Route::None); // no such zone
    EXPECT_EQ(wgs84_route(49), Wgs84Route::Transformed);
    EXPECT_EQ(wgs84_route(572), Wgs84Route::Transformed);
    EXPECT_EQ(wgs84_route(801), Wgs84Route::Direct);
    EXPECT_EQ(wgs84_route(860), Wgs84Route::Direct);
}

TEST(Wgs84, NoPositionWhereTheSeriesGiveNone) {
    // Northing 20 km in a southern zone: about 9980 km south of the
    // equator, beyond the pole. Quickly refused, whatever the easting.
    auto ctx = zone(856);
    EXPECT_FALSE(grid_to_wgs84(*ctx, 10000.0, 20000.0, 0.0));
    EXPECT_FALSE(grid_to_wgs84(*ctx, 1e300, 6291830.8611, 0.0));
}

TEST(Wgs84, LongitudesWestOfGreenwichAreNegative) {
    // Zone 810: central meridian 6 x 10 - 183 = -123 degrees; a point on it.
    auto ctx = zone(810);
    LonLat p = *grid_to_wgs84(*ctx, 500000.0, 6000000.0, 0.0);
    EXPECT_NEAR(p.longitude, -123.0, 1e-9);
}

} // namespace
} // namespace quarlo
