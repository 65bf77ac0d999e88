// The main driver: error notice, exit status, pause and the end-of-run
// deletion of the work files.
#include "driver/quarlo.h"
#include "support/test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>

using namespace quarlo;
using quarlo::test::line132;
using quarlo::test::read_lines;
using quarlo::test::run_program;
using quarlo::test::TempDir;
using quarlo::test::write_file;

namespace {

using Files = std::vector<std::string>;

bool report_has(const std::string& path, const std::string& line) {
    for (const auto& l : read_lines(path))
        if (l == line) return true;
    return false;
}

} // namespace

// The networks shipped in examples/ run without a message: the record-code
// network, the same network in keyword form (the same heights in the same
// height file) and the template of the record-code form.
TEST(Examples, EveryShippedNetworkRunsCleanly) {
    TempDir dir;
    const std::filesystem::path examples = std::filesystem::path(QUARLO_SOURCE_DIR) / "examples";
    for (const auto& e : std::filesystem::directory_iterator(examples))
        std::filesystem::copy_file(e.path(), e.path().filename());
    for (const char* input : {"network.dat", "keyword.dat", "template.dat"}) {
        SCOPED_TRACE(input);
        auto res = run_program({"-o", input});
        EXPECT_EQ(res.status, 0);
        EXPECT_EQ(res.errors, "");
    }
    EXPECT_EQ(quarlo::test::read_file("keyword.hgt"), quarlo::test::read_file("network.hgt"));
}

TEST(MainDriver, UnsupportedZoneIsADataError) {
    TempDir dir;
    write_file("net.dat", "01 999\n10   1    1000.000   2000.000 A                             10.000*\n99\n");
    auto res = run_program({"net.dat"});
    EXPECT_EQ(res.status, 1);
    EXPECT_EQ(res.console, " Output file name: net.prt\n\n Errors in data\n\n");
    EXPECT_EQ(res.errors, "net.dat:1: ZONE NUMBER 999 IS NOT A SUPPORTED MAP ZONE\n    01 999\n");
    EXPECT_TRUE(report_has("net.prt", line132({{40, "*** ZONE NUMBER 999 IS NOT A SUPPORTED MAP ZONE ***"}})));
    auto rep = read_lines("net.prt");
    ASSERT_FALSE(rep.empty());
    EXPECT_EQ(rep.back(), "\f");
    EXPECT_EQ(dir.files(), (Files{"net.dat", "net.prt"}));
}

TEST(MainDriver, PauseWaitsOnlyForATerminal) {
    TempDir dir;
    write_file("net.dat", "01 999\n99\n");
    std::istringstream in("\nleft over\n");
    std::ostringstream out;
    RunOptions options;
    options.args = {"-o", "net.dat"};
    options.in = &in;
    options.out = &out;
    options.interactive = true;
    EXPECT_EQ(quarlo_main(options), 1);
    EXPECT_EQ(out.str(), "\n Errors in data\n\nPress Enter to continue . . . ");
    std::string rest;
    std::getline(in, rest);
    EXPECT_EQ(rest, "left over"); // exactly one line was taken

    std::istringstream in2("");
    std::ostringstream out2;
    options.in = &in2;
    options.out = &out2;
    options.interactive = false;
    EXPECT_EQ(quarlo_main(options), 1);
    EXPECT_EQ(out2.str(), "\n Errors in data\n\n");
}

TEST(MainDriver, AbandonedRunHasNoErrorNoticeAndNoPause) {
    TempDir dir;
    write_file("net.dat", "99\n");
    std::istringstream in("\n");
    std::ostringstream out;
    RunOptions options;
    options.args = {"-o", "net.dat"};
    options.in = &in;
    options.out = &out;
    options.interactive = true;
    EXPECT_EQ(quarlo_main(options), 2);
    EXPECT_EQ(out.str(), "");
    EXPECT_EQ(dir.files(), (Files{"net.dat", "net.prt"}));
}

TEST(MainDriver, WorkFilesInTheWorkPathAreRemovedOnEveryOutcome) {
    for (const std::string input : {"01\n99\n", "01 999\n99\n", "92 NO CONTROL\n"}) {
        TempDir dir;
        std::filesystem::create_directory("work");
        write_file("quarlo.opt", "WORK=work/\n");
        write_file("net.dat", input);
        run_program({"-o", "net.dat"});
        EXPECT_TRUE(std::filesystem::is_empty("work")) << input;
        EXPECT_EQ(dir.files(), (Files{"net.dat", "net.prt", "quarlo.opt", "work"})) << input;
    }
}

TEST(MainDriver, WorkFileThatCannotBeCreatedStopsTheRun) {
    TempDir dir;
    write_file("quarlo.opt", "WORK=missing/dir/\n");
    write_file("net.dat", "01\n99\n");
    auto res = run_program({"net.dat"});
    EXPECT_EQ(res.status, 3);
    EXPECT_EQ(res.console, "\n Unable to create a work folder in missing/dir/: No such file or directory\n\n");
    EXPECT_EQ(dir.files(), (Files{"net.dat", "quarlo.opt"}));
}

TEST(MainDriver, StageOneRunsOnePassWhateverTheIterationCount) {
    auto count_lists = [](const std::string& control) {
        TempDir dir;
        write_file("net.dat", control + "\n10   1    1000.000   2000.000 A                             10.000*\n"
                                        "10   2    1500.000   2000.000 B\n24    1   2     1.000\n99\n");
        EXPECT_EQ(run_program({"-o", "net.dat"}).status, 0);
        int lists = 0;
        for (const auto& l : read_lines("net.prt"))
            if (l == line132({{59, "LIST OF STATIONS"}})) ++lists;
        return lists;
    };
    std::string stage1 = "01" + std::string(51, ' ') + "1   3";
    std::string stage2 = "01" + std::string(51, ' ') + "2   3";
    EXPECT_EQ(count_lists(stage1), 1);
    EXPECT_EQ(count_lists(stage2), 3);
}
