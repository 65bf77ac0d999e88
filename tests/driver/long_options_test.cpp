// The installed program's own command line: --help, --version and unknown
// long options are answered before any run starts; the old forms still run,
// and the output options lead without changing what follows them.
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

// An expected text: exact, or its beginning when it ends in "...".
bool agrees(const std::string& expected, const std::string& actual) {
    const std::string dots = "...";
    if (expected.size() >= 3 && expected.compare(expected.size() - 3, 3, dots) == 0)
        return actual.rfind(expected.substr(0, expected.size() - 3), 0) == 0;
    return actual == expected;
}

const std::string kNotReached = " not written: the run did not reach the results stage\n";

// The closing lines of a stage-1 run of an input without stations.
std::string summary(const std::string& report) {
    return " net.dat: 0 stations (0 fixed), no observations; input checked (stage 1)\n Written: " + report + "\n";
}

struct Case {
    const char* args;
    int status;
    std::string out, err;
    const char* mentions; // somewhere in the output or the error
    Files left;
};

// Each in a folder holding a stage-1 input, net.dat.
const Case kCases[] = {
    {"--help", 0, "Usage: quarlo ...", "", "--version", {"net.dat"}},
    {"-h", 0, "Usage: quarlo ...", "", "Exit status", {"net.dat"}},
    {"-h net.dat", 0, "Usage: quarlo ...", "", "--json", {"net.dat"}},
    {"--version", 0, "quarlo " QUARLO_VERSION "\n", "", "", {"net.dat"}},
    {"--quiet net.dat", 2, "", "Usage: quarlo ...", "'--quiet'", {"net.dat"}},
    // "--" is an option letter without effect, as "-x" is; "-o" is quiet.
    {"-- net.dat", 0, " Output file name: net.prt\n" + summary("net.prt"), "", "", {"net.dat", "net.prt"}},
    {"-x net.dat", 0, " Output file name: net.prt\n" + summary("net.prt"), "", "", {"net.dat", "net.prt"}},
    {"-o net.dat", 0, summary("net.prt"), "", "", {"net.dat", "net.prt"}},
    // Alone, "-o" is the name of an input file that is not there.
    {"-o", 2, " Unable to open input file...", "cannot open input file -o: No such file or directory\n", "",
     {"net.dat"}},
    // A long option after the first argument is a file name, as before.
    {"net.dat --help", 0, " Output file name: --help\n" + summary("--help"), "", "", {"--help", "net.dat"}},
    {"net.dat --json", 0, " Output file name: --json\n" + summary("--json"), "", "", {"--json", "net.dat"}},
    // The output options lead, in any order.
    {"--html --json -o net.dat", 0, " net.json" + kNotReached + " net.html" + kNotReached + summary("net.prt"), "",
     "", {"net.dat", "net.prt"}},
    {"--geojson --json --html --json net.dat", 0,
     " Output file name: net.prt\n net.json" + kNotReached + " net.geojson" + kNotReached + " net.html" + kNotReached +
         summary("net.prt"),
     "", "", {"net.dat", "net.prt"}},
    {"--json --bogus net.dat", 2, "", "Usage: quarlo [--json] [--geojson] [--html] ...", "'--bogus'", {"net.dat"}},
    {"--html --help", 0, "Usage: quarlo ...", "", "--geojson", {"net.dat"}},
};

} // namespace

TEST(CommandLine, EachFormIsAnsweredAsDocumented) {
    for (const Case& c : kCases) {
        SCOPED_TRACE(c.args);
        TempDir dir;
        fs::create_directory("run");
        write_file("run/net.dat", "01\n99\n");
        Outcome o = run_exe(c.args);
        EXPECT_EQ(o.status, c.status);
        EXPECT_TRUE(agrees(c.out, o.out)) << o.out;
        EXPECT_TRUE(agrees(c.err, o.err)) << o.err;
        EXPECT_NE((o.out + o.err).find(c.mentions), std::string::npos);
        EXPECT_EQ(o.left, c.left);
    }
}

TEST(CommandLine, OutputOptionsLeaveTheReportAsItWas) {
    TempDir dir;
    fs::create_directory("run");
    write_file("run/net.dat", "01\n99\n");
    ASSERT_EQ(run_exe("-o net.dat").status, 0);
    const std::string report = read_file("run/net.prt");
    ASSERT_EQ(run_exe("--json --geojson --html -o net.dat").status, 0);
    EXPECT_EQ(read_file("run/net.prt"), report);
}
