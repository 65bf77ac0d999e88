// Whole runs through the solution stage: the listings of the weighted
// observation equations, of the normal equations and of their inverse for a
// small levelled network worked by hand; the stop at an unobserved unknown;
// the limit of 4000 unknowns.
#include "network.h"
#include "support/test_util.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <cmath>
#include <string>
#include <utility>
#include <vector>

using namespace quarlo;
using namespace quarlo::test;

namespace {

using Files = std::vector<std::string>;

// The line after the first line equal to `marker` that follows `after`.
std::string line_after(const std::vector<std::string>& lines, const std::string& after, const std::string& marker) {
    bool seen = false;
    for (std::size_t i = 0; i + 1 < lines.size(); ++i) {
        if (lines[i] == after) seen = true;
        if (seen && lines[i] == marker) return lines[i + 1];
    }
    return "(not found)";
}

// An input record: the texts at their columns, trailing blanks cut.
std::string record(const std::vector<std::pair<int, std::string>>& fields) {
    std::string line(132, ' ');
    for (const auto& [col, text] : fields) line.replace(static_cast<std::size_t>(col - 1), text.size(), text);
    return line.substr(0, line.find_last_not_of(' ') + 1) + "\n";
}

std::string station(int number, double easting, const std::string& name, const std::string& height = "",
                    bool fixed = false) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%3d", number);
    std::string n = buf;
    std::snprintf(buf, sizeof buf, "%11.3f", easting);
    return record({{1, "10"}, {4, n}, {8, buf}, {19, "   2000.000"}, {31, name}, {59, height},
                   {67, fixed ? "*" : " "}});
}

// Three stations at 10, 11 and 13 m, station 1 fixed or not, levelled
// 1-2 and 2-3 (standard deviation 0.5 m) and 1-3 (0.25 m, 0.25 m too long).
std::string levelled_triangle(const std::string& control, bool fixed) {
    return control + station(1, 1000.0, "A", "  10.000", fixed) + station(2, 1500.0, "B", "  11.000") +
           station(3, 2000.0, "C", "  13.000") +
           "24    1   2     1.000  0.500\n"
           "24    2   3     2.000  0.500\n"
           "24    1   3     3.250  0.250\n"
           "99\n";
}

std::vector<std::string> lines_with(const std::vector<std::string>& lines, const std::string& text) {
    std::vector<std::string> out;
    for (const auto& l : lines)
        if (l.find(text) != std::string::npos) out.push_back(l);
    return out;
}

} // namespace

// Station 1 fixed at 10 m, stations 2 and 3 given 11 and 13 m (unknowns 1
// and 2). Weights 4, 4, 16; misclosures 0, 0, 0.25. N = [8 -4; -4 20],
// u = [0 4]; N^-1 = [20 4; 4 8] / 144.
TEST(SolutionRun, ListingsOfASmallLevelledNetwork) {
    TempDir dir;
    write_file("net.dat", levelled_triangle(record({{1, "01"}, {32, "1"}, {54, "2"}, {64, "3"}}), true));
    ProgramResult res = run_program({"-o", "net.dat"});
    EXPECT_EQ(res.status, 0) << res.console;
    auto lines = read_lines("net.prt");

    // Coefficients and misclosures times the square root of the weight.
    // (Columns 31-40, the coefficient of a fixed from-station's empty slot,
    // are left out of the comparison.)
    const std::string zeros = "     0.000     0.000     0.000";
    std::vector<std::string> equations = {
        line132({{1, "    0    1    0    0    0"},
                 {41, "     2.000" + zeros + "     0.000     4.000"},
                 {104, "    1"},
                 {111, "    2"}}),
        line132({{1, "    1    2    0    0    0"},
                 {31, "    -2.000     2.000" + zeros + "     0.000     4.000"},
                 {104, "    2"},
                 {111, "    3"}}),
        line132({{1, "    0    2    0    0    0"},
                 {41, "     4.000" + zeros + "     1.000    16.000"},
                 {104, "    1"},
                 {111, "    3"}}),
    };
    for (std::size_t i = 0; i < equations.size(); ++i) {
        auto found = lines_with(lines, equations[i].substr(0, 25));
        ASSERT_EQ(found.size(), 1u) << i;
        if (i != 1) found[0].replace(30, 10, 10, ' ');
        EXPECT_EQ(found[0], equations[i]) << i;
    }

    const std::string normal = line132({{58, "NORMAL EQUATIONS"}});
    const std::string inverse = line132({{60, "INVERSE MATRIX"}});
    const std::string row1 = line132({{5, "ROW NUMBER"}, {17, "    1"}});
    const std::string row2 = line132({{5, "ROW NUMBER"}, {17, "    2"}});
    EXPECT_EQ(line_after(lines, normal, row1), line132({{1, "       8.000000"}, {17, "      -4.000000"}}));
    EXPECT_EQ(line_after(lines, normal, row2), line132({{1, "      20.000000"}}));
    EXPECT_EQ(line_after(lines, inverse, row1), line132({{1, "       0.138889"}, {17, "       0.027778"}}));
    EXPECT_EQ(line_after(lines, inverse, row2), line132({{1, "       0.055556"}}));
}

// No fixed height: the factorisation stops, and the results stage reports
// the singular matrix at once, with no inverse formed or listed.
TEST(SolutionRun, StoppedFactorisationListsNoInverse) {
    TempDir dir;
    write_file("net.dat", levelled_triangle(record({{1, "01"}, {54, "2"}, {64, "3"}}), false));
    ProgramResult res = run_program({"-o", "net.dat"});
    EXPECT_EQ(res.status, 1);
    EXPECT_EQ(res.console, "\n Normal matrix is singular\n\n");
    auto lines = read_lines("net.prt");
    EXPECT_EQ(lines_with(lines, "NORMAL EQUATIONS").size(), 1u);
    EXPECT_EQ(lines_with(lines, "MATRIX SINGULAR").size(), 1u);
    EXPECT_TRUE(lines_with(lines, "INVERSE MATRIX").empty());
    EXPECT_EQ(dir.files(), (Files{"net.dat", "net.prt"}));
}

// 949 heights and one K per zenith distance: 4000 unknowns are solved,
// 4001 refused.
TEST(SolutionRun, FourThousandUnknownsAtMost) {
    for (int zeniths : {3051, 3052}) {
        TempDir dir;
        write_file("net.dat", bench::per_observation_refraction_network(zeniths, 0, '0', '2'));
        ProgramResult res = run_program({"-o", "net.dat"});
        auto lines = read_lines("net.prt");
        auto size = lines_with(lines, "Matrix size :");
        ASSERT_FALSE(size.empty());
        EXPECT_EQ(cols(size[0], 40, 5), zeniths == 3051 ? " 4000" : " 4001");
        auto refused = lines_with(lines, "TOO MANY NORMAL EQUATIONS");
        if (zeniths == 3051) {
            EXPECT_EQ(res.status, 0) << res.console;
            EXPECT_TRUE(refused.empty());
        } else {
            EXPECT_EQ(res.status, 1);
            EXPECT_EQ(res.console, "\n Errors in data\n\n");
            EXPECT_EQ(refused, Files{line132({{40, "*** TOO MANY NORMAL EQUATIONS ***"}})});
        }
        EXPECT_EQ(dir.files(), (Files{"net.dat", "net.prt"}));
    }
}

