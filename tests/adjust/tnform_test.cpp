// Forming the normal equations from equation records, the listing of the
// weighted equations, and the limit on the number of unknowns. Expected rows
// are N = sum of w a a' and u = sum of w m a, worked by hand with values
// that are exact in single precision.
#include "adjust/teqnout.h"
#include "adjust/tnform.h"
#include "adjust/trlev3.h"
#include "pelmo_routines/blockstore.h"
#include "support/test_util.h"

#include "core/records.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <utility>
#include <vector>

using namespace quarlo;
using namespace quarlo::test;

namespace {

using Rows = std::vector<std::vector<float>>;

EquationRecord equation(std::initializer_list<std::pair<int, float>> terms, float misclosure, float weight,
                        int from = 1, int to = 2) {
    EquationRecord e;
    std::size_t s = 0;
    for (const auto& [unknown, coefficient] : terms) {
        e.unknown[s] = unknown;
        e.coefficient[s] = coefficient;
        ++s;
    }
    e.misclosure = misclosure;
    e.weight = weight;
    e.from_position = from;
    e.to_position = to;
    return e;
}

struct Forming {
    TempDir dir;
    TestRun run;

    Forming(int n, int b) {
        auto& f = c().files;
        f.unit1.open("quarlo01.wrk", kEqnRecordLength);
        f.unit2.open("quarlo02.wrk", kBlockRecordLength);
        f.unit13.open("quarlo13.wrk", kBlockRecordLength);
        run.open_report();
        c().numbrs.matrix_size = n;
        c().numbrs.band_width = b;
        c().option.run_status = 1; // analysis option 0
    }
    RunContext& c() { return run.c(); }

    void add(const EquationRecord& e) {
        int& count = c().numbrs.number_of_equations;
        ++count;
        write_equation(c().files.unit1, 1000 + count, e);
    }

    void form() {
        ASSERT_TRUE(size_block_stores(c()));
        tnform(c());
    }

    // The rows of the normal store, read in store order.
    Rows rows() {
        auto& ctx = c();
        const int n = ctx.numbrs.matrix_size, b = ctx.numbrs.band_width;
        ctx.nearea.normal.last_block = 1;
        ctx.nearea.normal.last_position = 0;
        Rows out;
        for (int k = 1; k <= n; ++k) {
            std::vector<float> row(static_cast<std::size_t>(std::min(b + 1, n - k + 1)));
            ctx.nearea.normal.length = static_cast<int>(row.size());
            indexf(ctx);
            dskrd(ctx, row.data());
            out.push_back(row);
        }
        return out;
    }

    std::vector<float> rhs() {
        std::vector<float> u;
        for (int k = 1; k <= c().numbrs.matrix_size; ++k) u.push_back(c().nearea.rhs(k));
        return u;
    }

    // Runs the forming, which must stop at a zero diagonal; returns the stop.
    FatalStop stopped() {
        try {
            form();
        } catch (const FatalStop& stop) {
            return stop;
        }
        ADD_FAILURE() << "forming did not stop";
        return FatalStop("", 0);
    }

    // The report line with the text and the two lines before it.
    std::vector<std::string> line_with(const std::string& text) {
        auto lines = run.report();
        for (std::size_t i = 2; i < lines.size(); ++i)
            if (lines[i].find(text) != std::string::npos) return {lines[i - 2], lines[i - 1], lines[i]};
        return {};
    }
    std::string last_line_with(const std::string& text) {
        auto three = line_with(text);
        return three.empty() ? std::string() : three.back();
    }
};

} // namespace

// Three levelled lines and a weighted height: every term of every row.
TEST(Tnform, RowsAndRightHandSideOfASmallSystem) {
    Forming f(3, 2);
    f.add(equation({{1, -1.0f}, {2, 1.0f}}, 0.5f, 4.0f));
    f.add(equation({{2, -1.0f}, {3, 1.0f}}, -0.25f, 2.0f, 2, 3));
    // Unknowns in descending order within the record.
    f.add(equation({{3, 2.0f}, {1, -1.0f}}, 1.0f, 1.0f, 3, 1));
    f.add(equation({{1, 1.0f}}, 0.125f, 8.0f, 1, 0));
    f.form();
    EXPECT_EQ(f.rows(), (Rows{{13.0f, -4.0f, -2.0f}, {6.0f, -2.0f}, {6.0f}}));
    EXPECT_EQ(f.rhs(), (std::vector<float>{-2.0f, 2.5f, 1.5f}));
}

// A second observation of a reciprocal pair (B to C) sharing the K of the
// first (A to B, unknown 2, A's refraction coefficient): the K row collects
// the terms of both, though the second record names neither A nor its
// position.
TEST(Tnform, SharedRefractionUnknownOutsideTheSecondRecordsStations) {
    Forming f(4, 3);
    auto& ctx = f.c();
    ctx.numbrs.number_of_stations = 3;
    ctx.stnfst.refraction_register(1) = 1; // A: height 1, K 2
    ctx.stnfst.refraction_register(2) = 3; // B: height 3
    ctx.stnfst.refraction_register(3) = 4; // C: height 4
    f.add(equation({{1, 3.0f}, {2, -1.0f}, {3, -3.0f}}, 1.0f, 1.0f, 1, 2));
    f.add(equation({{3, 2.0f}, {2, -1.0f}, {4, -2.0f}}, 2.0f, 1.0f, 2, 3));
    f.add(equation({{2, 1.0f}}, 4.0f, 0.25f, 1, 0));
    f.form();
    EXPECT_EQ(f.rows(), (Rows{{9.0f, -3.0f, -9.0f, 0.0f}, {2.25f, 1.0f, 2.0f}, {13.0f, -4.0f}, {4.0f}}));
    EXPECT_EQ(f.rhs(), (std::vector<float>{3.0f, -2.0f, 1.0f, -4.0f}));
}

// An observation from a station to itself names its height twice: the two
// coefficients act as one (5 - 3 = 2).
TEST(Tnform, TwoSlotsOfOneUnknownAddTheirCoefficients) {
    Forming f(2, 1);
    f.add(equation({{2, 5.0f}, {1, -1.0f}, {2, -3.0f}}, 1.0f, 1.0f, 1, 1));
    f.add(equation({{1, 1.0f}}, 0.0f, 1.0f, 1, 0));
    f.form();
    EXPECT_EQ(f.rows(), (Rows{{2.0f, -2.0f}, {4.0f}}));
    EXPECT_EQ(f.rhs(), (std::vector<float>{-1.0f, 2.0f}));
}

// An unknown that no equation reaches stops the run naming its row, after
// the rows before it were formed.
TEST(Tnform, ZeroDiagonalStopsNamingTheRow) {
    Forming f(3, 2);
    f.add(equation({{1, -1.0f}, {3, 1.0f}}, 0.5f, 4.0f));
    FatalStop stop = f.stopped();
    EXPECT_EQ(stop.console_message(), " Zero on diagonal of normal matrix");
    EXPECT_EQ(stop.exit_status(), kExitDataErrors);
    EXPECT_EQ(f.line_with("ZERO ON DIAGONAL"),
              (std::vector<std::string>{" ", " ", line132({{48, "*** ZERO ON DIAGONAL IN COLUMN   2 ***"}})}));
    EXPECT_EQ(f.c().nearea.rhs(1), -2.0f);
}

// A diagonal that is not a number stops as a zero one does.
TEST(Tnform, NotANumberOnTheDiagonalStops) {
    Forming f(2, 1);
    f.add(equation({{1, 1.0f}}, 0.0f, 1.0f, 1, 0));
    f.add(equation({{2, std::numeric_limits<float>::quiet_NaN()}}, 0.0f, 1.0f, 2, 0));
    FatalStop stop = f.stopped();
    EXPECT_EQ(stop.console_message(), " Zero on diagonal of normal matrix");
    EXPECT_EQ(f.last_line_with("ZERO ON DIAGONAL"), line132({{48, "*** ZERO ON DIAGONAL IN COLUMN   2 ***"}}));
}

// Rows above 999 are named in full, in the gap of the message.
TEST(Tnform, ZeroDiagonalNamesARowAbove999) {
    Forming f(1200, 1);
    for (int u = 1; u <= 1200; ++u)
        if (u != 1107) f.add(equation({{u, 1.0f}}, 0.0f, 1.0f, 1, 0));
    EXPECT_EQ(f.stopped().console_message(), " Zero on diagonal of normal matrix");
    EXPECT_EQ(f.last_line_with("ZERO ON DIAGONAL"), line132({{48, "*** ZERO ON DIAGONAL IN COLUMN1107 ***"}}));
}

// More equations than observations (constraints added to a full set of
// 6000 observations) are all formed.
TEST(Tnform, EveryEquationOfTheRunIsFormed) {
    Forming f(3000, 1);
    for (int u = 1; u <= 3000; ++u) {
        f.add(equation({{u, 1.0f}}, 1.0f, 1.0f, 1, 0));
        f.add(equation({{u, 2.0f}}, 1.0f, 1.0f, 1, 0));
        f.add(equation({{u, 1.0f}}, -1.0f, 2.0f, 1, 0));
    }
    ASSERT_EQ(f.c().numbrs.number_of_equations, 9000);
    f.form();
    Rows rows = f.rows();
    ASSERT_EQ(rows.size(), 3000u);
    // 1 + 4 + 2 on the diagonal; 1 + 2 - 2 on the right.
    EXPECT_EQ(rows[2999], (std::vector<float>{7.0f}));
    EXPECT_EQ(rows[0], (std::vector<float>{7.0f, 0.0f}));
    EXPECT_EQ(f.c().nearea.rhs(3000), 1.0f);
}

// Coefficients and misclosure times the square root of the weight, the
// weight, and the station numbers of the two positions (0 for none).
TEST(Teqnout, OneLinePerWeightedEquation) {
    Forming f(3, 2);
    auto& ctx = f.c();
    ctx.numbrs.number_of_stations = 2;
    ctx.stnfst.station_number(1) = 17;
    ctx.stnfst.station_number(2) = 5;
    f.add(equation({{1, 2.5f}, {2, -0.5f}, {3, -2.5f}}, 3.0f, 4.0f, 1, 2));
    f.add(equation({{2, 1.0f}}, -0.5f, 0.01f, 2, 0));
    teqnout(ctx);
    auto lines = f.run.report();
    std::vector<std::string> expected = {
        line132({{1, "    1    2    3    0    0"},
                 {31, "     5.000    -1.000    -5.000     0.000     0.000     6.000     4.000"},
                 {104, "   17"},
                 {111, "    5"}}),
        line132({{1, "    2    0    0    0    0"},
                 {31, "     0.100     0.000     0.000     0.000     0.000    -0.050     0.010"},
                 {104, "    5"},
                 {111, "    0"}}),
    };
    ASSERT_GE(lines.size(), 2u);
    EXPECT_EQ(std::vector<std::string>(lines.end() - 2, lines.end()), expected);
    bool heading = false;
    for (const auto& l : lines)
        if (l.find("LIST OF OBSERVATION EQUATIONS") != std::string::npos) heading = true;
    EXPECT_TRUE(heading);
}

