// Whole stage-1 runs: the list of stations of a run, and the station file it
// writes read back by a later run as its station file.
#include "adjust_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quarlo;
using namespace quarlo::test;

namespace {

// Stage 1 with the station file option.
std::string control() { return card({{1, "01"}, {54, "1"}, {56, "1"}}); }

std::string levelled(const std::string& from, const std::string& to, const std::string& dh) {
    return card({{1, "24"}, {4, from}, {9, to}, {13, dh}, {23, " 0.010"}});
}

std::vector<std::string> report_lines_with(const std::string& path, const std::string& text) {
    std::vector<std::string> out;
    for (const auto& l : read_lines(path))
        if (l.find(text) != std::string::npos) out.push_back(l);
    return out;
}

} // namespace

TEST(Stage1Run, StationFileIsReadBackByALaterRun) {
    TempDir dir;
    // Run 1: station 3 is named only by an observation and gets its height
    // from station 2.
    write_file("net1.dat", control() +
                               card({{1, "10"}, {4, "  1"}, {8, "   1000.000"}, {19, "   2000.000"}, {31, "HILL ONE"},
                                     {59, " 100.000"}, {67, "*"}}) +
                               card({{1, "10"}, {4, "  2"}, {8, "   1500.000"}, {19, "   2400.000"}, {31, "HILL TWO"},
                                     {59, " 105.250"}}) +
                               levelled("   1", "  2", "    5.250") + levelled("   2", "  3", "   -3.125") +
                               card({{1, "99"}}));
    ProgramResult first = run_program({"-o", "net1.dat"});
    EXPECT_EQ(first.status, 0) << first.console;

    std::vector<std::string> expected{
        line70({{1, "10"}, {4, "  1"}, {8, "  1000.000"}, {19, "   2000.000"}, {31, "HILL ONE"}, {59, " 100.000"},
                {67, "*"}}),
        line70({{1, "10"}, {4, "  2"}, {8, "  1500.000"}, {19, "   2400.000"}, {31, "HILL TWO"}, {59, " 105.250"}}),
        line70({{1, "10"}, {4, "  3"}, {31, "STATION   3"}, {59, " 102.125"}})};
    EXPECT_EQ(read_lines("net1.stn"), expected);

    auto computed = report_lines_with("net1.prt", "computed from");
    ASSERT_EQ(computed.size(), 1u);
    EXPECT_EQ(computed[0], line132({{1, "   3"}, {7, "computed from"}, {21, "   2"}, {27, "using"}, {36, "  -3.125"}}));
    auto listed = report_lines_with("net1.prt", "STATION   3");
    ASSERT_EQ(listed.size(), 1u);
    EXPECT_EQ(listed[0], line132({{17, "  3"}, {30, "STATION   3"}, {98, " 102.125"}}));

    // Run 2 names stations 2 and 3 only in observations; the station file of
    // run 1 supplies them.
    std::filesystem::copy_file("net1.stn", "stations.dat");
    write_file("net2.dat", control() +
                               card({{1, "10"}, {4, "  1"}, {8, "   1000.000"}, {19, "   2000.000"}, {31, "HILL ONE"},
                                     {59, " 100.000"}, {67, "*"}}) +
                               levelled("   1", "  2", "    5.250") + levelled("   2", "  3", "   -3.125") +
                               card({{1, "99"}}));
    ProgramResult second = run_program({"-o", "net2.dat"});
    EXPECT_EQ(second.status, 0) << second.console;
    auto two = report_lines_with("net2.prt", "HILL TWO");
    ASSERT_EQ(two.size(), 1u);
    EXPECT_EQ(two[0], line132({{17, "  2"}, {30, "HILL TWO"}, {65, "   1500.000"}, {82, "   2400.000"},
                               {98, " 105.250"}}));
    EXPECT_TRUE(report_lines_with("net2.prt", "computed from").empty());
    EXPECT_EQ(read_lines("net2.stn"), expected);
}
