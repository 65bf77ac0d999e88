// The datum check on levelled grids with rotation parameters: which known
// heights determine the rotation, and which row an undetermined one names.
// The equation records are laid out directly, so that the rule is tested
// apart from the rounding of any factorisation.
#include "adjust/datum_check.h"
#include "core/records.h"
#include "support/test_util.h"

#include <gtest/gtest.h>

#include <map>
#include <set>
#include <vector>

using namespace quarlo;
using namespace quarlo::test;

namespace {

constexpr int kSide = 5; // 5 x 5 stations 100 m apart; position 1 in the south-west

int position(int row, int col) { return row * kSide + col + 1; }
const int kSW = position(0, 0), kS = position(0, 2), kSE = position(0, kSide - 1), kNW = position(kSide - 1, 0),
          kNE = position(kSide - 1, kSide - 1);

struct Grid {
    std::set<int> fixed;                      // positions held fixed
    int height_observation = 0;               // a position whose height is also observed
    std::vector<std::pair<int, int>> zeniths; // zenith distances (from, to)
    bool refraction_constraint = true;        // the network K held by its constraint
};

// The grid levelled to each eastern and northern neighbour, every height
// difference with rotation terms; the unknowns are the free heights, the
// network refraction coefficient when there are zenith distances, then phi
// and omega. Returns the row the check names.
int check(const Grid& g) {
    TempDir dir;
    TestRun run;
    RunContext& ctx = run.c();
    ctx.files.unit1.open("quarlo01.wrk", kEqnRecordLength);

    const int stations = kSide * kSide;
    std::map<int, int> height; // position -> unknown
    std::map<int, std::pair<double, double>> at;
    for (int p = 1; p <= stations; ++p) {
        const int row = (p - 1) / kSide, col = (p - 1) % kSide;
        EqnStationRecord s;
        s.status = g.fixed.count(p) ? 0 : 1;
        s.easting = 1000.0 + 100.0 * col;
        s.northing = 2000.0 + 100.0 * row;
        s.coordinates_flag = 1;
        s.number = p;
        if (s.status != 0) s.first_unknown = height[p] = static_cast<int>(height.size()) + 1;
        if (p == g.height_observation) s.height_sd = 0.005f;
        at[p] = {s.easting, s.northing};
        write_eqn_station(ctx.files.unit1, p, s);
    }
    const int k = g.zeniths.empty() ? 0 : static_cast<int>(height.size()) + 1;
    const int n = static_cast<int>(height.size()) + (k ? 1 : 0) + 2;

    std::vector<EquationRecord> eqs;
    auto heights = [&](EquationRecord& q, int from, int to, float c) {
        if (height.count(from)) q.unknown[0] = height[from], q.coefficient[0] = -c;
        if (height.count(to)) q.unknown[1] = height[to], q.coefficient[1] = c;
        q.from_position = from;
        q.to_position = to;
        q.weight = 1.0f;
    };
    for (auto [from, to] : g.zeniths) {
        EquationRecord q;
        heights(q, from, to, -40.0f);
        q.unknown[2] = k;
        q.coefficient[2] = -0.01f;
        eqs.push_back(q);
    }
    for (int p = 1; p <= stations; ++p)
        for (int next : {p + 1, p + kSide}) {
            if (next > stations || (next == p + 1 && (p - 1) % kSide == kSide - 1)) continue;
            EquationRecord q;
            heights(q, p, next, 1.0f);
            q.unknown[2] = n - 1;
            q.coefficient[2] = static_cast<float>((at[next].first - at[p].first) / 100.0);
            q.unknown[3] = n;
            q.coefficient[3] = static_cast<float>(-(at[next].second - at[p].second) / 100.0);
            eqs.push_back(q);
        }
    if (g.height_observation) {
        EquationRecord q;
        q.unknown[0] = height[g.height_observation];
        q.coefficient[0] = 1.0f;
        q.weight = 40000.0f;
        q.from_position = g.height_observation;
        eqs.push_back(q);
    }
    if (k && g.refraction_constraint) {
        EquationRecord q;
        q.unknown[0] = k;
        q.coefficient[0] = 1.0f;
        q.weight = 0.01f;
        eqs.push_back(q);
    }
    for (std::size_t e = 0; e < eqs.size(); ++e) write_equation(ctx.files.unit1, 1001 + static_cast<int>(e), eqs[e]);

    ctx.numbrs.number_of_stations = stations;
    ctx.numbrs.matrix_size = n;
    ctx.numbrs.number_of_equations = static_cast<int>(eqs.size());
    ctx.option.rotation_option = 2;
    return datum_defect_row(ctx);
}

} // namespace

// A tilt the known heights do not hold leaves phi (the first rotation row)
// undetermined; known heights in one line determine the tilt across that
// line only, which leaves omega, or phi for a line running north. Three
// known heights off one line determine both.
TEST(RotationDatum, KnownHeightsOnALevelledGrid) {
    struct Case {
        std::set<int> fixed;
        int row; // from the end: 1 phi, 0 omega; -1 none
    };
    const std::vector<Case> cases = {
        {{kSW}, 1},          {{kSW, kNE}, 0},      {{kSW, kSE}, 0}, {{kSW, kNW}, 1},
        {{kSW, kS, kSE}, 0}, {{kSW, kSE, kNW}, -1}, {{kSW, kS, kNE}, -1},
    };
    for (const auto& c : cases) {
        Grid g;
        g.fixed = c.fixed;
        const int n = kSide * kSide - static_cast<int>(c.fixed.size()) + 2;
        EXPECT_EQ(check(g), c.row < 0 ? 0 : n - c.row) << c.fixed.size() << " fixed, the last " << *c.fixed.rbegin();
    }
}

// A height observation is a known height; so is the far end of a zenith
// distance from a fixed station, whose refraction coefficient is held by a
// constraint and takes no tilt up. Without that constraint the coefficient
// could take it up, and the check leaves the matrix to the factorisation.
TEST(RotationDatum, HeightObservationsAndZenithDistancesHoldHeights) {
    const int n = kSide * kSide - 2 + 2;
    Grid observed;
    observed.fixed = {kSW, kSE};
    observed.height_observation = kNW;
    EXPECT_EQ(check(observed), 0);
    observed.height_observation = kS;
    EXPECT_EQ(check(observed), n);

    Grid sighted;
    sighted.fixed = {kSW, kSE};
    sighted.zeniths = {{kSW, kNW}};
    EXPECT_EQ(check(sighted), 0);
    sighted.zeniths = {{kSE, kS}};
    EXPECT_EQ(check(sighted), n + 1);
    sighted.refraction_constraint = false;
    EXPECT_EQ(check(sighted), 0);

    // A part without any known height is named first, by its last height.
    Grid floating;
    EXPECT_EQ(check(floating), kSide * kSide);
}
