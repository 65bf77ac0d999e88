// Results stage driver: the singular-matrix stop with its station trace,
// the list of corrections, the adjusted rotation parameters and the
// analysis options that choose the sections.
#include "results/tlres.h"
#include "report/print.h"
#include "results_fixture.h"

#include <algorithm>

#include <gtest/gtest.h>

using namespace quarlo;
using namespace quarlo::test;

namespace {

using Lines = std::vector<std::string>;

// The records from the first page heading on.
Lines from_first_page(ResultsRun& r) {
    Lines all = r.body();
    auto first = std::find(all.begin(), all.end(), "<page>");
    return Lines(first, all.end());
}

const std::string kSingular = " Normal matrix is singular";

} // namespace

// A failing row that is a station's refraction unknown is traced down to
// the station's first unknown; the run stops as a failure.
TEST(TlresSingular, RowTracedToItsStation) {
    ResultsRun r;
    r.station_at(1, 10, kFixed, 0.0, 0.0, "A", 0);
    r.station_at(2, 20, kHeightGiven, 0.0, 0.0, "B", 1);
    r.station_at(3, 30, kHeightGiven, 0.0, 0.0, "C", 3);
    r.c().numbrs.matrix_size = 4;
    r.c().nearea.failing_row = 4;
    try {
        tlres(r.c());
        FAIL() << "no stop";
    } catch (const FatalStop& stop) {
        EXPECT_EQ(stop.console_message(), kSingular);
        EXPECT_NE(stop.exit_status(), 0);
    }
    Lines expected = {"<page>",
                      "",
                      "",
                      rec({{38, "*** MATRIX SINGULAR . DIAGONAL BECAME ZERO IN COLUMN"}, {90, "   4"}, {95, "***"}}),
                      "",
                      "",
                      rec({{50, "*** STATION INVOLVED IS"}, {75, " 30"}, {79, "***"}})};
    EXPECT_EQ(r.body(), expected);
}

// A row below every station's first unknown names no station, and entries
// of the tables beyond the station count are never searched.
TEST(TlresSingular, RowBelowEveryStation) {
    ResultsRun r;
    r.station_at(1, 10, kFixed, 0.0, 0.0, "A", 0);
    r.station_at(2, 20, kHeightGiven, 0.0, 0.0, "B", 3);
    r.station_at(3, 30, kHeightGiven, 0.0, 0.0, "C", 5);
    r.c().stnfst.refraction_register(4) = 2;
    r.c().stnfst.station_number(4) = 99;
    r.c().nearea.failing_row = 2;
    EXPECT_THROW(tlres(r.c()), FatalStop);
    Lines expected = {"<page>", "", "",
                      rec({{38, "*** MATRIX SINGULAR . DIAGONAL BECAME ZERO IN COLUMN"}, {90, "   2"}, {95, "***"}})};
    EXPECT_EQ(r.body(), expected);
}

// Corrections grouped by station: a fixed station carrying a refraction
// coefficient, a fixed station without unknowns, the rotation unknowns at
// the end; a table entry beyond the station count starts no group.
TEST(Slnwt, CorrectionsByStation) {
    ResultsRun r;
    r.station_at(1, 5, kFixed, 0.0, 0.0, "A", 1);
    r.station_at(2, 6, kHeightGiven, 0.0, 0.0, "B", 2);
    r.station_at(3, 7, kFixed, 0.0, 0.0, "C", 0);
    r.station_at(4, 8, kHeightGiven, 0.0, 0.0, "D", 4);
    r.c().stnfst.refraction_register(5) = 6;
    r.c().stnfst.station_number(5) = 99;
    r.solution({1.234f, -0.0456f, 2.5f, 0.1f, -3.3f, 0.25f, -0.75f});
    begin_section(r.c(), "TLHED3");
    slnwt(r.c());
    Lines expected = {"<page>",
                      "",
                      rec({{57, "LIST OF CORRECTIONS"}}),
                      "",
                      rec({{38, "LIST ORDER OF CORRECTIONS FOR EACH STATION :DH , DK"}}),
                      "",
                      rec({{56, "AT    VARIABLE"}}),
                      rec({{53, "STATION  NUMBER    SOLUTION"}}),
                      "",
                      rec({{55, "  5"}, {62, "   1"}, {71, "   1.234"}}),
                      "",
                      rec({{55, "  6"}, {62, "   2"}, {71, "  -0.046"}}),
                      rec({{62, "   3"}, {71, "   2.500"}}),
                      "",
                      rec({{55, "  8"}, {62, "   4"}, {71, "   0.100"}}),
                      rec({{62, "   5"}, {71, "  -3.300"}}),
                      rec({{62, "   6"}, {71, "   0.250"}}),
                      rec({{62, "   7"}, {71, "  -0.750"}})};
    EXPECT_EQ(from_first_page(r), expected);
}

// The rotation corrections are the last two unknowns in 0.01 radian; the
// adjusted angles are the provisional ones of the next iteration.
TEST(Adjrot, TwoIterations) {
    ResultsRun r;
    r.c().rotation.phi = 0.001f;
    r.c().rotation.omega = -0.0005f;
    r.solution({9.0f, 0.2f, -0.1f});
    begin_section(r.c(), "TLHED9");
    adjrot(r.c());
    r.solution({9.0f, 0.0f, 0.0f});
    adjrot(r.c());
    Lines expected = {"<page>",
                      "",
                      rec({{53, "ADJUSTED ROTATION PARAMETERS"}}),
                      "",
                      "",
                      "",
                      "",
                      rec({{10, "PROVISIONAL PHI"}, {30, "CORRECTION"}, {45, "ADJUSTED PHI"}, {70, "PROVISIONAL OMEGA"},
                           {90, "CORRECTION"}, {105, "ADJUSTED OMEGA"}}),
                      "",
                      "",
                      rec({{10, "  0 03 26.265"}, {28, "  0 06 52.530"}, {44, "  0 10 18.794"}, {70, " -0 01 43.132"},
                           {88, " -0 03 26.265"}, {105, " -0 05 09.397"}}),
                      "",
                      rec({{10, "  0 10 18.794"}, {28, "  0 00 00.000"}, {44, "  0 10 18.794"}, {70, " -0 05 09.397"},
                           {88, "  0 00 00.000"}, {105, " -0 05 09.397"}})};
    EXPECT_EQ(from_first_page(r), expected);
    EXPECT_EQ(r.c().rotation.phi_correction, 0.0f);
}

// Which sections each analysis option prints, in an iteration with more to
// come and in the last one.
TEST(Tlres, AnalysisOptionsChooseTheSections) {
    for (int option = 0; option <= 5; ++option) {
        for (int left : {1, 0}) {
            SCOPED_TRACE("analysis option " + std::to_string(option) + ", iterations left " + std::to_string(left));
            ResultsRun r;
            // Both stations fixed: the precision analyses then read nothing
            // of the inverse, which this test does not form.
            r.station_at(1, 1, kFixed, 0.0, 0.0, "A", 0);
            r.station_at(2, 2, kFixed, 0.0, 0.0, "B", 1);
            r.counts(0, 2);
            r.equation(1, {1}, {1.0f}, 0.01f, 100.0f, 1, 2);
            r.equation(2, {1}, {1.0f}, -0.01f, 100.0f, 1, 2);
            r.solution({0.0f, 0.0f, 0.0f});
            r.c().option.run_status = option + 1;
            r.c().option.solution_output = 1;
            r.c().option.rotation_option = 1;
            r.c().rec01.iterations_left = left;
            tlres(r.c());

            bool listed = option <= 3;
            EXPECT_EQ(r.lines_with("LIST OF CORRECTIONS").size(), listed ? 1u : 0u);
            EXPECT_EQ(r.lines_with("LIST OF RESIDUALS").size(), listed ? 1u : 0u);
            EXPECT_EQ(r.lines_with("RESIDUAL  ANALYSIS").size(), listed ? 1u : 0u);
            EXPECT_EQ(r.lines_with("ADJUSTED ROTATION PARAMETERS").size(), 1u);
            // The section selected last.
            std::string last = "TLHED9 ";
            if (left == 0 && option == 1) last = "TLHED7 ";
            if (left == 0 && option >= 2) last = "TLHED10";
            EXPECT_EQ(r.c().head.hdname, last);
        }
    }
}
