// The pillar mark behind a station name in the print line.
#include "pelmo_routines/stations.h"
#include "report/iocat3.h"
#include "support/test_util.h"

#include <gtest/gtest.h>

using namespace quarlo;
using quarlo::test::line132;
using quarlo::test::TestRun;

namespace {

std::string mark(std::initializer_list<std::pair<int, std::string>> fields, int col) {
    TestRun run;
    for (const auto& [c, text] : fields) ioc11(run.c(), text, c);
    pillar(run.c(), col);
    return run.c().ioarea.prtlin.str();
}

TEST(PillarMark, FullNameGetsTheMarkDirectlyBehindIt) {
    std::string name = "ABCDEFGHIJKLMNOPQRST";
    EXPECT_EQ(mark({{30, name}}, 30), line132({{30, "ABCDEFGHIJKLMNOPQRS"}, {49, "T(P)"}}));
    EXPECT_EQ(mark({{30, name}, {52, "X"}}, 30), line132({{30, name}, {50, "(P)"}}));
}

TEST(PillarMark, ShortNameGetsOneBlankThenTheMark) {
    EXPECT_EQ(mark({{30, "HILL"}}, 30), line132({{30, "HILL"}, {35, "(P)"}}));
    EXPECT_EQ(mark({{30, "MT VIEW  NO 2"}}, 30), line132({{30, "MT VIEW  NO 2"}, {44, "(P)"}}));
    // Nineteen characters: the last blank column of the field is kept.
    EXPECT_EQ(mark({{30, "ABCDEFGHIJKLMNOPQRS"}}, 30), line132({{30, "ABCDEFGHIJKLMNOPQRS"}, {50, "(P)"}}));
}

TEST(PillarMark, BlankNameAndTheEndOfTheLine) {
    EXPECT_EQ(mark({}, 30), std::string(132, ' '));
    // A blank name: the character before the field counts.
    EXPECT_EQ(mark({{29, "9"}}, 30), line132({{29, "9"}, {31, "(P)"}}));
    // Near the end of the line the mark is cut at column 132.
    EXPECT_EQ(mark({{120, "NAME AT THE END"}}, 120), line132({{120, "NAME AT THE E"}}));
    EXPECT_EQ(mark({{120, "SHORT"}}, 120), line132({{120, "SHORT"}, {126, "(P)"}}));
    EXPECT_EQ(mark({{125, "ENDNAME"}}, 125), line132({{125, "ENDNAME"}}));
    EXPECT_EQ(mark({{1, "A"}}, 1), line132({{1, "A"}, {3, "(P)"}}));
}

} // namespace
