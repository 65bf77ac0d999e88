// Provisional heights carried from stations of known height.
#include "adjust/htcomp.h"
#include "adjust_fixture.h"

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
