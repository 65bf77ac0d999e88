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
