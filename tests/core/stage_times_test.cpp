// Stage timings for the benchmark: one line per stage run, appended to the
// file the run was given, and nothing of it in the report.
#include "driver/quarlo.h"
#include "support/test_util.h"

#include <gtest/gtest.h>

#include <sstream>

using namespace quarlo;
using namespace quarlo::test;

TEST(StageTimes, OneLinePerStageAndTheReportUnchanged) {
    TempDir dir;
    write_file("net.dat", "01" + std::string(51, ' ') + "1\n" +
                              "10   1    1000.000   2000.000 A                             10.000*\n"
                              "10   2    1500.000   2000.000 B\n24    1   2     1.000\n99\n");
    ASSERT_EQ(run_program({"-o", "net.dat"}).status, 0);
    const std::string untimed = read_file("net.prt");

    std::istringstream in;
    std::ostringstream out;
    RunOptions options;
    options.args = {"-o", "net.dat"};
    options.in = &in;
    options.out = &out;
    options.fixed_run_date = " 8-Dec-2026";
    options.stage_times_path = "times.txt";
    write_file("times.txt", "earlier line\n");
    ASSERT_EQ(quarlo_main(options), 0);
    EXPECT_EQ(read_file("net.prt"), untimed);

    std::vector<std::string> stages;
    for (const auto& line : read_lines("times.txt")) {
        std::istringstream fields(line);
        std::vector<std::string> words;
        for (std::string w; fields >> w;) words.push_back(w);
        if (words.size() < 3) {
            stages.push_back(line);
            continue;
        }
        // "<stage> <seconds> <peak KiB>": the stage may hold a blank.
        double seconds = std::stod(words[words.size() - 2]);
        long kib = std::stol(words.back());
        EXPECT_GE(seconds, 0.0) << line;
        EXPECT_GT(kib, 0) << line;
        stages.push_back(line.substr(0, line.size() - words[words.size() - 2].size() - words.back().size() - 2));
    }
    EXPECT_EQ(stages, (std::vector<std::string>{"earlier line", "files", "reading", "ordering",
                                                "provisional heights", "equations", "report"}));
}
