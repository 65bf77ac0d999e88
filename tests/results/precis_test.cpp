// Precision and relative height analyses of small networks with a chosen
// diagonal of the inverse. Single-precision figures and the classes:
// tools/results_reference.py.
#include "report/print.h"
#include "results/precis.h"
#include "results_fixture.h"

#include <bit>
#include <map>

#include <gtest/gtest.h>

using namespace quarlo;
using namespace quarlo::test;

namespace {

InverseDiagonal diagonal(std::map<int, float> q) {
    return [q](int m) {
        auto it = q.find(m);
        return it == q.end() ? 1.0e6f : it->second;
    };
}

std::string factor_line(const std::string& value) {
    return line132({{5, "VARIANCE FACTOR USED:"}, {26, value}});
}

} // namespace

// Refraction option 3 in number mode: station 10 fixed with two K (unknowns
// 1, 2), station 20 adjusted (height 3, K 4), station 30 adjusted (5); the
// second of a reciprocal pair has no K of its own. F = 2.25.
TEST(Precis, NumberModeOneCoefficientPerObservation) {
    AnalysisRun r;
    auto& ctx = r.c();
    ctx.option.run_status = 3;
    ctx.nearea.solved = true;
    ctx.option.precision_option = 1;
    ctx.option.refraction_option = 3;
    ctx.factor.variance_factor = 2.25f;
    EqnStationRecord b = numbered_station(20, kHeightGiven, 3, 105.25f, 1300.0, 2400.0, "BRAVO");
    b.registration = 1234;
    b.height_sd = 0.02f;
    b.pillar = 1;
    r.eqn = {numbered_station(10, kFixed, 1, 100.0f, 1000.0, 2000.0, "ALPHA"), b,
             numbered_station(30, kHeightGiven, 5, 98.125f, 1000.0, 2800.0, "CHARLIE")};
    r.zeniths = {zenith_k(10, 20, 0.0675f), zenith_k(20, 10, 0.0675f, 1, 2), zenith_k(20, 30, 0.0645f),
                 zenith_k(10, 30, 0.0700f)};
    r.solution({0.5f, 0.5f, 0.0123f, 0.5f, -0.0456f});
    r.lay_out();
    begin_section(ctx, "TLHED7");
    precis(ctx, diagonal({{1, 100.0f}, {2, 400.0f}, {3, 0.0004f}, {4, 25.0f}, {5, 0.0016f}}));

    std::vector<std::string> lines = r.after("VARIANCE FACTOR USED:");
    std::vector<std::string> expected = {
        "",
        line132({{3, " 10"}, {10, "ALPHA"}, {53, "  100.000"}, {72, "FIXED"}, {90, "   0.0675"},
                 {107, "   0.0150"}, {124, "   1"}}),
        "",
        line132({{90, "   0.0700"}, {107, "   0.0300"}, {124, "   4"}}),
        "",
        line132({{3, " 20"}, {10, "BRAVO (P)"}, {40, "1234"}, {53, "  105.262"}, {70, "  0.030"},
                 {90, "   0.0645"}, {107, "   0.0075"}, {124, "   3"}}),
        "",
        line132({{3, " 30"}, {10, "CHARLIE"}, {53, "   98.079"}, {70, "  0.060"}}),
    };
    ASSERT_GE(lines.size(), 2u);
    lines.erase(lines.begin(), lines.begin() + 2); // the captions and the blank record after them
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(r.lines_with("VARIANCE FACTOR USED:"), std::vector<std::string>{factor_line(" 2.250")});

    // The adjusted station's record carries its adjusted height and standard
    // deviation; its a-priori standard deviation stays as it was.
    StationRecord s = read_station(ctx.files.unit9, 2);
    EXPECT_FLOAT_EQ(s.height, 105.2623f);
    EXPECT_FLOAT_EQ(s.adjusted_sd, 0.03f);
    EXPECT_EQ(s.height_sd, 0.02f);
    EXPECT_FLOAT_EQ(read_station(ctx.files.unit9, 3).adjusted_sd, 0.06f);
    EXPECT_EQ(read_station(ctx.files.unit9, 1).adjusted_sd, 0.0f);
}

// Label mode after analysis option 4: variance factor 1, the unsolved
// solution vector is not added to the heights; one K for the network with
// rotation parameters carried (unknown 3 of 5), shown on the first
// station's line by its first observation of its own.
TEST(Precis, LabelModeNetworkCoefficientWithoutASolvedVector) {
    AnalysisRun r;
    auto& ctx = r.c();
    ctx.rec01.label_mode = 1;
    ctx.option.run_status = 5;
    ctx.option.precision_option = 1;
    ctx.option.refraction_option = 0;
    ctx.option.rotation_option = 2;
    ctx.factor.variance_factor = 0.0f;
    r.label(1, "HILL_A");
    r.label(2, "VALLEY_B");
    EqnStationRecord valley = numbered_station(2, kHeightGiven, 2, 20.0f, 0.0, 0.0, "VALLEY B");
    valley.pillar = 1;
    r.eqn = {numbered_station(1, kHeightGiven, 1, 50.0f, 100.0, 100.0, "HILL A"), valley};
    r.zeniths = {zenith_k(1, 2, 0.0650f, 1, 2), zenith_k(1, 2, 0.0700f), zenith_k(2, 1, 0.0800f)};
    r.solution({9.0f, 9.0f, 9.0f, 9.0f, 9.0f});
    r.lay_out();
    begin_section(ctx, "TLHED7");
    precis(ctx, diagonal({{1, 0.0009f}, {2, 0.0001f}, {3, 144.0f}}));

    std::vector<std::string> lines = r.after("VARIANCE FACTOR USED:");
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[3], line132({{1, "HILL_A"}, {15, "HILL A"}, {53, "   50.000"}, {70, "  0.030"},
                                 {90, "   0.0700"}, {107, "   0.0120"}}));
    EXPECT_EQ(lines[5], line132({{1, "VALLEY_B"}, {15, "VALLEY B (P)"}, {53, "   20.000"}, {70, "  0.010"}}));
    EXPECT_EQ(r.lines_with("VARIANCE FACTOR USED:"), std::vector<std::string>{factor_line(" 1.000")});
    EXPECT_EQ(ctx.factor.variance_factor, 1.0f);
    EXPECT_EQ(read_station(ctx.files.unit9, 1).height, 50.0f);
}

// Without the precision option the a-priori precisions stand: F = 1.
TEST(Precis, PrecisionOptionZeroUsesUnitVarianceFactor) {
    RunContext ctx;
    ctx.option.run_status = 3;
    ctx.factor.variance_factor = 2.25f;
    ctx.option.precision_option = 0;
    EXPECT_EQ(variance_factor_used(ctx), 1.0f);
    ctx.factor.variance_factor = 2.25f;
    ctx.option.precision_option = 1;
    EXPECT_EQ(variance_factor_used(ctx), 2.25f);
    ctx.option.run_status = 5;
    EXPECT_EQ(variance_factor_used(ctx), 1.0f);
}

namespace {

// Station 10 fixed; 20, 30 (on a local grid with negative co-ordinates)
// and 40 (no co-ordinates) adjusted with heights 1, 2, 3; 50 fixed.
struct RelativeNetwork : AnalysisRun {
    RelativeNetwork() {
        auto& ctx = c();
        ctx.option.run_status = 3;
        ctx.option.precision_option = 0;
        EqnStationRecord none = numbered_station(40, kHeightGiven, 3, 3.0f, 0.0, 0.0, "NO COORDINATES");
        none.coordinates_flag = 0;
        eqn = {numbered_station(10, kFixed, 0, 1.0f, 1000.0, 2000.0, "ALPHA"),
               numbered_station(20, kHeightGiven, 1, 2.0f, 1300.0, 2400.0, "BRAVO"),
               numbered_station(30, kHeightGiven, 2, 2.0f, -500.0, -300.0, "WEST SOUTH"), none,
               numbered_station(50, kFixed, 0, 4.0f, 1000.0, 2500.0, "ECHO")};
        zeniths = {zenith_k(10, 20, 0.065f), zenith_k(20, 30, 0.065f)};
        differences = {height_diff(10, 50, 1.0f), height_diff(30, 40, 1.0f), height_diff(40, 20, 1.0f)};
        // From and to positions and the observations' own distances.
        const int ends[5][2] = {{1, 2}, {2, 3}, {1, 5}, {3, 4}, {4, 2}};
        const double distances[5] = {0.0, 0.0, 0.0, 0.0, 812.5};
        for (int k = 0; k < 5; ++k) {
            EquationRecord e;
            e.from_position = ends[k][0];
            e.to_position = ends[k][1];
            e.distance = distances[k];
            write_equation(ctx.files.unit1, 1001 + k, e);
        }
    }
};

} // namespace

TEST(RelPrecis, NumberModeDistancesAndClasses) {
    RelativeNetwork r;
    r.lay_out();
    begin_section(r.c(), "TLHED10");
    rel_precis(r.c(), diagonal({{1, 0.0001f}, {2, 0.0004f}, {3, 0.0009f}}));

    std::vector<std::string> lines = r.after("VARIANCE FACTOR USED:");
    std::vector<std::string> expected = {
        "",
        line132({{6, " 10"}, {9, "*"}, {14, "ALPHA"}, {39, " 20"}, {47, "BRAVO"}, {74, "   500.000"},
                 {96, "  0.020"}, {123, "B "}}),
        "",
        line132({{6, " 20"}, {14, "BRAVO"}, {39, " 30"}, {47, "WEST SOUTH"}, {74, "  3244.996"},
                 {96, "  0.044"}, {122, "A "}}),
        "",
        line132({{6, " 30"}, {14, "WEST SOUTH"}, {39, " 40"}, {47, "NO COORDINATES"}, {96, "  0.071"}}),
        "",
        line132({{6, " 40"}, {14, "NO COORDINATES"}, {39, " 20"}, {47, "BRAVO"}, {74, "   812.500"},
                 {96, "  0.062"}, {125, "D "}}),
    };
    ASSERT_GE(lines.size(), 2u);
    lines.erase(lines.begin(), lines.begin() + 2);
    EXPECT_EQ(lines, expected);
    EXPECT_EQ(r.lines_with("VARIANCE FACTOR USED:"), std::vector<std::string>{factor_line(" 1.000")});
}

// In label mode the distance stands over the end of the to-station's name.
TEST(RelPrecis, LabelModeDistanceOverTheName) {
    RelativeNetwork r;
    r.c().rec01.label_mode = 1;
    r.label(10, "ALPHA_L");
    r.label(20, "BRAVO_L");
    r.eqn[1].name.set("BRAVO WITH LONG NAME");
    r.lay_out();
    begin_section(r.c(), "TLHED10");
    rel_precis(r.c(), diagonal({{1, 0.0001f}, {2, 0.0004f}, {3, 0.0009f}}));

    std::vector<std::string> lines = r.after("VARIANCE FACTOR USED:");
    ASSERT_GE(lines.size(), 4u);
    EXPECT_EQ(lines[3], line132({{7, "*"}, {8, "ALPHA_L"}, {22, "ALPHA"}, {45, "BRAVO_L"}, {59, "BRAVO WITH LONG"},
                                 {74, "   500.000"}, {96, "  0.020"}, {123, "B "}}));
}

// The class bounds on a line of 800 m, where q is 1000 s95: exactly 2.0 is
// still "3A"; just above 196 is beyond every class.
TEST(RelPrecis, ClassBounds) {
    for (auto [q, text, col] : {std::tuple{std::bit_cast<float>(0x358bc07eu), "3A", 118},
                                std::tuple{0.01f, "**", 127}}) {
        AnalysisRun r;
        auto& ctx = r.c();
        ctx.option.run_status = 3;
        r.eqn = {numbered_station(1, kFixed, 0, 1.0f, 0.0, 0.0, "ONE"),
                 numbered_station(2, kHeightGiven, 1, 2.0f, 0.0, 0.0, "TWO")};
        r.differences = {height_diff(1, 2, 1.0f)};
        EquationRecord e;
        e.from_position = 1;
        e.to_position = 2;
        e.distance = 800.0;
        write_equation(ctx.files.unit1, 1001, e);
        r.lay_out();
        begin_section(ctx, "TLHED10");
        rel_precis(ctx, diagonal({{1, q}}));
        std::vector<std::string> lines = r.after("VARIANCE FACTOR USED:");
        ASSERT_GE(lines.size(), 4u);
        EXPECT_EQ(cols(lines[3], 118, 11), cols(line132({{col, text}}), 118, 11)) << text;
    }
}
