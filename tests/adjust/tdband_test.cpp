// Re-ordering of the stations for a small band width, and the band width of
// the observation equations.
#include "adjust/tdband.h"
#include "adjust_fixture.h"

#include <gtest/gtest.h>

using namespace quarlo;
using namespace quarlo::test;

namespace {

std::vector<int> station_order(AdjustRun& r) {
    std::vector<int> order;
    for (int i = 1; i <= r.c().numbrs.number_of_stations; ++i) order.push_back(r.obs_station(i).number);
    return order;
}

std::vector<int> number_table(AdjustRun& r) {
    std::vector<int> t;
    for (int i = 1; i <= r.c().numbrs.number_of_stations; ++i) t.push_back(r.c().arrays.station_number_table(i));
    return t;
}

// Free stations 10, 20, ... and a chain of height differences between them,
// given as pairs of record positions.
void chain(AdjustRun& r, int n, const std::vector<std::pair<int, int>>& pairs) {
    for (int i = 1; i <= n; ++i) r.stations.push_back(station(10 * i, 1, 100.0f, 0, 0, "CHAIN " + std::to_string(i)));
    for (auto [a, b] : pairs) r.differences.push_back(height_diff(10 * a, 10 * b, 1.0f));
    r.write();
}

} // namespace

// Positions 1-5-2-4-3 chained. Pass 0: longest link (1,5), D = 4, both ends
// compact; the first candidates 0 lie outside the list and fail, at k = 0
// dB = 3 < 4 swaps positions 5 and 2. Pass 1: D = 3 on (2,5); at k = 1
// dA = 2 <= dB = 2 swaps positions 2 and 3. Pass 2: D = 2, the last of the
// three links of span 2 is (4,2); no try gives less than 2, so it gives up.
TEST(TdbandReorder, HandTracedChainOfFive) {
    AdjustRun r;
    chain(r, 5, {{1, 5}, {5, 2}, {2, 4}, {4, 3}});
    tdband(r.c());
    EXPECT_EQ(r.c().ioarea.unmatched_station_count, 0);
    std::vector<int> expected{10, 30, 50, 40, 20};
    EXPECT_EQ(number_table(r), expected);
    EXPECT_EQ(station_order(r), expected);
    // The whole station record moves with its number.
    EXPECT_EQ(r.obs_station(3).name.str(), "CHAIN 5             ");
    EXPECT_EQ(r.obs_station(5).name.str(), "CHAIN 2             ");
    // Link list now in the new positions, longest link 2.
    const auto& links = r.c().arrays.link_list;
    ASSERT_EQ(links.size(), 4u);
    EXPECT_EQ(links[0].from, 1);
    EXPECT_EQ(links[0].to, 3);
    EXPECT_EQ(links[3].from, 4);
    EXPECT_EQ(links[3].to, 2);
    // Observation records are not moved.
    EXPECT_EQ(read_height_diff(r.c().files.unit9, 6).from, 10);
    EXPECT_EQ(read_height_diff(r.c().files.unit9, 6).to, 50);
}

// Eight stations chained 1-6-3-8-2-7-4-5; final order from an independent
// model of the re-ordering (eleven swaps, then giving up).
TEST(TdbandReorder, ChainOfEightShortensTheLongestLink) {
    AdjustRun r;
    chain(r, 8, {{1, 6}, {6, 3}, {3, 8}, {8, 2}, {2, 7}, {7, 4}, {4, 5}});
    tdband(r.c());
    std::vector<int> expected{20, 70, 80, 30, 40, 60, 10, 50};
    EXPECT_EQ(station_order(r), expected);
    int longest = 0;
    for (const auto& l : r.c().arrays.link_list) longest = std::max(longest, std::abs(l.from - l.to));
    EXPECT_EQ(longest, 3);
}

// Case two with the other partners of X at the last position: targets 4 and 5
// fail, target 6 lies outside the five stations and is a failed try.
TEST(TdbandReorder, WideCaseTargetBeyondTheLastStationIsAFailedTry) {
    AdjustRun r;
    chain(r, 5, {{4, 5}, {3, 5}, {3, 1}});
    EXPECT_NO_THROW(tdband(r.c()));
    EXPECT_EQ(station_order(r), (std::vector<int>{10, 20, 30, 40, 50}));
}

TEST(TdbandReorder, EmptyLinkListKeepsOrderAndRewritesNothing) {
    AdjustRun r;
    // Height differences between fixed stations couple no unknowns; a zenith
    // distance to a fixed station neither.
    r.stations = {station(3, 0, 10.0f), station(1, 0, 20.0f), station(2, 1, 30.0f)};
    r.zeniths.push_back(zenith(2, 1, deg(90, 0, 0), 100.0));
    r.differences.push_back(height_diff(3, 1, 10.0f));
    r.write();
    // Mark the bytes after the station fields: a rewrite would copy them.
    Record raw(kObsRecordLength);
    r.c().files.unit9.read(1, raw);
    raw.set_i32(68, 777);
    r.c().files.unit9.write(1, raw);
    tdband(r.c());
    EXPECT_TRUE(r.c().arrays.link_list.empty());
    EXPECT_EQ(station_order(r), (std::vector<int>{3, 1, 2}));
    r.c().files.unit9.read(1, raw);
    EXPECT_EQ(raw.i32(68), 777);
}

TEST(TdbandReorder, UnknownStationAnywherePreventsReordering) {
    AdjustRun r;
    chain(r, 5, {{1, 5}, {5, 2}, {2, 4}, {4, 3}});
    r.differences.push_back(height_diff(1030, 99, 1.0f)); // 99: no station record
    r.write();
    tdband(r.c());
    EXPECT_EQ(r.c().ioarea.unmatched_station_count, 1);
    EXPECT_EQ(station_order(r), (std::vector<int>{10, 20, 30, 40, 50}));
}

// Links (1,2) and (2,3): the swaps of positions 1 and 2 alternate in every
// pass (case two, then case one with candidates outside the three stations
// failing first), so the 101st and last swap leaves 1 and 2 exchanged.
TEST(TdbandReorder, LinksNeedAFreeToStationAndAZenithOrAFreeFromStation) {
    AdjustRun r;
    r.stations = {station(1, 0, 10.0f), station(2, 1, 20.0f), station(3, 2, 9999.0f)};
    r.zeniths.push_back(zenith(1001, 2, deg(90, 0, 0), 100.0)); // fixed occupied, free target: linked
    r.zeniths.push_back(zenith(2, 1, deg(90, 0, 0), 100.0));    // target fixed: not linked
    r.differences.push_back(height_diff(1, 3, 1.0f));           // fixed from-station: not linked
    r.differences.push_back(height_diff(2002, 3, 1.0f));        // both free: linked
    r.write();
    tdband(r.c());
    const auto& links = r.c().arrays.link_list;
    ASSERT_EQ(links.size(), 2u);
    EXPECT_EQ(links[0].from, 2);
    EXPECT_EQ(links[0].to, 1);
    EXPECT_EQ(links[1].from, 1);
    EXPECT_EQ(links[1].to, 3);
    EXPECT_EQ(station_order(r), (std::vector<int>{2, 1, 3}));
}

namespace {

void equation(AdjustRun& r, int k, std::array<std::int32_t, 5> unknowns) {
    EquationRecord e;
    e.unknown = unknowns;
    write_equation(r.c().files.unit1, 1000 + k, e);
}

} // namespace

TEST(Bandwd, ZeroSlotsCountAsWidthOne) {
    AdjustRun r;
    r.c().numbrs.number_of_observations = 3;
    r.c().numbrs.matrix_size = 50;
    equation(r, 1, {7, 0, 0, 0, 0});
    equation(r, 2, {0, 0, 0, 0, 0});
    equation(r, 3, {12, 0, 12, 0, 0});
    bandwd(r.c());
    EXPECT_EQ(r.c().numbrs.band_width, 1);
}

TEST(Bandwd, WidestEquationAndOnlyObservationEquationsCount) {
    AdjustRun r;
    r.c().numbrs.number_of_observations = 2;
    r.c().numbrs.matrix_size = 50;
    equation(r, 1, {3, 9, 0, 0, 0});      // 9 - 3 + 1 = 7
    equation(r, 2, {20, 14, 21, 0, 0});   // 21 - 14 + 1 = 8
    equation(r, 3, {1, 40, 0, 0, 0});     // a constraint after them: not read
    bandwd(r.c());
    EXPECT_EQ(r.c().numbrs.band_width, 8);
}

TEST(Bandwd, BandAsWideAsTheMatrixIsReportedOneLess) {
    AdjustRun r;
    r.c().numbrs.number_of_observations = 1;
    r.c().numbrs.matrix_size = 4;
    equation(r, 1, {1, 4, 0, 0, 0});
    bandwd(r.c());
    EXPECT_EQ(r.c().numbrs.band_width, 3);
}

// The hand-traced chain of five, numbered in its new order: the height
// differences give the band width 3 (longest link 2).
TEST(Bandwd, BandOfTheReorderedChain) {
    AdjustRun r;
    chain(r, 5, {{1, 5}, {5, 2}, {2, 4}, {4, 3}});
    tdband(r.c());
    r.c().numbrs.matrix_size = 5;
    int k = 0;
    for (const auto& l : r.c().arrays.link_list) equation(r, ++k, {l.from, l.to, 0, 0, 0});
    bandwd(r.c());
    EXPECT_EQ(r.c().numbrs.band_width, 3);
}
