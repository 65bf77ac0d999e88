// Provisional heights carried from stations of known height.
#include "adjust/htcomp.h"
#include "adjust_fixture.h"
#include "geodesy/crdiff2.h"
#include "geodesy/geodcat.h"
#include "report/edit.h"

#include <gtest/gtest.h>

using namespace quarlo;
using namespace quarlo::test;

namespace {

// A run with the print switch on, as the main driver leaves it.
struct HtRun : AdjustRun {
    HtRun() { c().ioarea.unmatched_station_count = 1; }
    void compute() {
        write();
        htcomp(c());
    }
};

std::string hd_line(const std::string& station, const std::string& from, const std::string& dh) {
    return line132({{1, station}, {7, "computed from"}, {21, from}, {27, "using"}, {36, dh}});
}

} // namespace

// A fixed, B and C unknown, observations B->C then A->B. In station order
// A, B, C the first sweep computes B and then C from B.
TEST(HtcompHeights, ChainInStationOrder) {
    HtRun r;
    r.stations = {station(1, 0, 100.0f), station(2, 2, 9999.0f), station(3, 2, 9999.0f)};
    r.differences = {height_diff(2, 3, -2.125f), height_diff(1, 2, 5.25f, 1.5f, 1.2f)};
    r.compute();
    EXPECT_EQ(r.obs_station(2).status, kHeightGiven);
    EXPECT_FLOAT_EQ(r.obs_station(2).height, 105.55f); // 100 + 1.5 + 5.25 - 1.2
    EXPECT_FLOAT_EQ(r.obs_station(3).height, 103.425f);
    auto lines = r.lines_with("computed from");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], hd_line("   2", "   1", "   5.250"));
    EXPECT_EQ(lines[1], hd_line("   3", "   2", "  -2.125"));
    // One line directly below the other (spacing 1).
    auto all = r.run.report();
    auto it = std::find(all.begin(), all.end(), lines[0]);
    ASSERT_NE(it, all.end());
    EXPECT_EQ(*(it + 1), lines[1]);
    EXPECT_EQ(r.lines_with("PROVISIONAL HEIGHT COMPUTATION").size(), 1u);
}

// In station order A, C, B the first sweep cannot reach C (B comes after
// it); the second sweep does.
TEST(HtcompHeights, ChainAgainstStationOrderTakesASecondSweep) {
    HtRun r;
    r.stations = {station(1, 0, 100.0f), station(3, 2, 9999.0f), station(2, 2, 9999.0f)};
    r.differences = {height_diff(2, 3, -2.125f), height_diff(1, 2, 5.25f, 1.5f, 1.2f)};
    r.compute();
    EXPECT_FLOAT_EQ(r.obs_station(3).height, 105.55f);
    EXPECT_FLOAT_EQ(r.obs_station(2).height, 103.425f);
    auto lines = r.lines_with("computed from");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], hd_line("   2", "   1", "   5.250"));
    EXPECT_EQ(lines[1], hd_line("   3", "   2", "  -2.125"));
}

// B is only the from-station of an observation to known A:
// H = H(A) + ht - dh - hi.
TEST(HtcompHeights, ReverseObservation) {
    HtRun r;
    r.stations = {station(1, 1, 100.0f), station(2, 2, 9999.0f)};
    r.differences = {height_diff(3002, 1, -5.25f, 1.5f, 1.2f)};
    r.compute();
    EXPECT_FLOAT_EQ(r.obs_station(2).height, 104.95f);
    auto lines = r.lines_with("computed from");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], hd_line("   2", "   1", "  -5.250"));
}

// Zone 0: the plane distance 500 from coordinates and R = 6370100.
// dh = 500 / tan(89 30) + (0.5 - 0.065) * 500^2 / 6370100 = 4.380506.
TEST(HtcompHeights, ZenithDistanceWithPlaneDistanceInZoneZero) {
    HtRun r;
    r.stations = {station(1, 0, 50.0f, 1000.0, 1000.0), station(2, 2, 9999.0f, 1300.0, 1400.0)};
    r.zeniths = {zenith(1, 2, deg(89, 30, 0), 0.0, 1.6f, 1.3f)};
    r.compute();
    EXPECT_NEAR(r.obs_station(2).height, 54.680504f, 1e-5);
    auto lines = r.lines_with("computed from");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], line132({{1, "   2"}, {7, "computed from"}, {21, "   1"}, {27, "using"},
                                 {36, " 89 30 00.0"}, {52, "   500.000"}}));
}

// A slope distance of 600 at 88 degrees: d = 600 sin z = 599.634.
TEST(HtcompHeights, SlopeDistanceIsReduced) {
    HtRun r;
    r.stations = {station(1, 0, 50.0f), station(2, 2, 9999.0f)};
    ZenithRecord z = zenith(1, 2, deg(88, 0, 0), 600.0);
    z.distance_type = 'S';
    r.zeniths = {z};
    r.compute();
    EXPECT_NEAR(r.obs_station(2).height, 70.964249f, 1e-5);
    auto lines = r.lines_with("computed from");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(cols(lines[0], 36, 26), " 88 00 00.0        599.634");
}

TEST(HtcompHeights, ZenithWithoutDistanceNeedsBothStationsCoordinates) {
    HtRun r;
    r.stations = {station(1, 0, 50.0f, 1000.0, 1000.0), station(2, 2, 9999.0f)};
    r.zeniths = {zenith(1, 2, deg(89, 30, 0))};
    r.compute();
    EXPECT_EQ(r.obs_station(2).status, kNoHeight);
    EXPECT_EQ(r.obs_station(2).height, 9999.0f);
    EXPECT_TRUE(r.lines_with("computed from").empty());
}

TEST(HtcompHeights, EllipsoidalMarkerCarriesThrough) {
    HtRun r;
    r.stations = {station(1, 0, -4900.0f), station(2, 2, 9999.0f)};
    r.differences = {height_diff(1, 2, 5.0f)};
    r.compute();
    EXPECT_EQ(r.obs_station(2).height, -4895.0f); // 100 + 5, stored minus 5000
    EXPECT_EQ(r.lines_with("computed from").size(), 1u);
}

// B is reachable by a zenith distance (first) and a height difference; the
// height difference phase comes first. C only by a zenith distance from B,
// so it waits for the second phase and uses B's levelled height.
TEST(HtcompHeights, HeightDifferencesFirstThenZenithDistances) {
    HtRun r;
    r.stations = {station(1, 0, 50.0f, 1000.0, 1000.0), station(2, 2, 9999.0f, 1300.0, 1400.0),
                  station(3, 2, 9999.0f)};
    r.zeniths = {zenith(1, 2, deg(89, 30, 0), 0.0, 1.6f, 1.3f), zenith(2, 3, deg(90, 0, 0), 100.0)};
    r.differences = {height_diff(1, 2, 4.0f)};
    r.compute();
    EXPECT_EQ(r.obs_station(2).height, 54.0f);
    // dh = 100/tan(90) + 0.435 * 100^2 / 6370100 = 0.000683
    EXPECT_NEAR(r.obs_station(3).height, 54.000683f, 2e-6);
    auto lines = r.lines_with("computed from");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], hd_line("   2", "   1", "   4.000"));
    EXPECT_EQ(lines[1], line132({{1, "   3"}, {7, "computed from"}, {21, "   2"}, {27, "using"},
                                 {36, " 90 00 00.0"}, {52, "   100.000"}}));
}

TEST(HtcompHeights, ObservationNamingAMissingStationIsNotUsed) {
    HtRun r;
    r.stations = {station(1, 0, 10.0f), station(2, 2, 9999.0f)};
    r.differences = {height_diff(1, 77, 1.0f), height_diff(2077, 2, 2.0f), height_diff(1, 2, 3.0f)};
    r.compute();
    auto missing = r.lines_with("NOT FOUND");
    ASSERT_EQ(missing.size(), 2u);
    EXPECT_EQ(missing[0], line132({{52, "*** STATION  77 NOT FOUND ***"}}));
    EXPECT_EQ(missing[1], missing[0]);
    EXPECT_EQ(r.obs_station(2).height, 13.0f);
    EXPECT_EQ(r.c().frmstn.from_position(1), 0);
    EXPECT_EQ(r.c().frmstn.from_position(3), 1);
    EXPECT_EQ(r.c().arrays.to_position(3), 2);
}

TEST(HtcompHeights, UnreachableStationKeepsStatusTwoAndPrintSwitchOff) {
    HtRun r;
    r.c().ioarea.unmatched_station_count = 0;
    r.stations = {station(1, 0, 10.0f), station(2, 2, 9999.0f), station(3, 2, 9999.0f), station(4, 2, 9999.0f)};
    r.differences = {height_diff(1, 2, 1.0f), height_diff(3, 4, 1.0f)};
    r.compute();
    EXPECT_EQ(r.obs_station(2).height, 11.0f);
    EXPECT_EQ(r.obs_station(3).status, kNoHeight);
    EXPECT_EQ(r.obs_station(4).status, kNoHeight);
    EXPECT_TRUE(r.lines_with("computed from").empty());
}

TEST(HtcompHeights, ZenithDistanceOfZeroGivesNoHeight) {
    HtRun r;
    r.stations = {station(1, 0, 10.0f), station(2, 2, 9999.0f)};
    r.zeniths = {zenith(1, 2, 0.0, 100.0)};
    r.compute();
    EXPECT_EQ(r.obs_station(2).status, kNoHeight);
}

namespace {

// A run in zone 56 (Australian National Spheroid) with mean latitude 33.
struct ZoneRun : HtRun {
    ZoneRun() {
        c().tmvals.zone_code = 56;
        c().numbrs.mean_latitude = 33;
        EXPECT_TRUE(geod00(c()));
    }
};

} // namespace

// Distance and azimuth given: the radius of the ellipsoid at the mean
// latitude 33 in azimuth 45, R = 6369405.69 (worked independently), not the
// default radius (which would give 294.0974).
TEST(HtcompZone, RadiusFromTheFigureAtTheMeanLatitude) {
    ZoneRun r;
    r.stations = {station(1, 0, 200.0f), station(2, 2, 9999.0f)};
    ZenithRecord z = zenith(1, 2, deg(89, 30, 0), 10000.0);
    z.azimuth = 45.0;
    r.zeniths = {z};
    r.compute();
    EXPECT_NEAR(r.obs_station(2).height, 294.09821f, 3e-5);
}

// No distance: the grid distance over the point scale factor at the
// occupied station, the azimuth from the grid bearing less the convergence
// there, the mean of the two latitudes.
TEST(HtcompZone, GridDistanceReducedByThePointScaleFactor) {
    ZoneRun r;
    double e1 = 320000.0, n1 = 6250000.0, e2 = 326000.0, n2 = 6258000.0;
    r.stations = {station(1, 0, 200.0f, e1, n1), station(2, 2, 9999.0f, e2, n2)};
    r.zeniths = {zenith(1, 2, deg(89, 30, 0), 0.0, 1.5f, 1.5f)};
    r.compute();

    const auto& t = r.c().tmvals;
    double phi1, l1, g1, k1, phi2, l2, g2, k2;
    geod02(r.c(), e1, n1, phi1, l1, g1, k1);
    geod02(r.c(), e2, n2, phi2, l2, g2, k2);
    double d = 10000.0 / k1;                   // plane distance 10000
    double alpha = std::atan2(6000.0, 8000.0) - g1;
    double b = t.a * (1.0 - 1.0 / t.inverse_flattening);
    double ep = (t.a * t.a - b * b) / (b * b);
    double c1 = std::pow(std::cos((phi1 + phi2) / 2.0), 2), c2 = std::pow(std::cos(alpha), 2);
    double radius = t.a / std::sqrt(1.0 - t.e2) / std::sqrt(1.0 + ep * c1) / (1.0 + ep * c1 * c2);
    double dh = d / std::tan(deg(89, 30, 0)) + (0.5 - 0.065) * d * d / radius;
    EXPECT_NEAR(r.obs_station(2).height, 200.0 + dh, 1e-4);
    EXPECT_GT(k1, 0.9996);
    auto lines = r.lines_with("computed from");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(cols(lines[0], 52, 10), edit::fixed_field(d, 10, 3));
}

// Coordinate differences through crdiff2: forward from the known station,
// with the cartesian line, and not usable when the from-station has no
// coordinates.
TEST(HtcompZone, CoordinateDifferenceForwardAndItsLine) {
    ZoneRun r;
    double e1 = 320000.0, n1 = 6250000.0, e2 = 321000.0, n2 = 6251000.0;
    StationRecord a = station(1, 0, 150.0f, e1, n1);
    a.geoid = 22.5f;
    StationRecord b = station(2, 2, 9999.0f, e2, n2);
    b.geoid = 22.4f;
    r.stations = {a, b};
    r.differences = {coordinate_diff(1, 2, 1, 1.7f, 1.2f)}; // instrument and target heights are ignored
    CoordDiffRecord cd{1, 2, -512.25, 300.5, 812.125};
    r.add_coord_diff(1, cd);
    r.compute();
    float dh = 0.0f;
    crdiff2(r.c(), 0, 0, cd.dx, cd.dy, cd.dz, e1, n1, e2, n2, 22.5f, 22.4f, 150.0f, dh);
    EXPECT_EQ(r.obs_station(2).height, 150.0f + dh);
    auto lines = r.lines_with("cartesian");
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(lines[0], line132({{1, "   2"}, {7, "computed by cartesian coordinate differences from"},
                                 {57, "   1"}, {63, "using"}, {71, "   -512.250"}, {86, "    300.500"},
                                 {104, "    812.125"}}));
}

TEST(HtcompZone, CoordinateDifferenceNeedsTheFromStationsCoordinates) {
    ZoneRun r;
    r.stations = {station(1, 2, 9999.0f), station(2, 0, 150.0f, 321000.0, 6251000.0)};
    r.differences = {coordinate_diff(1, 2, 1)};
    r.add_coord_diff(1, CoordDiffRecord{1, 2, 10.0, 10.0, 10.0});
    r.compute();
    EXPECT_EQ(r.obs_station(1).status, kNoHeight);
}

TEST(HtcompLabels, LabelModeLine) {
    HtRun r;
    r.c().rec01.label_mode = 1;
    r.label(1, "BASE");
    r.label(2, "TOWER_NORTH");
    r.label(3, "PEAK");
    r.stations = {station(1, 0, 50.0f), station(2, 2, 9999.0f), station(3, 2, 9999.0f)};
    r.zeniths = {zenith(1, 3, deg(88, 0, 0), 600.0)};
    r.differences = {height_diff(1, 2, 3.5f)};
    r.compute();
    auto lines = r.lines_with("computed from");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[1], line132({{1, "PEAK"}, {14, "computed from"}, {29, "BASE"}, {42, "using"},
                                 {49, " 88 00 00.0"}, {65, "   600.000"}}));
    EXPECT_EQ(lines[0], line132({{1, "TOWER_NORTH"}, {14, "computed from"}, {29, "BASE"}, {42, "using"},
                                 {49, "   3.500"}}));
}
