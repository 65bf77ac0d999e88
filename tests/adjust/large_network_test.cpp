// A generated network at the run limits (1000 stations, 6000 observations):
// the re-ordering and the provisional heights together stay well under a
// second.
#include "adjust/htcomp.h"
#include "adjust/tdband.h"
#include "adjust_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <iostream>
#include <random>

using namespace quarlo;
using namespace quarlo::test;

namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr double kTimeLimit = 10.0;
#else
constexpr double kTimeLimit = 1.0;
#endif

constexpr int kColumns = 40;
constexpr int kRows = 25; // 1000 grid points, 500 m apart

// Station numbers by grid point: 1..999, and the 1000th point repeats 500.
int number_at(int g) { return g < 999 ? g + 1 : 500; }

} // namespace

TEST(LargeNetwork, ThousandStationsSixThousandObservations) {
    AdjustRun r;
    r.c().ioarea.unmatched_station_count = 0;
    std::mt19937 rng(20140424);

    std::vector<int> order(kColumns * kRows);
    for (int g = 0; g < kColumns * kRows; ++g) order[static_cast<std::size_t>(g)] = g;
    std::shuffle(order.begin(), order.end(), rng);
    for (int g : order) {
        int row = g / kColumns, col = g % kColumns;
        bool fixed = row % 12 == 0 && col % 13 == 0;
        StationRecord s = station(number_at(g), fixed ? 0 : 2, fixed ? 100.0f + static_cast<float>(g % 7) : 9999.0f,
                                  300000.0 + 500.0 * col, 6200000.0 + 500.0 * row);
        r.stations.push_back(s);
    }
    // Neighbouring grid points (right, below and both diagonals) observe each
    // other: 3000 zenith distances first, then 3000 height differences
    // taken from a shuffled copy of the same pairs, observed backwards.
    std::vector<std::pair<int, int>> pairs;
    for (int g = 0; g < kColumns * kRows; ++g) {
        int col = g % kColumns;
        for (int step : {1, kColumns, kColumns + 1, kColumns - 1}) {
            int h = g + step;
            bool wraps = (step == 1 || step == kColumns + 1) ? col == kColumns - 1 : step == kColumns - 1 && col == 0;
            if (h >= kColumns * kRows || wraps || number_at(g) == 500 || number_at(h) == 500) continue;
            pairs.emplace_back(g, h);
        }
    }
    ASSERT_GE(pairs.size(), 3000u);
    std::uniform_real_distribution<double> slope(-0.01, 0.01);
    for (std::size_t i = 0; i < 3000; ++i) {
        auto [g, h] = pairs[i];
        double dist = (h - g == 1 || h - g == kColumns) ? 500.0 : 707.1068;
        r.zeniths.push_back(zenith(number_at(g), number_at(h), deg(90, 0, 0) + slope(rng), dist, 1.5f, 1.5f));
    }
    std::shuffle(pairs.begin(), pairs.end(), rng);
    for (std::size_t i = 0; i < 3000; ++i) {
        auto [g, h] = pairs[i];
        r.differences.push_back(height_diff(number_at(h), number_at(g), static_cast<float>(slope(rng) * 500.0)));
    }
    ASSERT_EQ(r.zeniths.size(), 3000u);
    ASSERT_EQ(r.differences.size(), 3000u);
    r.write();
    r.c().option.provisional_heights_required = 1;

    auto start = std::chrono::steady_clock::now();
    tdband(r.c());
    auto after_ordering = std::chrono::steady_clock::now();
    EXPECT_EQ(r.c().ioarea.unmatched_station_count, 0);
    r.c().ioarea.unmatched_station_count = 1;
    htcomp(r.c());
    auto end = std::chrono::steady_clock::now();

    double ordering = std::chrono::duration<double>(after_ordering - start).count();
    double heights = std::chrono::duration<double>(end - after_ordering).count();
    std::cout << "[ timing   ] tdband " << ordering * 1000.0 << " ms, htcomp " << heights * 1000.0 << " ms\n";
    EXPECT_LT(ordering + heights, kTimeLimit);

    EXPECT_GT(r.c().arrays.link_list.size(), 5000u);
    int unknown = 0;
    for (int i = 1; i <= 1000; ++i)
        if (r.obs_station(i).status == kNoHeight) ++unknown;
    // Every point but the one repeating number 500 (which no observation
    // can name) is reached.
    EXPECT_EQ(unknown, 1);
}
