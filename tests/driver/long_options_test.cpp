// The installed program's own command line: --help, --version and unknown
// long options are answered before any run starts; the old forms still run.
#include "support/test_util.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sys/wait.h>

namespace fs = std::filesystem;
using quarlo::test::read_file;
using quarlo::test::TempDir;
using quarlo::test::write_file;

namespace {

using Files = std::vector<std::string>;

struct Outcome {
    int status = -1;
    std::string out, err;
    Files left; // files in the run directory afterwards
};

// Runs the program in the sub-directory "run" of the current directory, with
// no console input; standard output and error are kept apart.
Outcome run_exe(const std::string& args) {
    fs::create_directory("run");
    std::string command = "cd run && '" QUARLO_EXE "' " + args + " <" "/dev/null >../out 2>../err";
    int raw = std::system(command.c_str());
    Outcome o;
    o.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
    o.out = read_file("out");
    o.err = read_file("err");
    for (const auto& e : fs::directory_iterator("run")) o.left.push_back(e.path().filename().string());
    std::sort(o.left.begin(), o.left.end());
    return o;
}

bool starts_with(const std::string& s, const std::string& head) { return s.rfind(head, 0) == 0; }

} // namespace

TEST(LongOptions, HelpGoesToStandardOutputAndNothingRuns) {
    TempDir dir;
    auto o = run_exe("--help");
    EXPECT_EQ(o.status, 0);
    EXPECT_TRUE(starts_with(o.out, "Usage: quarlo ")) << o.out;
    EXPECT_NE(o.out.find("--version"), std::string::npos);
    EXPECT_EQ(o.err, "");
    EXPECT_EQ(o.left, Files{}); // no work files, no report
}

TEST(LongOptions, VersionIsTheProjectVersion) {
    TempDir dir;
    auto o = run_exe("--version");
    EXPECT_EQ(o.status, 0);
    EXPECT_EQ(o.out, "quarlo " QUARLO_VERSION "\n");
    EXPECT_EQ(o.err, "");
}

TEST(LongOptions, UnknownLongOptionIsAUsageError) {
    TempDir dir;
    fs::create_directory("run");
    write_file("run/net.dat", "01\n99\n");
    auto o = run_exe("--quiet net.dat");
    EXPECT_EQ(o.status, 2);
    EXPECT_EQ(o.out, "");
    EXPECT_TRUE(starts_with(o.err, "Usage: quarlo ")) << o.err;
    EXPECT_NE(o.err.find("'--quiet'"), std::string::npos) << o.err;
    EXPECT_EQ(o.left, Files{"net.dat"}); // the input was not run
}

TEST(LongOptions, OneLetterAndBareDashFormsKeepTheirMeaning) {
    TempDir dir;
    fs::create_directory("run");
    write_file("run/net.dat", "01\n99\n");
    // "--" is an option letter without effect, as "-x" is.
    for (const char* option : {"--", "-x"}) {
        auto o = run_exe(std::string(option) + " net.dat");
        EXPECT_EQ(o.status, 0) << option;
        EXPECT_EQ(o.out, " Output file name: net.prt\n") << option;
        EXPECT_EQ(o.left, (Files{"net.dat", "net.prt"})) << option;
        fs::remove("run/net.prt");
    }
    // "-o" is quiet; alone it is the name of an input file that is not there.
    auto quiet = run_exe("-o net.dat");
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out, "");
    fs::remove("run/net.prt");
    auto lone = run_exe("-o");
    EXPECT_EQ(lone.status, 2);
    EXPECT_EQ(lone.err, "");
    EXPECT_EQ(lone.left, Files{"net.dat"});
    // A long option after the first argument is a file name as before.
    auto later = run_exe("net.dat --help");
    EXPECT_EQ(later.status, 0);
    EXPECT_EQ(later.out, " Output file name: --help\n");
}

TEST(OutputOptions, LeadInAnyOrderAndLeaveTheRestOfTheCommandLineAsItWas) {
    TempDir dir;
    fs::create_directory("run");
    write_file("run/net.dat", "01\n99\n"); // stage 1: no results stage
    auto quiet = run_exe("--html --json -o net.dat");
    EXPECT_EQ(quiet.status, 0);
    EXPECT_EQ(quiet.out, " net.json not written: the run did not reach the results stage\n"
                         " net.html not written: the run did not reach the results stage\n");
    EXPECT_EQ(quiet.left, (Files{"net.dat", "net.prt"}));
    const std::string report = read_file("run/net.prt");
    fs::remove("run/net.prt");

    auto all = run_exe("--geojson --json --html --json net.dat");
    EXPECT_EQ(all.status, 0);
    EXPECT_EQ(all.out, " Output file name: net.prt\n"
                       " net.json not written: the run did not reach the results stage\n"
                       " net.geojson not written: the run did not reach the results stage\n"
                       " net.html not written: the run did not reach the results stage\n");
    fs::remove("run/net.prt");

    // The report does not change by a byte.
    auto plain = run_exe("-o net.dat");
    EXPECT_EQ(plain.status, 0);
    EXPECT_EQ(read_file("run/net.prt"), report);
}

TEST(OutputOptions, OtherLongOptionsAfterThemAreAnsweredAsBefore) {
    TempDir dir;
    fs::create_directory("run");
    write_file("run/net.dat", "01\n99\n");
    auto bogus = run_exe("--json --bogus net.dat");
    EXPECT_EQ(bogus.status, 2);
    EXPECT_TRUE(starts_with(bogus.err, "Usage: quarlo [--json] [--geojson] [--html] ")) << bogus.err;
    EXPECT_NE(bogus.err.find("'--bogus'"), std::string::npos);
    EXPECT_EQ(bogus.left, Files{"net.dat"});

    auto help = run_exe("--html --help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("--geojson"), std::string::npos);
    EXPECT_EQ(help.left, Files{"net.dat"});

    // Only leading options count: later, --json is the report's name.
    auto later = run_exe("net.dat --json");
    EXPECT_EQ(later.status, 0);
    EXPECT_EQ(later.out, " Output file name: --json\n");
    EXPECT_EQ(later.left, (Files{"--json", "net.dat"}));
}
