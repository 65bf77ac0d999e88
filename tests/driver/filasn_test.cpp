// File assignment: command-line forms, console prompts, the options file,
// title records, the control record and every set-up failure.
#include "driver/filasn.h"
#include "support/test_util.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quarlo;
using quarlo::test::cols;
using quarlo::test::line132;
using quarlo::test::read_file;
using quarlo::test::read_lines;
using quarlo::test::run_program;
using quarlo::test::TempDir;
using quarlo::test::TestRun;
using quarlo::test::write_file;

namespace {

const std::string kInput = "92 CHECK RUN\n01\n99\n";

// The closing lines of a run of kInput (a stage-1 run without stations).
std::string summary(const std::string& input, const std::string& report) {
    return " " + input + ": 0 stations (0 fixed), no observations; input checked (stage 1)\n Written: " + report + "\n";
}

using Files = std::vector<std::string>;

// The zone line of the options listing: the first report line holding it.
std::string report_line_with(const std::string& path, const std::string& text) {
    for (const auto& l : read_lines(path))
        if (l.find(text) != std::string::npos) return l;
    return {};
}

} // namespace

TEST(CommandLine, SingleArgumentWritesTheReportBesideTheInputName) {
    TempDir dir;
    write_file("input.dat", kInput);
    auto res = run_program({"input.dat"});
    EXPECT_EQ(res.status, 0);
    EXPECT_EQ(res.console, " Output file name: input.prt\n" + summary("input.dat", "input.prt"));
    EXPECT_EQ(dir.files(), (Files{"input.dat", "input.prt"}));
}

TEST(CommandLine, QuietOptionOverwritesWithoutAskingOrEchoing) {
    TempDir dir;
    write_file("input.dat", kInput);
    write_file("out.prt", "old report\n");
    auto res = run_program({"-o", "input.dat", "out.prt"});
    EXPECT_EQ(res.status, 0);
    EXPECT_EQ(res.console, summary("input.dat", "out.prt"));
    EXPECT_NE(read_file("out.prt"), "old report\n");
    EXPECT_EQ(dir.files(), (Files{"input.dat", "out.prt"}));

    auto m = run_program({"-m", "input.dat"});
    EXPECT_EQ(m.status, 0);
    EXPECT_EQ(m.console, summary("input.dat", "input.prt"));
}

TEST(CommandLine, OtherOptionLettersHaveNoEffect) {
    TempDir dir;
    write_file("input.dat", kInput);
    auto res = run_program({"-x", "input.dat"});
    EXPECT_EQ(res.status, 0);
    EXPECT_EQ(res.console, " Output file name: input.prt\n" + summary("input.dat", "input.prt"));
}

TEST(CommandLine, TwoAndThreeNames) {
    TempDir dir;
    write_file("input.dat", kInput);
    auto two = run_program({"input.dat", "report.out"});
    EXPECT_EQ(two.console, " Output file name: report.out\n" + summary("input.dat", "report.out"));
    auto three = run_program({"input.dat", "other.out", "ignored.out"});
    EXPECT_EQ(three.console, " Output file name: other.out\n" + summary("input.dat", "other.out"));
    EXPECT_EQ(dir.files(), (Files{"input.dat", "other.out", "report.out"}));
}

// The report name is the stem of the input file's own name, after its
// folder ("/" or "\"), up to its first "." or blank; the other outputs are
// named after the report, up to the first "." of its own name.
TEST(CommandLine, NamesComeFromTheFilesOwnNames) {
    struct Row {
        const char* input;
        const char* report; // derived from the input
        const char* named;  // a report named on the command line
        const char* job;    // the stem of the other outputs of that report
    };
    const Row rows[] = {
        {"net.dat", "net.prt", "net.prt", "net"},
        {"job.v2/net.dat", "net.prt", "job.v2/net.prt", "job.v2/net"},
        {"../net/six.dat", "six.prt", "../out/six.prt", "../out/six"},
        {"C:\\jobs\\net1.dat", "net1.prt", "C:\\jobs\\net1.out", "C:\\jobs\\net1"},
        {"a.b\\c.d/e.f.g", "e.prt", "a.b\\c.d/e.f.g", "a.b\\c.d/e"},
        {"/srv/jobs/noext", "noext.prt", "/srv/jobs/noext", "/srv/jobs/noext"},
        {"my dir/net one.dat", "net.prt", "my dir/report", "my dir/report"},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.input);
        EXPECT_EQ(report_name_for(r.input), r.report);
        EXPECT_EQ(job_name_for(r.named), r.job);
    }

    // Whole runs: the report in the working directory, the height file
    // beside a report named on the command line.
    TempDir dir;
    std::filesystem::create_directories("job.v2");
    std::filesystem::create_directories("out.d");
    write_file("job.v2/net.dat", kInput);
    auto res = run_program({"job.v2/net.dat"});
    EXPECT_EQ(res.status, 0);
    EXPECT_EQ(res.console, " Output file name: net.prt\n" + summary("job.v2/net.dat", "net.prt"));
    write_file("job.v2/four.dat", "01" + std::string(51, ' ') + "4\n99\n");
    EXPECT_EQ(run_program({"-o", "job.v2/four.dat", "out.d/run.prt"}).status, 0);
    EXPECT_EQ(dir.files(), (Files{"job.v2", "net.prt", "out.d"}));
    EXPECT_TRUE(std::filesystem::exists("out.d/run.hgt"));
}

TEST(ConsolePrompts, NoArgumentsAskForTheInputFile) {
    TempDir dir;
    write_file("net.dat", kInput);
    auto res = run_program({}, "net.dat\n");
    EXPECT_EQ(res.status, 0);
    EXPECT_EQ(res.console,
              "\n QUARLO Version 2.6  24-04-2014\n\n Trigonometrical Levelling Network Adjustment\n\n"
              "  Input file name:  Output file name: net.prt\n" + summary("net.dat", "net.prt"));
}

TEST(ConsolePrompts, EmptyOrBlankReplyAbandonsTheRun) {
    for (const std::string reply : {"\n", " net.dat\n", ""}) {
        TempDir dir;
        write_file("net.dat", kInput);
        auto res = run_program({}, reply);
        EXPECT_EQ(res.status, 2);
        EXPECT_NE(res.console.find(" No input file name given"), std::string::npos);
        EXPECT_EQ(dir.files(), (Files{"net.dat"}));
    }
}

TEST(ConsolePrompts, RefusedOverwriteLeavesTheOldReportAlone) {
    TempDir dir;
    write_file("net.dat", kInput);
    write_file("net.prt", "precious\n");
    auto res = run_program({"net.dat"}, "n\n");
    EXPECT_EQ(res.status, 2);
    EXPECT_EQ(res.console, " Output file name: net.prt\n Existing output file found. Overwrite ? (y/n): ");
    EXPECT_EQ(read_file("net.prt"), "precious\n");
    EXPECT_EQ(dir.files(), (Files{"net.dat", "net.prt"}));

    auto none = run_program({"net.dat"}, "");
    EXPECT_EQ(none.status, 2);
    EXPECT_EQ(read_file("net.prt"), "precious\n");

    auto yes = run_program({"net.dat"}, "\n");
    EXPECT_EQ(yes.status, 0);
    EXPECT_NE(read_file("net.prt"), "precious\n");
}

TEST(SetupFailures, MissingInputFileReportsTheSystemStatus) {
    TempDir dir;
    auto res = run_program({"absent.dat"});
    EXPECT_EQ(res.status, 2);
    EXPECT_EQ(res.console, " Unable to open input file.  Status=     2\n");
    EXPECT_EQ(res.errors, "cannot open input file absent.dat: No such file or directory\n");
    EXPECT_TRUE(dir.files().empty());
}

TEST(SetupFailures, UnwritableReportReportsTheSystemStatus) {
    TempDir dir;
    write_file("net.dat", kInput);
    std::filesystem::create_directory("net.prt");
    auto res = run_program({"-o", "net.dat"});
    EXPECT_EQ(res.status, 2);
    EXPECT_EQ(res.console, " Unable to open output file. Status=    21\n");
    EXPECT_EQ(dir.files(), (Files{"net.dat", "net.prt"}));
}

TEST(SetupFailures, MissingControlRecord) {
    TempDir dir;
    write_file("net.dat", "92 TITLE ONLY\n10   1\n99\n");
    auto res = run_program({"net.dat"});
    EXPECT_EQ(res.status, 2);
    auto rep = read_lines("net.prt");
    ASSERT_EQ(rep.size(), 8u);
    EXPECT_EQ(rep[0], "\f");
    EXPECT_EQ(rep[4], line132({{62, "TITLE ONLY"}}));
    EXPECT_EQ(rep[7], line132({{55, "*** 01 RECORD MISSING ***"}}));
    EXPECT_EQ(dir.files(), (Files{"net.dat", "net.prt"}));
}

TEST(SetupFailures, EndOfInputAmongTheTitlesIsAMissingControlRecord) {
    TempDir dir;
    write_file("net.dat", "92 ONE\n94 IGNORED\n92 TWO");
    auto res = run_program({"net.dat"});
    EXPECT_EQ(res.status, 2);
    auto rep = read_lines("net.prt");
    ASSERT_EQ(rep.size(), 8u);
    EXPECT_EQ(rep[7], line132({{55, "*** 01 RECORD MISSING ***"}}));
}

TEST(SetupFailures, HeightFileThatCannotBeOpened) {
    TempDir dir;
    write_file("net.dat", "01" + std::string(51, ' ') + "4\n99\n");
    std::filesystem::create_directory("net.hgt");
    auto res = run_program({"net.dat"});
    EXPECT_EQ(res.status, 2);
    auto rep = read_lines("net.prt");
    ASSERT_EQ(rep.size(), 10u);
    EXPECT_EQ(rep[7], line132({{48, "*** UNABLE TO OPEN HEIGHT FILE ***"}}));
    EXPECT_EQ(rep[8], std::string(132, ' '));
    EXPECT_EQ(rep[9], "\f");
    EXPECT_EQ(dir.files(), (Files{"net.dat", "net.hgt", "net.prt"}));
}

TEST(HeightFile, OpenedWhenTheStageIsFour) {
    TempDir dir;
    write_file("net.dat", "01" + std::string(51, ' ') + "4\n99\n");
    auto res = run_program({"net.dat"});
    EXPECT_EQ(res.status, 0);
    EXPECT_TRUE(std::filesystem::exists("net.hgt"));
}

TEST(TitleRecords, ThreeTitlesKeepTheLastTwo) {
    TestRun r;
    auto title = [&](const std::string& text) {
        r.c().ioarea.card.set("92" + text);
        set92(r.c());
    };
    title(" FIRST TITLE OF THE JOB");
    EXPECT_TRUE(r.c().ioarea.jobtxt[0].is_blank());
    // 23 characters from column 3: centred from character (68 - 23) / 2 + 1 = 23.
    EXPECT_EQ(r.c().ioarea.jobtxt[1].str(), std::string(22, ' ') + " FIRST TITLE OF THE JOB" + std::string(23, ' '));
    title(" AB");
    title("                                                                    "); // blank: ignored
    title(" SECOND");
    // The second title moved over the start of line 1, which keeps the rest of the first.
    std::string first = std::string(22, ' ') + " FIRST TITLE OF THE JOB" + std::string(23, ' ');
    std::string ab = std::string(32, ' ') + " AB" + std::string(33, ' ');
    std::string expected1 = first;
    std::string ab_trimmed = ab.substr(0, ab.find_last_not_of(' ') + 1);
    expected1.replace(0, ab_trimmed.size(), ab_trimmed);
    EXPECT_EQ(r.c().ioarea.jobtxt[0].str(), expected1);
    EXPECT_EQ(r.c().ioarea.jobtxt[1].str(), std::string(30, ' ') + " SECOND" + std::string(31, ' '));
}

TEST(TitleRecords, TitleCountAndPageHeading) {
    TempDir dir;
    write_file("net.dat", "92 ALPHA\n95 SKIPPED\n92 BETA\n01\n99\n");
    ASSERT_EQ(run_program({"net.dat"}).status, 0);
    auto rep = read_lines("net.prt");
    ASSERT_GT(rep.size(), 5u);
    EXPECT_EQ(rep[3], line132({{65, "ALPHA"}}));
    EXPECT_EQ(rep[4], line132({{65, "BETA"}}));
}

TEST(OptionsFile, PathKeywordsAndWorkPath) {
    TempDir dir;
    write_file("quarlo.opt",
               "! comment line without keyword value\nWORK=D\nINPUT=x not set\nOUTPUT=/out/dir\n"
               "inpu=in/\nWork=ignored/\n");
    TestRun r;
    for (auto& n : r.c().files.work_names) n = "quarlo01.wrk";
    r.c().files.work_names[1] = "quarlo02.wrk";
    std::string in = "net.dat", out = "C:net.prt";
    tpathset(r.c(), in, out, 1);
    EXPECT_TRUE(r.c().paths.options_found);
    EXPECT_EQ(r.c().paths.work_path, "D:/");
    EXPECT_EQ(r.c().paths.input_path, "in/");
    EXPECT_EQ(r.c().paths.output_path, "/out/dir/");
    EXPECT_EQ(r.c().files.work_names[0], "D:/quarlo01.wrk");
    EXPECT_EQ(r.c().files.work_names[1], "D:/quarlo02.wrk");
    tpathset(r.c(), in, out, 2);
    EXPECT_EQ(cols(in, 1, 20), cols("in/net.dat", 1, 20));
    tpathset(r.c(), in, out, 3);
    EXPECT_EQ(out, "C:net.prt"); // a drive-qualified report name is left alone
    std::string plain = "net.prt";
    tpathset(r.c(), in, plain, 3);
    EXPECT_EQ(cols(plain, 1, 20), cols("/out/dir/net.prt", 1, 20));
}

TEST(OptionsFile, LongPathValuesAreCutToFortyCharacters) {
    TempDir dir;
    std::string longpath(60, 'p');
    write_file("quarlo.opt", "WORK=" + longpath + "\n");
    TestRun r;
    for (auto& n : r.c().files.work_names) n = "quarlo01.wrk";
    std::string in, out;
    tpathset(r.c(), in, out, 1);
    EXPECT_EQ(r.c().paths.work_path, std::string(40, 'p'));
    EXPECT_EQ(r.c().files.work_names[0], std::string(40, 'p') + "quarlo01.wrk");
}

TEST(OptionsFile, RunWithInputOutputAndWorkDirectories) {
    TempDir dir;
    std::filesystem::create_directories("inputs");
    std::filesystem::create_directories("scratch");
    // The report takes the input file's own name, without the input path,
    // and goes to the output path.
    std::filesystem::create_directories("reports");
    write_file("inputs/net.dat", kInput);
    write_file("quarlo.opt", "INPUT=inputs/\nOUTPUT=reports/\nWORK=scratch/\n");
    auto res = run_program({"net.dat"});
    EXPECT_EQ(res.status, 0);
    EXPECT_EQ(res.console, " Output file name: reports/net.prt\n" + summary("inputs/net.dat", "reports/net.prt"));
    EXPECT_TRUE(std::filesystem::exists("reports/net.prt"));
    EXPECT_TRUE(std::filesystem::is_empty("scratch"));
    EXPECT_EQ(dir.files(), (Files{"inputs", "quarlo.opt", "reports", "scratch"}));
}

TEST(OptionsFile, DefaultControlRecordFillsBlankColumns) {
    TempDir dir;
    write_file("quarlo.opt", line132({{1, "01 856 2"}, {54, "3"}, {58, "2"}}).substr(0, 80) + "\n");
    write_file("net.dat", "01" + std::string(51, ' ') + "1\n99\n");
    ASSERT_EQ(run_program({"net.dat"}).status, 0);
    EXPECT_EQ(report_line_with("net.prt", "Zone number is"), line132({{54, "Zone number is"}, {70, "56"}}));
    EXPECT_EQ(report_line_with("net.prt", "Refraction option is"),
              line132({{48, "Refraction option is"}, {70, "2"}}));
    EXPECT_EQ(report_line_with("net.prt", "Required stage"),
              line132({{37, "Required stage of processing is"}, {70, "1"}}));
    EXPECT_EQ(report_line_with("net.prt", "Number of iterations"),
              line132({{45, "Number of iterations is"}, {70, "2"}}));
}

TEST(OptionsFile, XInColumnThreeSwitchesTheFillingOff) {
    TempDir dir;
    write_file("quarlo.opt", "01 856 2\n");
    write_file("net.dat", "01X\n99\n");
    ASSERT_EQ(run_program({"net.dat"}).status, 0);
    EXPECT_EQ(report_line_with("net.prt", "Zone number is"),
              line132({{54, "Zone number is"}, {74, "Local system"}}));
}

TEST(OptionsFile, DefaultControlRecordStandsInForAMissingOne) {
    TempDir dir;
    write_file("quarlo.opt", "DATA=/nowhere\n01     3\n");
    write_file("net.dat", "92 T\n10   1\n99\n");
    auto res = run_program({"net.dat"});
    // Its one station is named by no observation: left out.
    EXPECT_EQ(res.status, kExitInputDropped);
    EXPECT_EQ(report_line_with("net.prt", "Refraction option is"),
              line132({{48, "Refraction option is"}, {70, "3"}}));
    EXPECT_EQ(report_line_with("net.prt", "01 RECORD MISSING"), "");
}

TEST(OptionsFile, DataDirectory) {
    TempDir dir;
    std::string path;
    int len = 0, found = 0;
    datpath(path, len, found);
    EXPECT_EQ(found, 0);
    write_file("quarlo.opt", "WORK=w\nDATA=/srv/geo\n");
    datpath(path, len, found);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(path, "/srv/geo/");
    EXPECT_EQ(len, 9);
    write_file("quarlo.opt", "data=xnone\n");
    datpath(path, len, found);
    EXPECT_EQ(found, 0);
}

TEST(OptionsFile, DefaultControlRecordLookup) {
    TempDir dir;
    FixedText<80> rec;
    int found = 1;
    toptset(rec, found);
    EXPECT_EQ(found, 0);
    write_file("quarlo.opt", "WORK=w\n02 not this\n01 856\n01 second\n");
    toptset(rec, found);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(rec.str(), cols("01 856", 1, 80));
}
