// Plane bearing and distance between two grid points.
#include "pelmo_routines/stations.h"

#include <gtest/gtest.h>

#include <cmath>

using quarlo::crd07;

namespace {
constexpr double kPi = 3.141592653589793;
}

TEST(Crd07, DueEastAndDueWest) {
    double b = -1, d = -1;
    crd07(100.0, 200.0, 97.0, 200.0, b, d); // dN = 0, dE = -3
    EXPECT_DOUBLE_EQ(b, 3.0 * kPi / 2.0);
    EXPECT_DOUBLE_EQ(d, 3.0);
    crd07(100.0, 200.0, 103.0, 200.0, b, d);
    EXPECT_DOUBLE_EQ(b, kPi / 2.0);
    EXPECT_DOUBLE_EQ(d, 3.0);
}

TEST(Crd07, EachQuadrantClockwiseFromGridNorth) {
    double b, d;
    double a = std::atan(0.75);
    crd07(0, 0, 3, 4, b, d);
    EXPECT_DOUBLE_EQ(b, a);
    EXPECT_DOUBLE_EQ(d, 5.0);
    crd07(0, 0, 3, -4, b, d);
    EXPECT_DOUBLE_EQ(b, kPi - a);
    crd07(0, 0, -3, -4, b, d);
    EXPECT_DOUBLE_EQ(b, kPi + a);
    crd07(0, 0, -3, 4, b, d);
    EXPECT_DOUBLE_EQ(b, 2.0 * kPi - a);
    crd07(0, 0, 0, -4, b, d); // dE = 0, dN < 0: pi
    EXPECT_DOUBLE_EQ(b, kPi);
}

TEST(Crd07, CoincidentPointsGiveZero) {
    double b = 1, d = 1;
    crd07(500000.0, 6000000.0, 500000.0, 6000000.0, b, d);
    EXPECT_EQ(b, 0.0);
    EXPECT_EQ(d, 0.0);
    crd07(0.0, 0.0, 5e-11, -5e-11, b, d);
    EXPECT_EQ(b, 0.0);
    EXPECT_EQ(d, 0.0);
    crd07(0.0, 0.0, 0.0, 6e-11, b, d); // just beyond the limit
    EXPECT_EQ(b, 0.0);
    EXPECT_DOUBLE_EQ(d, 6e-11);
}
