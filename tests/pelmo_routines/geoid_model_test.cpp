// The geoid model tables and the inverse-distance interpolation.
#include "pelmo_routines/geoid_model.h"

#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <utility>

namespace quarlo {
namespace {

bool on_grid_position(double v) {
    double frac = v - std::floor(v);
    return std::fabs(frac) < 1e-9 || std::fabs(frac - 0.5) < 1e-9 || std::fabs(frac - 0.8) < 1e-9;
}

struct Extent {
    double lon_min = 1e9, lon_max = -1e9, lat_min = 1e9, lat_max = -1e9, n_min = 1e9, n_max = -1e9;
};

Extent extent(const std::vector<GeoidPoint>& t) {
    Extent e;
    for (const GeoidPoint& p : t) {
        e.lon_min = std::min(e.lon_min, p.longitude);
        e.lon_max = std::max(e.lon_max, p.longitude);
        e.lat_min = std::min(e.lat_min, p.latitude);
        e.lat_max = std::max(e.lat_max, p.latitude);
        e.n_min = std::min(e.n_min, p.n);
        e.n_max = std::max(e.n_max, p.n);
    }
    return e;
}

void expect_point(const GeoidPoint& p, double lon, double lat, double n) {
    EXPECT_EQ(p.longitude, lon);
    EXPECT_EQ(p.latitude, lat);
    EXPECT_EQ(p.n, n);
}

TEST(GeoidModelTables, AnsTable) {
    const auto& t = ans_geoid_table();
    ASSERT_EQ(t.size(), 177u);
    expect_point(t[0], 141.0, 28.0, 8.0);
    expect_point(t[1], 142.0, 28.0, 8.5);
    expect_point(t[2], 143.0, 28.0, 8.9);
    expect_point(t.back(), 149.5, 37.5, 17.5);
    Extent e = extent(t);
    EXPECT_EQ(e.lon_min, 140.0);
    EXPECT_EQ(e.lon_max, 154.0);
    EXPECT_EQ(e.lat_min, 28.0);
    EXPECT_EQ(e.lat_max, 38.0);
    EXPECT_GE(e.n_min, 8.0);
    EXPECT_LE(e.n_max, 21.4);
}

TEST(GeoidModelTables, Grs80Table) {
    const auto& t = grs80_geoid_table();
    ASSERT_EQ(t.size(), 383u);
    expect_point(t[0], 148.8, 28.0, 33.818);
    expect_point(t[1], 149.0, 28.0, 34.05);
    expect_point(t[2], 150.0, 28.0, 35.931);
    expect_point(t.back(), 150.0, 37.5, 9.839);
    Extent e = extent(t);
    EXPECT_EQ(e.lon_min, 140.8);
    EXPECT_EQ(e.lon_max, 154.0);
    EXPECT_EQ(e.lat_min, 28.0);
    EXPECT_EQ(e.lat_max, 37.5);
    EXPECT_GE(e.n_min, 2.544);
    EXPECT_LE(e.n_max, 41.045);
}

TEST(GeoidModelTables, PositionsAreHalfWholeOrPointEightAndDistinct) {
    for (const auto* t : {&ans_geoid_table(), &grs80_geoid_table()}) {
        std::set<std::pair<double, double>> seen;
        for (const GeoidPoint& p : *t) {
            EXPECT_TRUE(on_grid_position(p.longitude)) << p.longitude;
            EXPECT_TRUE(on_grid_position(p.latitude)) << p.latitude;
            EXPECT_TRUE(seen.insert({p.longitude, p.latitude}).second) << p.longitude << " " << p.latitude;
        }
    }
}

TEST(GeoidModelSearch, CrowdedAnsWindowKeepsEveryPoint) {
    // Around 149 E 36 S the half-degree points fill the +-1 degree window,
    // bounds included: 25 points, more than 20.
    std::vector<Neighbour> list;
    int count = 0;
    datagd66(149.0, 36.0, list, count);
    EXPECT_EQ(count, 25);
    ASSERT_EQ(list.size(), 25u);
    int on_bound = 0;
    for (const Neighbour& nb : list)
        if (std::fabs(nb.distance - 1.0) < 1e-12 || std::fabs(nb.distance - std::sqrt(2.0)) < 1e-12) ++on_bound;
    EXPECT_EQ(on_bound, 8); // the four edge mid-points and the four corners
    double n66 = -1, n84 = -1;
    nvalue(list, 66, n66, n84, count);
    EXPECT_EQ(n84, -1); // untouched
    // The station stands on the table point (149.0, 36.0).
    for (const GeoidPoint& p : ans_geoid_table()) {
        if (p.longitude == 149.0 && p.latitude == 36.0) {
            EXPECT_EQ(n66, p.n);
        }
    }
}

TEST(GeoidModelSearch, Grs80WindowIsNarrower) {
    std::vector<Neighbour> list{{9.0, 9.0}};
    int count = 0;
    // Within 0.8 degrees of 150 E 28 S: 150.0 on row 28, and 149.5, 150.0,
    // 150.5 on row 28.5 (149.0 and 151.0 lie a degree away).
    grs80_n09(150.0, 28.0, list, count);
    EXPECT_EQ(count, 4);
    ASSERT_EQ(list.size(), 4u);
    EXPECT_EQ(list[0].distance, 0.0);
    EXPECT_EQ(list[0].n, 35.931);
    // Nothing near 142 E 28 S.
    grs80_n09(142.0, 28.0, list, count);
    EXPECT_EQ(count, 0);
    EXPECT_TRUE(list.empty());
}

TEST(GeoidModelInterpolation, InverseDistanceWeights) {
    // D = 1.5: weights 3 and 1.5, (30 + 24) / 4.5 = 12.
    std::vector<Neighbour> list{{0.5, 10.0}, {1.0, 16.0}};
    double n66 = 0, n84 = 0;
    nvalue(list, 84, n66, n84, 2);
    EXPECT_DOUBLE_EQ(n84, 12.0);
    EXPECT_EQ(n66, 0.0);
    n84 = 0;
    nvalue(list, 66, n66, n84, 2);
    EXPECT_DOUBLE_EQ(n66, 12.0);
    EXPECT_EQ(n84, 0.0);
}

TEST(GeoidModelInterpolation, StationOnATablePoint) {
    std::vector<Neighbour> list{{0.3, 10.0}, {0.7, 5.0}, {1e-6, 20.0}, {0.0, 30.0}};
    double n66 = 0, n84 = 0;
    // The first neighbour within 1e-6 degrees gives the result.
    nvalue(list, 66, n66, n84, 4);
    EXPECT_EQ(n66, 20.0);
    // Just beyond 1e-6 it is only a (heavy) weight.
    std::vector<Neighbour> near{{0.3, 10.0}, {1.1e-6, 20.0}};
    nvalue(near, 66, n66, n84, 2);
    EXPECT_GT(n66, 19.99);
    EXPECT_LT(n66, 20.0);
}

TEST(GeoidModelInterpolation, OtherDatumCodesAndEmptyList) {
    std::vector<Neighbour> list{{0.5, 10.0}};
    double n66 = -1, n84 = -1;
    nvalue(list, 70, n66, n84, 1);
    EXPECT_EQ(n66, -1);
    EXPECT_EQ(n84, -1);
    nvalue({}, 84, n66, n84, 0);
    EXPECT_EQ(n84, 0.0);
    // A count beyond the list uses the list.
    nvalue(list, 84, n66, n84, 5);
    EXPECT_EQ(n84, 10.0);
}

} // namespace
} // namespace quarlo
