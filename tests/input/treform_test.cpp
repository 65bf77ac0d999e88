// Input conversion: the form of the input, keyword lines converted record by
// record, label numbering, duplicate station lines, continuation lines,
// comments, the station limit and the work files left behind.
#include "input/treform.h"

#include "driver/filasn.h"
#include "core/records.h"
#include "report/iocat3.h"
#include "support/test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <initializer_list>
#include <utility>

using namespace quarlo;
using quarlo::test::line132;
using quarlo::test::read_lines;
using quarlo::test::run_program;
using quarlo::test::TempDir;
using quarlo::test::TestRun;
using quarlo::test::write_file;

namespace {

using Fields = std::initializer_list<std::pair<int, std::string>>;

// A line of `width` columns with each text placed from its column.
std::string line_at(int width, Fields fields) {
    std::string line(static_cast<std::size_t>(width), ' ');
    for (const auto& [col, text] : fields)
        for (std::size_t i = 0; i < text.size(); ++i) line.at(static_cast<std::size_t>(col - 1) + i) = text[i];
    return line;
}

// An input line (keyword lines run to column 105).
std::string in(Fields fields) { return line_at(105, fields); }
// An expected converted record of 80 columns.
std::string rec(Fields fields) { return line_at(80, fields); }

const std::string kEnd = rec({{1, "99"}});

bool exists(const std::string& path) { return std::filesystem::exists(path); }

// One conversion: the input file written in a scratch directory, the header
// read by file assignment, then the conversion itself.
struct Conversion {
    TempDir dir;
    TestRun run;

    explicit Conversion(const std::vector<std::string>& body, const std::string& header = "92 CONVERSION\n01\n") {
        std::string text = header;
        for (const auto& l : body) text += l + "\n";
        write_file("net.dat", text);
        filasn(run.c(), {"-o", "net.dat"});
        EXPECT_NE(run.c().option.run_status, -9);
        treform(run.c());
    }
    RunContext& c() { return run.c(); }
    // A work file of the run, in its work folder.
    std::string work(const std::string& name) { return c().files.work_folder + "/" + name; }
    std::vector<std::string> converted() { return read_lines(work("quarlo19.wrk")); }
    std::string label(int n, float* geoid = nullptr) { return read_label(c().files.unit18, n, geoid).str(); }
    std::string console() { return run.out.str(); }
};

} // namespace

TEST(TreformConversion, KeywordFileConvertedRecordByRecord) {
    Conversion cv({
        "! network of the test",
        in({{1, "GRD"}, {5, "ALPHA"}, {18, "Alpha pillar"}, {38, "   1000.000"}, {49, "   2000.000"},
            {61, " 123.456"}, {69, "*"}, {70, "0.005"}, {76, "! on the roof"}}),
        in({{1, "GEO"}, {4, "*"}, {5, "BETA"}, {18, "Beta"}, {38, "-27"}, {42, "30"}, {45, "15.12345"},
            {53, " 153"}, {58, "01"}, {61, "02.50000"}, {70, "E"}, {71, "  45.678"}, {93, "0.010"}, {99, "  12.34"}}),
        in({{1, "DIF"}, {5, "BETA"}, {19, "DELTA"}, {33, "   12.345"}, {43, " 0.010"}, {50, "1"}, {52, "2"},
            {54, "  567.890"}, {69, "1.550"}, {75, " 1.650"}}),
        in({{1, "gcr"}, {5, "TS1234X"}, {18, "Gamma"}, {38, "    500.000"}, {49, "    600.000"}, {61, "  10.000"}}),
        in({{1, "ZEN"}, {4, "S"}, {5, "ALPHA"}, {19, "BETA"}, {32, "0893015.5"}, {42, "   2.0"}, {49, " 1234.567"},
            {58, "S"}, {59, "123"}, {63, "0.070"}, {69, "1.500"}, {75, "1.600"}, {81, "  0.10"}, {88, "  0.20"},
            {95, "1"}, {97, "2"}}),
        in({{1, "ccd"}, {5, "BETA"}, {19, "ALPHA"}, {32, "   -123.456"}, {43, "    234.567"}, {54, "     -3.210"},
            {81, "0.02"}, {88, "1.500"}, {94, "1.600"}, {100, "1"}, {102, "0"}}),
        in({{1, "VER"}, {19, "EPSILON"}, {33, "  2"}, {37, "15"}, {40, "30.5"}, {45, "   3.0"}, {59, "0.080"},
            {66, "1.450"}, {74, "1.700"}, {80, "\\"}, {81, "  9.99"}}),
        in({{1, "  0.05"}, {8, "  0.07"}, {15, "3"}, {17, "4"}}),
        "99",
        in({{1, "GRD"}, {5, "OMEGA"}, {61, "   1.000"}}),
    });
    auto& c = cv.c();
    EXPECT_EQ(c.rec01.label_mode, 1);
    EXPECT_EQ(c.option.run_status, 0);

    // Written by hand, column by column.
    std::vector<std::string> expected = {
        //        1         2         3         4         5         6         7         8
        //2345678901234567890123456789012345678901234567890123456789012345678901234567890
        "10   1    1000.000   2000.000 Alpha pillar                 123.456* 0.005       ",
        rec({{1, "11"}, {4, "  2"}, {7, "*"}, {8, "-27"}, {11, "30"}, {13, "15.12345"}, {21, " 153"}, {25, "01"},
             {27, "02.50000"}, {36, "Beta"}, {58, "E"}, {59, "  45.678"}, {69, "0.010"}}),
        rec({{1, "18"}, {4, "  3"}, {8, "    500.000"}, {19, "    600.000"}, {31, "Gamma"}, {53, "1234"},
             {59, "  10.000"}}),
        rec({{1, "23"}, {3, "S"}, {4, "  1"}, {9, "  2"}, {13, "0893015.5"}, {23, "   2.0"}, {29, " 1234.567"},
             {39, "S"}, {40, "123"}, {44, "0.070"}, {50, "1.500"}, {56, "1.600"}, {63, "  0.10"}, {70, "  0.20"},
             {78, "1"}, {80, "2"}}),
        rec({{1, "23"}, {4, "  2"}, {9, "  5"}, {12, "V"}, {13, "  2"}, {16, "15"}, {18, "30.5"}, {23, "   3.0"},
             {44, "0.080"}, {50, "1.450"}, {56, "1.700"}, {63, "  0.05"}, {70, "  0.07"}, {78, "3"}, {80, "4"}}),
        rec({{1, "24"}, {4, "  2"}, {9, "  4"}, {13, "   12.345"}, {23, " 0.010"}, {30, " 567.890"}, {50, "1.550"},
             {56, " 1.650"}, {78, "1"}, {80, "2"}}),
        rec({{1, "26"}, {5, "  2"}, {9, "  1"}, {12, "   -123.456"}, {23, "    234.567"}, {34, "     -3.210"},
             {61, "0.02"}, {66, "1.500"}, {72, "1.600"}, {78, "1"}, {80, "0"}}),
        kEnd,
    };
    ASSERT_EQ(expected[0].size(), 80u);
    EXPECT_EQ(cv.converted(), expected);

    // Labels in order of first appearance: station lines, then observations.
    EXPECT_EQ(c.numbrs.number_of_stations, 5);
    EXPECT_EQ(c.numbrs.number_of_zenith_distances, 2);
    EXPECT_EQ(c.numbrs.number_of_height_differences, 1);
    const char* labels[] = {"ALPHA       ", "BETA        ", "TS1234X     ", "DELTA       ", "EPSILON     "};
    const float geoids[] = {0.0f, 12.34f, 0.0f, 0.0f, 0.0f};
    for (int n = 1; n <= 5; ++n) {
        float g = -1.0f;
        EXPECT_EQ(cv.label(n, &g), labels[n - 1]) << n;
        EXPECT_EQ(g, geoids[n - 1]) << n;
        EXPECT_EQ(c.arrays.label(n).str(), labels[n - 1]);
    }
    EXPECT_EQ(c.files.unit18.records_on_file(), 5);
    EXPECT_EQ(c.arrays.code(1), '*');
    EXPECT_EQ(c.arrays.height_text(1).str(), " 123.456");
    EXPECT_EQ(c.arrays.code(2), '*');
    EXPECT_EQ(c.arrays.code(3), ' ');

    // The coordinate difference asks for the geoid model.
    EXPECT_EQ(c.option.geoid_model_option, 1);

    // Unit 4 now reads the converted file; the scratch files are gone.
    EXPECT_TRUE(c.files.unit4_is_work_file);
    EXPECT_EQ(c.files.unit4.path(), cv.work("quarlo19.wrk"));
    EXPECT_FALSE(c.files.unit19.is_open());
    EXPECT_FALSE(exists(cv.work("quarlo20.wrk")));
    EXPECT_FALSE(exists(cv.work("quarlo21.wrk")));
    EXPECT_FALSE(exists(cv.work("quarlo22.wrk")));
    EXPECT_TRUE(exists("net.dat"));
    icr00(c);
    EXPECT_EQ(c.ioarea.record_code, 10);
    EXPECT_EQ(c.ioarea.card.str(), expected[0]);
}

TEST(TreformConversion, StationsNamedOnlyByObservationsAreNumberedInOrder) {
    Conversion cv({
        in({{1, "ZEN"}, {5, "HILL"}, {19, "TOWER"}, {32, "0900000"}}),
        in({{1, "DIF"}, {5, "CHURCH"}, {19, "HILL"}, {33, "5.0"}}),
        in({{1, "CCD"}, {19, "MAST"}, {32, "1.0"}}),
        in({{1, "zen"}, {19, "TOWER"}, {32, "0900000"}}),
    });
    auto& c = cv.c();
    EXPECT_EQ(c.numbrs.number_of_stations, 4);
    EXPECT_EQ(cv.label(1), "HILL        ");
    EXPECT_EQ(cv.label(2), "TOWER       ");
    EXPECT_EQ(cv.label(3), "CHURCH      ");
    EXPECT_EQ(cv.label(4), "MAST        ");
    auto lines = cv.converted();
    ASSERT_EQ(lines.size(), 5u);
    // The blank first label repeats the first label of the line before,
    // whatever its keyword: the CCD takes CHURCH, the last ZEN takes CHURCH too.
    EXPECT_EQ(lines[0].substr(0, 12), "23   1    2 ");
    EXPECT_EQ(lines[1].substr(0, 12), "23   3    2 ");
    EXPECT_EQ(lines[2].substr(0, 12), "24   3    1 ");
    EXPECT_EQ(lines[3].substr(0, 11), "26    3   4");
    EXPECT_EQ(lines[4], kEnd);
    EXPECT_EQ(c.numbrs.number_of_zenith_distances, 2);
    EXPECT_EQ(c.numbrs.number_of_height_differences, 1);
}

TEST(TreformConversion, BlankFirstLabelWithNothingToRepeatStaysBlank) {
    Conversion cv({
        in({{1, "DIF"}, {19, "B"}, {33, "1.0"}}),
        in({{1, "DIF"}, {5, "A"}, {19, "B"}, {33, "2.0"}}),
    });
    EXPECT_EQ(cv.label(1), std::string(12, ' '));
    EXPECT_EQ(cv.label(2), "B           ");
    EXPECT_EQ(cv.label(3), "A           ");
    auto lines = cv.converted();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0].substr(0, 11), "24   1    2");
    EXPECT_EQ(lines[1].substr(0, 11), "24   3    2");
}

TEST(TreformConversion, RepeatedStationLinesDroppedOrRedefined) {
    Conversion cv({
        // A: fixed height 10.000.
        in({{1, "GRD"}, {5, "A"}, {61, "  10.000"}, {69, "*"}}),
        // Same code and height: dropped.
        in({{1, "GRD"}, {5, "A"}, {61, "  10.000"}, {69, "*"}}),
        // Same code, another height: redefinition of station 1.
        in({{1, "GRD"}, {5, "A"}, {18, "moved"}, {61, "  11.000"}, {69, "*"}}),
        // B without codes; again with a code: dropped (B's code is blank).
        in({{1, "GRD"}, {5, "B"}, {61, "   5.000"}}),
        in({{1, "STN"}, {4, "-"}, {5, "B"}, {61, "   6.000"}}),
        // C fixed by column 4; again with only the height code: neither
        // column matches, so a redefinition.
        in({{1, "GRD"}, {4, "-"}, {5, "C"}, {61, "   7.000"}}),
        in({{1, "GRD"}, {5, "C"}, {61, "   7.000"}, {69, "*"}}),
        // D: both codes given, the height code is kept; again with only the
        // height code and the same height: dropped.
        in({{1, "GRD"}, {4, "-"}, {5, "D"}, {61, "   8.000"}, {69, "*"}}),
        in({{1, "GRD"}, {5, "D"}, {61, "   8.000"}, {69, "*"}}),
        // E geographic; again with another height: the redefinition carries
        // the new geoid separation.
        in({{1, "GEO"}, {5, "E"}, {71, "  20.000"}, {79, "*"}, {99, "1.5"}}),
        in({{1, "geo"}, {5, "E"}, {71, "  21.000"}, {79, "*"}, {99, "2.5"}}),
        // A "GCR" label is not compared: a second station F.
        in({{1, "GCR"}, {5, "F"}}),
        in({{1, "GCR"}, {5, "F"}}),
    });
    auto& c = cv.c();
    auto lines = cv.converted();
    std::vector<std::string> heads;
    for (const auto& l : lines) heads.push_back(l.substr(0, 7) + "|" + l.substr(58, 9));
    EXPECT_EQ(heads, (std::vector<std::string>{
                         "10   1 |  10.000*",
                         "10   1#|  11.000*",
                         "10   2 |   5.000 ",
                         "10   3-|   7.000 ",
                         "10   3#|   7.000*",
                         "10   4-|   8.000*",
                         "11   5 |  20.000*",
                         "11   5#|  21.000*",
                         "18   6 |         ",
                         "18   7 |         ",
                         "99     |         ",
                     }));
    EXPECT_EQ(lines[1].substr(30, 20), "moved               ");
    EXPECT_EQ(c.numbrs.number_of_stations, 7);
    EXPECT_EQ(c.arrays.code(3), '-');
    EXPECT_EQ(c.arrays.code(4), '*');
    EXPECT_EQ(c.arrays.height_text(4).str(), "   8.000");
    EXPECT_EQ(c.arrays.height_text(2).str(), "        ");
    float g = 0.0f;
    EXPECT_EQ(cv.label(5, &g), "E           ");
    EXPECT_EQ(g, 2.5f);
    EXPECT_EQ(cv.label(6), "F           ");
    EXPECT_EQ(cv.label(7), "F           ");
}

TEST(TreformConversion, SpreadAndPackedAngles) {
    Conversion cv({
        // Columns 36 and 39 blank: spread degrees, minutes, seconds.
        in({{1, "ZEN"}, {5, "A"}, {19, "B"}, {33, " 89"}, {37, "59"}, {40, "59.9"}, {45, "   1.5"}, {52, "999"},
            {59, "0.13 "}, {66, " 1.45"}, {74, " 1.60"}}),
        // Column 39 alone non-blank: packed.
        in({{1, "ZEN"}, {5, "A"}, {19, "B"}, {32, "0895 00.5"}, {42, "   1.5"}}),
        // Column 36 alone non-blank: packed.
        in({{1, "ZEN"}, {5, "A"}, {19, "B"}, {32, "0893015"}}),
        // A vertical angle below the horizon, spread, with its sign among
        // the degree columns.
        in({{1, "ver"}, {5, "A"}, {19, "B"}, {33, " -1"}, {37, "30"}, {40, "  0"}}),
    });
    auto lines = cv.converted();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(lines[0], rec({{1, "23"}, {4, "  1"}, {9, "  2"}, {13, " 89"}, {16, "59"}, {18, "59.9"},
                             {23, "   1.5"}, {44, "0.13 "}, {50, " 1.45"}, {56, " 1.60"}}));
    EXPECT_EQ(lines[1], rec({{1, "23"}, {4, "  1"}, {9, "  2"}, {13, "0895 00.5"}, {23, "   1.5"}}));
    EXPECT_EQ(lines[2], rec({{1, "23"}, {4, "  1"}, {9, "  2"}, {13, "0893015"}}));
    EXPECT_EQ(lines[3], rec({{1, "23"}, {4, "  1"}, {9, "  2"}, {12, "V"}, {13, " -1"}, {16, "30"}, {18, "  0"}}));

    // The angles read back as the observation reader reads them.
    int st = 0;
    double a = read_angle_field(lines[0], 13, 9, st);
    EXPECT_EQ(st, 1);
    EXPECT_NEAR(a * 206264.806247096, 89 * 3600 + 59 * 60 + 59.9, 1e-6);
    a = read_angle_field(lines[3], 13, 9, st);
    EXPECT_EQ(st, 2);
    EXPECT_NEAR(a * 206264.806247096, -(3600 + 30 * 60), 1e-6);
}

TEST(TreformConversion, HeightDifferenceDistanceFitsItsNarrowerField) {
    Conversion cv({
        in({{1, "DIF"}, {5, "A"}, {19, "B"}, {54, "1234.56  "}}),
        in({{1, "DIF"}, {5, "A"}, {19, "B"}, {54, "  1234.56"}}),
        in({{1, "DIF"}, {5, "A"}, {19, "B"}, {54, "123456.78"}}),
        in({{1, "DIF"}, {5, "A"}, {19, "B"}, {54, "1.2345E+3"}}),
        in({{1, "DIF"}, {5, "A"}, {19, "B"}, {54, "12345678X"}}),
    });
    auto lines = cv.converted();
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[0].substr(28, 10), "  1234.56 ");
    EXPECT_EQ(lines[1].substr(28, 10), "  1234.56 ");
    EXPECT_EQ(lines[2].substr(28, 10), " 123456.8 ");
    EXPECT_EQ(lines[3].substr(28, 10), " 1234.500 ");
    // Unreadable stays unreadable rather than becoming 12345678.
    EXPECT_EQ(lines[4].substr(28, 10), " ******** ");
}

TEST(TreformConversion, ContinuationLines) {
    Conversion cv({
        // Geographic station: height sd and geoid separation on the next line.
        in({{1, "GEO"}, {5, "G"}, {38, " 27"}, {71, "  12.000"}, {80, "\\"}, {93, "9.999"}, {99, "9.99"}}),
        in({{14, "0.020"}, {21, " -1.250"}}),
        // A continuation line that begins like a record-code record or the
        // end record belongs to its line and is not read for itself.
        in({{1, "CCD"}, {5, "G"}, {19, "H"}, {32, "1.0"}, {80, "\\"}}),
        in({{1, "10  "}, {8, "1.500"}, {14, "1.600"}, {20, "1"}, {22, "2"}}),
        in({{1, "ZEN"}, {5, "G"}, {19, "H"}, {32, "0900000"}, {80, "\\"}}),
        in({{1, "99.500"}, {8, "  0.20"}, {15, "5"}, {17, "6"}}),
        // "\" in column 80 of a height difference is part of its target
        // height: no continuation.
        in({{1, "DIF"}, {5, "G"}, {19, "H"}, {75, "1.650"}, {80, "\\"}}),
        in({{1, "DIF"}, {5, "H"}, {19, "G"}}),
        // The last line asks for a continuation that is not there: blank.
        in({{1, "ZEN"}, {5, "H"}, {19, "G"}, {32, "0900000"}, {80, "\\"}, {81, "  7.77"}, {95, "9"}}),
    });
    auto& c = cv.c();
    EXPECT_EQ(c.rec01.label_mode, 1);
    auto lines = cv.converted();
    ASSERT_EQ(lines.size(), 7u);
    EXPECT_EQ(lines[0], rec({{1, "11"}, {4, "  1"}, {8, " 27"}, {59, "  12.000"}, {69, "0.020"}}));
    EXPECT_EQ(lines[1], rec({{1, "23"}, {4, "  1"}, {9, "  2"}, {13, "0900000"}, {63, "99.500"}, {70, "  0.20"},
                             {78, "5"}, {80, "6"}}));
    EXPECT_EQ(lines[2], rec({{1, "23"}, {4, "  2"}, {9, "  1"}, {13, "0900000"}}));
    EXPECT_EQ(lines[3], rec({{1, "24"}, {4, "  1"}, {9, "  2"}, {56, "1.650\\"}}));
    EXPECT_EQ(lines[4], rec({{1, "24"}, {4, "  2"}, {9, "  1"}}));
    EXPECT_EQ(lines[5], rec({{1, "26"}, {5, "  1"}, {9, "  2"}, {12, "1.0"}, {61, "10  "}, {66, "1.500"},
                             {72, "1.600"}, {78, "1"}, {80, "2"}}));
    float g = 0.0f;
    cv.label(1, &g);
    EXPECT_EQ(g, -1.25f);
    // Each converted record remembers the line of the input it came from
    // (the first of a continued pair: the head takes lines 1 and 2); the end
    // record none.
    std::vector<int> from;
    for (const SourceLine& at : c.diag.converted) from.push_back(at.line);
    EXPECT_EQ(from, (std::vector<int>{3, 7, 11, 9, 10, 5, 0}));
}

TEST(TreformConversion, CommentsAreBlankedToTheEndOfTheLine) {
    Conversion cv({
        "!GRD X",
        in({{1, "GRD"}, {5, "A!B"}, {61, "   1.000"}}),
        in({{1, "GRD"}, {5, "C"}, {18, "name"}, {61, "   2.0!0"}, {69, "*"}}),
        in({{1, "ZEN"}, {5, "A"}, {19, "C"}, {32, "0900000"}, {80, "!\\"}, {81, "  1.11"}}),
        in({{1, "ZEN"}, {5, "A"}, {19, "C"}, {32, "0900000"}, {80, "\\"}}),
        in({{1, "  2.22 ! trailing note"}}),
    });
    auto lines = cv.converted();
    ASSERT_EQ(lines.size(), 5u);
    EXPECT_EQ(cv.label(1), "A           ");
    EXPECT_EQ(lines[0], rec({{1, "10"}, {4, "  1"}}));
    EXPECT_EQ(lines[1], rec({{1, "10"}, {4, "  2"}, {31, "name"}, {59, "   2.0"}}));
    // The "!" in column 80 blanks the continuation mark and the rest.
    EXPECT_EQ(lines[2], rec({{1, "23"}, {4, "  1"}, {9, "  2"}, {13, "0900000"}}));
    EXPECT_EQ(lines[3], rec({{1, "23"}, {4, "  1"}, {9, "  2"}, {13, "0900000"}, {63, "  2.22"}}));
}

TEST(TreformConversion, MixedCaseIsNotAKeyword) {
    Conversion cv({
        in({{1, "Grd"}, {5, "MIXED"}}),
        in({{1, "GRD"}, {5, "UPPER"}}),
        in({{1, "grd"}, {5, "LOWER"}}),
        in({{1, "Zen"}, {5, "MIXED"}, {19, "UPPER"}}),
        in({{1, "dIF"}, {5, "MIXED"}, {19, "UPPER"}}),
        "GRD",
    });
    auto& c = cv.c();
    EXPECT_EQ(c.rec01.label_mode, 1);
    EXPECT_EQ(c.numbrs.number_of_stations, 3);
    EXPECT_EQ(cv.label(1), "UPPER       ");
    EXPECT_EQ(cv.label(2), "LOWER       ");
    EXPECT_EQ(cv.label(3), std::string(12, ' '));
    EXPECT_EQ(c.numbrs.number_of_zenith_distances, 0);
    EXPECT_EQ(cv.converted().size(), 4u);
}

TEST(TreformConversion, ObservationLinesBeforeTheControlRecordAreReadInTheSecondPass) {
    // The second pass starts at the first line of the file.
    Conversion cv({in({{1, "GRD"}, {5, "B"}})},
                  in({{1, "DIF"}, {5, "A"}, {19, "B"}, {33, "1.0"}}) + "\n" + in({{1, "GRD"}, {5, "A"}}) + "\n01\n");
    EXPECT_EQ(cv.label(1), "B           ");
    EXPECT_EQ(cv.label(2), "A           ");
    auto lines = cv.converted();
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[1].substr(0, 11), "24   2    1");
}

TEST(TreformConversion, CoordinateDifferencesForceTheGeoidModelOnlyFromZero) {
    {
        Conversion cv({in({{1, "GRD"}, {5, "A"}})});
        EXPECT_EQ(cv.c().option.geoid_model_option, 0);
    }
    {
        Conversion cv({in({{1, "CCD"}, {5, "A"}, {19, "B"}}), in({{1, "CCD"}, {5, "B"}, {19, "A"}})});
        EXPECT_EQ(cv.c().option.geoid_model_option, 1);
    }
    {
        // Option 2 (model not used) is left as the control record gave it.
        TempDir dir;
        TestRun run;
        write_file("net.dat", "01\n" + in({{1, "CCD"}, {5, "A"}, {19, "B"}}) + "\n");
        filasn(run.c(), {"-o", "net.dat"});
        run.c().option.geoid_model_option = 2;
        treform(run.c());
        EXPECT_EQ(run.c().option.geoid_model_option, 2);
    }
}

TEST(TreformConversion, UnreadableGeoidSeparationIsReportedAndTakenAsZero) {
    Conversion cv({in({{1, "GEO"}, {5, "P"}, {99, "1.2.3"}})});
    float g = -1.0f;
    cv.label(1, &g);
    EXPECT_EQ(g, 0.0f);
    cv.c().files.unit3.flush();
    const std::string expected =
        line132({{40, "*** GEOID SEPARATION NOT READABLE FOR"}, {78, "P"}, {91, "- TAKEN AS ZERO ***"}});
    auto report = read_lines("net.prt");
    EXPECT_EQ(std::count(report.begin(), report.end(), expected), 1);
}

TEST(TreformForm, RecordCodeFileIsUsedDirectly) {
    const std::string station = rec({{1, "10"}, {4, "  1"}, {8, "   1000.000"}, {19, "   2000.000"}, {59, "  10.000"}});
    Conversion cv({
        "",
        "94 ignored",
        in({{1, "GRD"}, {5, "BEFORE"}}),
        station,
        rec({{1, "23"}, {4, "  1"}, {9, "  2"}, {13, "0900000"}}),
        "99",
    });
    auto& c = cv.c();
    EXPECT_EQ(c.rec01.label_mode, 0);
    EXPECT_EQ(c.numbrs.number_of_stations, 0);
    EXPECT_FALSE(c.files.unit4_is_work_file);
    EXPECT_EQ(c.files.unit4.path(), "net.dat");
    for (const char* f : {"quarlo18.wrk", "quarlo19.wrk", "quarlo20.wrk", "quarlo21.wrk", "quarlo22.wrk"})
        EXPECT_FALSE(exists(cv.work(f))) << f;
    EXPECT_FALSE(c.files.unit18.is_open());
    // The reader sees the first station record again.
    icr00(c);
    EXPECT_EQ(c.ioarea.record_status, 0);
    EXPECT_EQ(c.ioarea.record_code, 10);
    EXPECT_EQ(c.ioarea.card.str(), station);
    icr00(c);
    EXPECT_EQ(c.ioarea.record_code, 23);
}

TEST(TreformForm, EveryRecordCodeThatDecidesTheForm) {
    for (const char* code : {"10 ", "11 ", "18 ", "23 ", "24 ", "26 ", "23S"}) {
        Conversion cv({std::string(code) + "  1"});
        EXPECT_EQ(cv.c().rec01.label_mode, 0) << code;
    }
    // Other codes, and codes not followed by a blank, do not.
    for (const char* code : {"10S", "24S", "20 ", "95 "}) {
        Conversion cv({std::string(code) + "  1"});
        EXPECT_EQ(cv.c().rec01.label_mode, 1) << code;
        EXPECT_EQ(cv.converted(), std::vector<std::string>{kEnd}) << code;
    }
}

TEST(TreformForm, EndRecordEndsBothPasses) {
    Conversion cv({
        in({{1, "GRD"}, {5, "A"}}),
        "99",
        in({{1, "GRD"}, {5, "B"}}),
        "10   2",
    });
    EXPECT_EQ(cv.c().rec01.label_mode, 1);
    EXPECT_EQ(cv.c().numbrs.number_of_stations, 1);
    EXPECT_EQ(cv.converted().size(), 2u);
}

TEST(TreformForm, EmptyBodyGivesOnlyTheEndRecord) {
    Conversion cv({});
    EXPECT_EQ(cv.c().rec01.label_mode, 1);
    EXPECT_EQ(cv.converted(), std::vector<std::string>{kEnd});
    EXPECT_EQ(std::filesystem::file_size(cv.work("quarlo18.wrk")), 0u);
}

TEST(TreformLimit, NineHundredNinetyNineStationsAreAccepted) {
    std::vector<std::string> body;
    for (int i = 1; i <= 999; ++i) body.push_back(in({{1, "GRD"}, {5, std::string("S").append(std::to_string(i))}}));
    // A repeated label at the limit is not a new station.
    body.push_back(in({{1, "GRD"}, {5, "S999"}}));
    body.push_back(in({{1, "DIF"}, {5, "S1"}, {19, "S999"}}));
    Conversion cv(body);
    EXPECT_EQ(cv.c().option.run_status, 0);
    EXPECT_EQ(cv.c().numbrs.number_of_stations, 999);
    EXPECT_EQ(cv.console(), "");
    auto lines = cv.converted();
    ASSERT_EQ(lines.size(), 1001u);
    EXPECT_EQ(lines[998].substr(0, 7), "10 999 ");
    EXPECT_EQ(cv.label(999), "S999        ");
}

TEST(TreformLimit, OneThousandStationLinesStopTheRun) {
    std::vector<std::string> body;
    for (int i = 1; i <= 1000; ++i) body.push_back(in({{1, "GRD"}, {5, std::string("S").append(std::to_string(i))}}));
    Conversion cv(body);
    EXPECT_EQ(cv.c().option.run_status, -9);
    EXPECT_EQ(cv.console(), " There are more than 999 stations \n");
}

TEST(TreformLimit, ObservationLabelsCountTowardsTheLimit) {
    std::vector<std::string> body;
    for (int i = 1; i <= 998; ++i) body.push_back(in({{1, "GRD"}, {5, std::string("S").append(std::to_string(i))}}));
    body.push_back(in({{1, "DIF"}, {5, "S1"}, {19, "NEW1"}}));
    body.push_back(in({{1, "DIF"}, {5, "NEW2"}, {19, "S1"}}));
    Conversion cv(body);
    EXPECT_EQ(cv.c().option.run_status, -9);
    EXPECT_EQ(cv.console(), " There are more than 999 stations \n");
}

TEST(TreformLimit, WholeRunStopsDuringSetUpAndRemovesItsWorkFiles) {
    TempDir dir;
    std::string text = "01\n";
    for (int i = 1; i <= 1000; ++i) text += in({{1, "GRD"}, {5, std::string("S").append(std::to_string(i))}}) + "\n";
    write_file("big.dat", text);
    auto res = run_program({"-o", "big.dat"});
    EXPECT_EQ(res.status, kExitSetupFailed);
    EXPECT_NE(res.console.find(" There are more than 999 stations \n"), std::string::npos);
    EXPECT_EQ(res.console.find("Errors in data"), std::string::npos);
    EXPECT_EQ(dir.files(), (std::vector<std::string>{"big.dat", "big.prt"}));
}

TEST(TreformRun, KeywordRunDeletesTheConvertedFileAtTheEnd) {
    TempDir dir;
    write_file("kw.dat", "01\n" + in({{1, "GRD"}, {5, "A"}, {61, "  10.000"}, {69, "*"}}) + "\n" +
                             in({{1, "DIF"}, {5, "A"}, {19, "B"}, {33, "1.000"}}) + "\n");
    auto res = run_program({"-o", "kw.dat"});
    EXPECT_NE(res.status, kExitRunTimeError) << res.console;
    EXPECT_EQ(dir.files(), (std::vector<std::string>{"kw.dat", "kw.prt"}));
}
