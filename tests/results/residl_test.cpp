// Residual analysis: the residual list in number and label mode, the sums,
// variance factor and components, and the three distributions. Expected
// figures from tools/residual_reference.py.
#include "results/residl.h"
#include "report/print.h"
#include "results_fixture.h"

#include <array>

#include <gtest/gtest.h>

using namespace quarlo;
using namespace quarlo::test;

namespace {

using Lines = std::vector<std::string>;

void append(Lines& to, const Lines& more) { to.insert(to.end(), more.begin(), more.end()); }

Lines heading(bool height_differences) {
    Lines l = {"<page>", "", rec({{58, "LIST OF RESIDUALS"}}), ""};
    if (height_differences) {
        l.push_back(rec({{1, "OBS.NO."}, {19, "FROM"}, {52, "TO"}, {82, "RESIDUAL"}, {96, "STD. RES."},
                         {109, "DISTANCE"}, {124, "Z.D. RES."}}));
        l.push_back("");
    } else {
        l.push_back(rec({{1, "OBS.NO."}, {19, "FROM"}, {52, "TO"}, {82, "RESIDUAL"}, {96, "STD. RES."},
                         {109, "DISTANCE"}, {125, "HT. RES."}}));
    }
    return l;
}

// The ten class counts, each right-aligned in four columns from 22 on.
std::string counts(std::array<int, 10> n) {
    std::string l(132, ' ');
    for (std::size_t i = 0; i < 10; ++i) {
        std::string f = std::to_string(n[i]);
        l.replace(22 + 10 * i + 3 - f.size(), f.size(), f);
    }
    l.erase(l.find_last_not_of(' ') + 1);
    return l;
}

Lines distribution_head(bool seconds, std::array<int, 10> n) {
    Lines l = {"", ""};
    if (seconds)
        l.push_back(rec({{23, "< -8"}, {31, "-8 TO -6"}, {41, "-6 TO -4"}, {51, "-4 TO -2"}, {61, "-2 TO 0"},
                         {72, "0 TO 2"}, {82, "2 TO 4"}, {92, "4 TO 6"}, {102, "6 TO 8"}, {113, "> 8"}}));
    else
        l.push_back(rec({{23, "< -4"}, {31, "-4 TO -3"}, {41, "-3 TO -2"}, {51, "-2 TO -1"}, {61, "-1 TO 0"},
                         {72, "0 TO 1"}, {82, "1 TO 2"}, {92, "2 TO 3"}, {102, "3 TO 4"}, {113, "> 4"}}));
    l.push_back(rec({{23, std::string(94, '-')}}));
    l.push_back(counts(n));
    return l;
}

// Number mode: positions 1 (station 10, fixed), 2 (20, a pillar), 3 (30,
// no co-ordinates), 4 (40); unknowns 1-3 the heights of 20, 30, 40 and 4
// the network K. Four zenith distances, three height differences, one
// height-observation equation and one refraction constraint.
struct NumberNetwork : ResultsRun {
    NumberNetwork() {
        station_at(1, 10, kFixed, 1000.0, 2000.0, "ALPHA", 0);
        station_at(2, 20, kHeightGiven, 1300.0, 2400.0, "BRAVO", 1, 1);
        station_at(3, 30, kHeightGiven, 0.0, 0.0, "CHARLIE", 2);
        station_at(4, 40, kHeightGiven, 1000.0, 2600.0, "DELTA", 3);
        // Two heights were read with a standard deviation; the equations
        // stage wrote one equation.
        counts(4, 3, 1, 1);
        c().numbrs.number_of_height_observations = 2;
        equation(1, {1, 4}, {-384.0f, 0.5f}, -3.5f, 0.25f, 1, 2, 1);
        equation(2, {3, 4}, {-320.0f, 0.75f}, -11.75f, 0.25f, 1, 4, 0);
        equation(3, {1, 4}, {384.0f, 0.5f}, 22.3f, 0.04f, 2, 1, 2);
        equation(4, {1, 2, 4}, {256.0f, -256.0f, 0.5f}, 11.3f, 0.25f, 2, 3, 0, 812.4);
        equation(5, {2, 3}, {-1.0f, 1.0f}, 0.05f, 10000.0f, 3, 4);
        equation(6, {2}, {1.0f}, -0.0275f, 10000.0f, 1, 3, 0, 250.0);
        equation(7, {3, 1}, {-1.0f, 1.0f}, 0.02f, 2500.0f, 4, 2);
        equation(8, {3}, {1.0f}, 0.02f, 400.0f, 4);
        equation(9, {4}, {1.0f}, 20.0f, 0.04f, 4);
        // Beyond the equations written: never read.
        equation(10, {1}, {1.0f}, -1000.0f, 1.0f, 2);
        solution({0.015625f, -0.03125f, 0.0234375f, 5.0f});
    }
    void analyse() {
        begin_section(c(), "TLHED4");
        residl(c());
    }
};

Lines number_mode_expected() {
    Lines e = heading(false);
    append(e, {"",
               rec({{2, "   1"}, {12, " 10*"}, {20, "ALPHA"}, {45, " 20"}, {53, "BRAVO (P)"}, {83, "  0.0"},
                    {97, " 0.000"}, {110, "   500"}, {124, "  0.000"}}),
               rec({{2, "   2"}, {45, " 40"}, {53, "DELTA"}, {83, "  8.0"}, {97, " 4.000"}, {104, "***"},
                    {110, "   600"}, {124, "  0.023"}}),
               rec({{2, "   3"}, {12, " 20"}, {20, "BRAVO (P)"}, {45, " 10*"}, {53, "ALPHA"}, {83, "-13.8"},
                    {97, "-2.760"}, {104, "***"}, {110, "   500"}, {124, " -0.033"}}),
               "", "",
               rec({{2, "   4"}, {12, " 20"}, {20, "BRAVO (P)"}, {45, " 30"}, {53, "CHARLIE"}, {83, "  3.2"},
                    {97, " 1.600"}, {110, "   812"}, {124, "  0.013"}})});
    append(e, heading(true));
    append(e, {rec({{2, "   5"}, {12, " 30"}, {20, "CHARLIE"}, {45, " 40"}, {53, "DELTA"}, {82, "  0.005"},
                    {97, " 0.469"}}),
               rec({{2, "   6"}, {12, " 10*"}, {20, "ALPHA"}, {45, " 30"}, {53, "CHARLIE"}, {82, " -0.004"},
                    {97, "-0.375"}, {110, "   250"}, {124, " -3.1"}}),
               rec({{2, "   7"}, {12, " 40"}, {20, "DELTA"}, {45, " 20"}, {53, "BRAVO (P)"}, {82, " -0.028"},
                    {97, "-1.391"}, {110, "   361"}, {124, "-15.9"}}),
               "", "",
               rec({{71, "(PVV) ="}, {79, "    37.477"}}),
               rec({{71, "(PLV) ="}, {79, "   -36.758"}}),
               "",
               rec({{49, "Estimate of variance factor ="}, {79, "     7.495"}}),
               "",
               rec({{61, "Zenith distance component ="}, {89, " 11.780"}}),
               rec({{59, "Height difference component ="}, {89, "  1.377"}}),
               rec({{66, "Refraction component ="}, {89, " 16.200"}}),
               rec({{58, "Height observation component ="}, {89, "  0.009"}}),
               "", "",
               rec({{44, "Number of redundant observations ="}, {79, "         5"}}),
               "",
               rec({{51, "Average redundancy number ="}, {79, "     0.556"}}),
               "<page>",
               rec({{57, "RESIDUAL  ANALYSIS"}}),
               "",
               rec({{10, "STANDARD RESIDUAL DISTRIBUTION"}})});
    append(e, distribution_head(false, {0, 1, 1, 1, 1, 3, 1, 0, 0, 1}));
    append(e, {"", "", rec({{34, "Maximum ="}, {44, "  4.000"}, {60, "(Observation    2)"}}),
               "", rec({{34, "Minimum ="}, {44, " -3.000"}, {60, "(Refraction observation    1)"}}),
               "", rec({{37, "Mean ="}, {44, " -0.154"}, {60, "Standard deviation ="}, {81, "  2.158"}}),
               "", rec({{36, "Total ="}, {47, "   9"}}),
               "",
               "", "", rec({{10, "ZENITH DISTANCE RESIDUAL DISTRIBUTION"}, {48, "(SECONDS)"}})});
    append(e, distribution_head(true, {1, 0, 0, 0, 0, 1, 1, 0, 0, 1}));
    append(e, {"", "", rec({{34, "Maximum ="}, {44, "    8.000"}, {60, "(Observation    2)"}}),
               "", rec({{34, "Minimum ="}, {44, "  -13.800"}, {60, "(Observation    3)"}}),
               "", rec({{37, "Mean ="}, {44, "   -0.650"}, {60, "Standard deviation ="}, {81, "  9.363"}}),
               "", rec({{36, "Total ="}, {49, "   4"}}),
               "",
               "", "", rec({{10, "HEIGHT DIFFERENCE RESIDUAL DISTRIBUTION"}, {50, "(CENTIMETRES)"}})});
    append(e, distribution_head(false, {0, 0, 1, 0, 1, 1, 0, 0, 0, 0}));
    append(e, {"", "", rec({{34, "Maximum ="}, {44, "    0.005"}, {54, "metres"}, {65, "(Observation    5)"}}),
               "", rec({{34, "Minimum ="}, {44, "   -0.028"}, {54, "metres"}, {65, "(Observation    7)"}}),
               "", rec({{37, "Mean ="}, {44, "   -0.009"}, {65, "Standard deviation ="}, {86, "  0.017"}}),
               "", rec({{36, "Total ="}, {49, "   3"}})});
    return e;
}

} // namespace

// Every line of the residual list and the analysis of a network with both
// observation kinds and both constraint kinds, in number mode.
TEST(Residl, NumberModeNetwork) {
    NumberNetwork r;
    r.analyse();
    Lines expected = number_mode_expected();
    expect_records(r.body(), expected);
    EXPECT_NEAR(r.c().factor.variance_factor, 7.49530f, 0.00002f);
    EXPECT_EQ(r.c().numbrs.number_of_stations, 4);
}

// A second call starts from cleared sums, counts and extremes, and the
// same set-up is printed the same way.
TEST(Residl, EveryCallStartsAfresh) {
    NumberNetwork r;
    r.analyse();
    std::size_t first = r.body().size();
    r.analyse();
    Lines all = r.body();
    ASSERT_EQ(all.size(), 2 * first);
    Lines second(all.begin() + static_cast<std::ptrdiff_t>(first), all.end());
    Lines expected = number_mode_expected();
    EXPECT_EQ(second, expected);
    EXPECT_NEAR(r.c().factor.variance_factor, 7.49530f, 0.00002f);
}

// Label mode, height differences only: the list starts in the height
// difference layout; labels, fixed marks and pillar marks take the label
// columns; a height observation is named as the minimum; a standardised
// residual of exactly 2.5 is not flagged.
TEST(Residl, LabelModeHeightDifferences) {
    ResultsRun r;
    r.c().rec01.label_mode = 1;
    r.label(1, "HILL TOP");
    r.label(2, "RIVER BM");
    r.label(3, "GATE");
    r.station_at(1, 1, kFixed, 500.0, 500.0, "HILLTOP TRIG", 0, -1);
    r.station_at(2, 2, kHeightGiven, 500.0, 800.0, "RIVER BENCH MARK 20X", 1, 1);
    r.station_at(3, 3, kHeightGiven, 900.0, 500.0, "GATE POST", 2);
    r.counts(0, 3, 1);
    r.c().numbrs.number_of_height_observations = 3;
    r.equation(1, {1}, {1.0f}, 0.125f, 400.0f, 1, 2);
    r.equation(2, {2}, {1.0f}, -0.5605f, 100.0f, 1, 3);
    r.equation(3, {2, 1}, {1.0f, -1.0f}, -0.8105f, 25.0f, 2, 3);
    r.equation(4, {2}, {1.0f}, -0.125f, 25.0f, 3);
    r.equation(5, {1}, {1.0f}, 1000.0f, 1.0f, 2);
    r.solution({0.25f, -0.5f});
    begin_section(r.c(), "TLHED4");
    residl(r.c());

    Lines e = heading(true);
    append(e, {rec({{2, "   1"}, {7, "*HILL TOP"}, {22, "HILLTOP TRIG (P)"}, {45, "RIVER BM"},
                    {59, "RIVER BENCH MARK 20X(P)"}, {82, "  0.125"}, {97, " 2.500"}, {110, "   300"},
                    {124, " 85.9"}}),
               rec({{2, "   2"}, {7, "*HILL TOP"}, {22, "HILLTOP TRIG (P)"}, {45, "GATE"}, {59, "GATE POST"},
                    {82, "  0.061"}, {97, " 0.605"}, {110, "   400"}, {124, " 31.2"}}),
               rec({{2, "   3"}, {8, "RIVER BM"}, {22, "RIVER BENCH MARK 20X(P)"}, {45, "GATE"}, {59, "GATE POST"},
                    {82, "  0.061"}, {97, " 0.303"}, {110, "   500"}, {124, " 25.0"}}),
               "", "",
               rec({{71, "(PVV) ="}, {79, "    10.223"}}),
               rec({{71, "(PLV) ="}, {79, "     2.805"}}),
               "",
               rec({{49, "Estimate of variance factor ="}, {79, "     5.112"}}),
               "",
               rec({{59, "Height difference component ="}, {89, "  4.472"}}),
               rec({{58, "Height observation component ="}, {89, "  7.031"}}),
               "", "",
               rec({{44, "Number of redundant observations ="}, {79, "         2"}}),
               "",
               rec({{51, "Average redundancy number ="}, {79, "     0.500"}}),
               "<page>",
               rec({{57, "RESIDUAL  ANALYSIS"}}),
               "",
               rec({{10, "STANDARD RESIDUAL DISTRIBUTION"}})});
    append(e, distribution_head(false, {0, 0, 0, 1, 0, 2, 0, 1, 0, 0}));
    append(e, {"", "", rec({{34, "Maximum ="}, {44, "  2.500"}, {60, "(Observation    1)"}}),
               "", rec({{34, "Minimum ="}, {44, " -1.875"}, {60, "(Height observation    1)"}}),
               "", rec({{37, "Mean ="}, {44, "  0.383"}, {60, "Standard deviation ="}, {81, "  1.792"}}),
               "", rec({{36, "Total ="}, {47, "   4"}}),
               "",
               "", "", rec({{10, "HEIGHT DIFFERENCE RESIDUAL DISTRIBUTION"}, {50, "(CENTIMETRES)"}})});
    append(e, distribution_head(false, {0, 0, 0, 0, 0, 0, 0, 0, 0, 3}));
    append(e, {"", "", rec({{34, "Maximum ="}, {44, "    0.125"}, {54, "metres"}, {65, "(Observation    1)"}}),
               "", rec({{34, "Minimum ="}, {44, "    0.061"}, {54, "metres"}, {65, "(Observation    2)"}}),
               "", rec({{37, "Mean ="}, {44, "    0.082"}, {65, "Standard deviation ="}, {86, "  0.037"}}),
               "", rec({{36, "Total ="}, {49, "   3"}})});
    expect_records(r.body(), e);
    EXPECT_EQ(r.c().numbrs.number_of_stations, 3);
}

// More unknowns than observations: variance factor 1.0 for the later
// analyses, the estimate and the components print 0.000, no standard
// deviations; a single zenith distance has no distribution of its own; the
// height difference unit still follows the spread of the residuals.
TEST(Residl, NoRedundancy) {
    ResultsRun r;
    r.station_at(1, 1, kFixed, 100.0, 100.0, "ONE", 0);
    r.station_at(2, 2, kHeightGiven, 100.0, 400.0, "TWO", 1);
    r.station_at(3, 3, kHeightGiven, 0.0, 0.0, "THREE", 2);
    r.counts(1, 2);
    r.equation(1, {1, 3}, {-600.0f, 1.0f}, -305.0f, 1.0f, 1, 2, 1);
    r.equation(2, {2}, {1.0f}, 0.25f, 1.0f, 1, 3);
    r.equation(3, {1, 2}, {1.0f, -1.0f}, 0.3755f, 1.0f, 2, 3);
    r.solution({0.5f, 0.25f, 1.0f, 0.0f});
    begin_section(r.c(), "TLHED4");
    residl(r.c());

    Lines e = heading(false);
    append(e, {"",
               rec({{2, "   1"}, {12, "  1*"}, {20, "ONE"}, {45, "  2"}, {53, "TWO"}, {83, "  6.0"}, {97, " 6.000"},
                    {104, "***"}, {110, "   300"}, {124, "  0.009"}})});
    append(e, heading(true));
    append(e, {rec({{2, "   2"}, {12, "  1*"}, {20, "ONE"}, {45, "  3"}, {53, "THREE"}, {82, "  0.000"},
                    {97, " 0.000"}}),
               rec({{2, "   3"}, {12, "  2"}, {20, "TWO"}, {45, "  3"}, {53, "THREE"}, {82, " -0.125"},
                    {97, "-0.125"}}),
               "", "",
               rec({{71, "(PVV) ="}, {79, "    36.016"}}),
               rec({{71, "(PLV) ="}, {79, " -1830.047"}}),
               "",
               rec({{49, "Estimate of variance factor ="}, {79, "     0.000"}}),
               "",
               rec({{61, "Zenith distance component ="}, {89, "  0.000"}}),
               rec({{59, "Height difference component ="}, {89, "  0.000"}}),
               "", "",
               rec({{44, "Number of redundant observations ="}, {79, "        -1"}}),
               "",
               rec({{51, "Average redundancy number ="}, {79, "    -0.333"}}),
               "<page>",
               rec({{57, "RESIDUAL  ANALYSIS"}}),
               "",
               rec({{10, "STANDARD RESIDUAL DISTRIBUTION"}})});
    append(e, distribution_head(false, {0, 0, 0, 0, 1, 1, 0, 0, 0, 1}));
    append(e, {"", "", rec({{34, "Maximum ="}, {44, "  6.000"}, {60, "(Observation    1)"}}),
               "", rec({{34, "Minimum ="}, {44, " -0.125"}, {60, "(Observation    3)"}}),
               "", rec({{37, "Mean ="}, {44, "  1.958"}}),
               "", rec({{36, "Total ="}, {47, "   3"}}),
               "",
               "", "", rec({{10, "HEIGHT DIFFERENCE RESIDUAL DISTRIBUTION"}, {50, "(DECIMETRES)"}})});
    append(e, distribution_head(false, {0, 0, 0, 1, 0, 1, 0, 0, 0, 0}));
    append(e, {"", "", rec({{34, "Maximum ="}, {44, "    0.000"}, {54, "metres"}, {65, "(Observation    2)"}}),
               "", rec({{34, "Minimum ="}, {44, "   -0.125"}, {54, "metres"}, {65, "(Observation    3)"}}),
               "", rec({{37, "Mean ="}, {44, "   -0.063"}}),
               "", rec({{36, "Total ="}, {49, "   2"}})});
    expect_records(r.body(), e);
    EXPECT_EQ(r.c().factor.variance_factor, 1.0f);
}

// Label mode, zenith distances only: the zenith distance layout throughout,
// a fixed to-station marked left of its label, a new set-up at the same
// station after one blank line; no redundancy, so the zenith distance
// distribution has no standard deviation.
TEST(Residl, LabelModeZenithDistances) {
    ResultsRun r;
    r.c().rec01.label_mode = 1;
    r.label(1, "HILL TOP");
    r.label(2, "RIVER BM");
    r.station_at(1, 1, kFixed, 500.0, 500.0, "HILLTOP TRIG", 0);
    r.station_at(2, 2, kHeightGiven, 500.0, 800.0, "RIVER", 1);
    r.counts(2, 0);
    r.equation(1, {1, 2}, {300.0f, 0.5f}, 17.45f, 1.0f, 2, 1, 1);
    r.equation(2, {1, 2}, {300.0f, 0.5f}, 21.05f, 1.0f, 2, 1, 1);
    r.solution({0.0625f, 2.0f});
    begin_section(r.c(), "TLHED4");
    residl(r.c());

    Lines e = heading(false);
    append(e, {"",
               rec({{2, "   1"}, {8, "RIVER BM"}, {22, "RIVER"}, {44, "*HILL TOP"}, {59, "HILLTOP TRIG"}, {83, "  2.3"},
                    {97, " 2.300"}, {110, "   300"}, {124, "  0.003"}}),
               "",
               rec({{2, "   2"}, {8, "RIVER BM"}, {22, "RIVER"}, {44, "*HILL TOP"}, {59, "HILLTOP TRIG"}, {83, " -1.3"},
                    {97, "-1.300"}, {110, "   300"}, {124, " -0.002"}}),
               "", "",
               rec({{71, "(PVV) ="}, {79, "     6.980"}}),
               rec({{71, "(PLV) ="}, {79, "    12.770"}}),
               "",
               rec({{49, "Estimate of variance factor ="}, {79, "     0.000"}}),
               "",
               rec({{61, "Zenith distance component ="}, {89, "  0.000"}}),
               "", "",
               rec({{44, "Number of redundant observations ="}, {79, "         0"}}),
               "",
               rec({{51, "Average redundancy number ="}, {79, "     0.000"}}),
               "<page>",
               rec({{57, "RESIDUAL  ANALYSIS"}}),
               "",
               rec({{10, "STANDARD RESIDUAL DISTRIBUTION"}})});
    append(e, distribution_head(false, {0, 0, 0, 1, 0, 0, 0, 1, 0, 0}));
    append(e, {"", "", rec({{34, "Maximum ="}, {44, "  2.300"}, {60, "(Observation    1)"}}),
               "", rec({{34, "Minimum ="}, {44, " -1.300"}, {60, "(Observation    2)"}}),
               "", rec({{37, "Mean ="}, {44, "  0.500"}}),
               "", rec({{36, "Total ="}, {47, "   2"}}),
               "",
               "", "", rec({{10, "ZENITH DISTANCE RESIDUAL DISTRIBUTION"}, {48, "(SECONDS)"}})});
    append(e, distribution_head(true, {0, 0, 0, 0, 1, 0, 1, 0, 0, 0}));
    append(e, {"", "", rec({{34, "Maximum ="}, {44, "    2.300"}, {60, "(Observation    1)"}}),
               "", rec({{34, "Minimum ="}, {44, "   -1.300"}, {60, "(Observation    2)"}}),
               "", rec({{37, "Mean ="}, {44, "    0.500"}}),
               "", rec({{36, "Total ="}, {49, "   2"}}),
               ""});
    expect_records(r.body(), e);
    EXPECT_EQ(r.c().factor.variance_factor, 1.0f);
}
