// No run ends in success with a lost or truncated file: writes that fail at
// the close, runs side by side in one folder, outputs that would overwrite
// the input, interrupted runs, and a station file that is a folder.
#include "network.h"
#include "support/test_util.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fcntl.h>
#include <filesystem>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace fs = std::filesystem;
using namespace quarlo::test;

namespace {

using Files = std::vector<std::string>;

std::string station(const std::string& number, const std::string& easting, const std::string& name,
                    const std::string& fixed_height = "") {
    std::string line = card({{1, "10"}, {4, number}, {8, easting}, {19, "   2000.000"}, {31, name}});
    if (!fixed_height.empty()) line = card({{1, line.substr(0, line.size() - 1)}, {59, fixed_height}, {67, "*"}});
    return line;
}

std::string levelled(const std::string& from, const std::string& to, const std::string& dh) {
    return card({{1, "24"}, {4, from}, {9, to}, {13, dh}, {23, " 0.002"}});
}

// A line of two benchmarks and three stations levelled between them (they
// agree: 1.010 + 1.000 + 0.990 + 1.000 = 104 - 100), record-code form,
// stage 4 unless said otherwise (column 54), with the control record's
// other columns given.
std::string network(const std::string& stage = "4", const std::string& more = "") {
    return "92 FILE SAFETY\n" + card({{1, "01"}, {54, stage + more}}) +
           station("  1", "   1000.000", "BM ONE", " 100.000") + station("  2", "   1400.000", "BM TWO", " 104.000") +
           station("  3", "   1100.000", "A") + station("  4", "   1200.000", "B") + station("  5", "   1300.000", "C") +
           levelled("   1", "  3", "    1.010") + levelled("   3", "  4", "    1.000") +
           levelled("   4", "  5", "    0.990") + levelled("   5", "  2", "    1.000") + "99\n";
}

const std::string kNetwork = network();

bool has_line(const std::vector<std::string>& lines, const std::string& line) {
    return std::find(lines.begin(), lines.end(), line) != lines.end();
}

// The program run as a child process in `dir`, its console in dir/out and
// dir/err; `args` follow the program's name.
struct Child {
    std::vector<std::string> args;
    std::string dir = ".";
    rlim_t file_size_limit = RLIM_INFINITY; // bytes
    bool ignore_hangup = false;             // as nohup starts it

    pid_t start() const {
        std::vector<std::string> all{QUARLO_EXE};
        all.insert(all.end(), args.begin(), args.end());
        std::vector<char*> argv;
        for (auto& a : all) argv.push_back(a.data());
        argv.push_back(nullptr);
        const pid_t pid = ::fork();
        if (pid != 0) return pid;
        // Only what is safe between fork and exec.
        if (::chdir(dir.c_str()) != 0) ::_exit(126);
        int null = ::open("/dev/null", O_RDONLY);
        int o = ::open("out", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        int e = ::open("err", O_WRONLY | O_CREAT | O_TRUNC, 0644);
        ::dup2(null, 0);
        ::dup2(o, 1);
        ::dup2(e, 2);
        if (file_size_limit != RLIM_INFINITY) {
            struct rlimit limit {file_size_limit, file_size_limit};
            ::setrlimit(RLIMIT_FSIZE, &limit);
        }
        if (ignore_hangup) ::signal(SIGHUP, SIG_IGN);
        ::execv(argv[0], argv.data());
        ::_exit(127);
    }
};

// The exit status of a child, or minus the signal that ended it.
int wait_for(pid_t pid) {
    int raw = 0;
    if (::waitpid(pid, &raw, 0) != pid) return -1000;
    return WIFEXITED(raw) ? WEXITSTATUS(raw) : -WTERMSIG(raw);
}

// The names in a folder, sorted, but the console files of the child.
Files left_in(const std::string& dir) {
    Files names;
    for (const auto& e : fs::directory_iterator(dir)) {
        std::string name = e.path().filename().string();
        if (name != "out" && name != "err") names.push_back(name);
    }
    std::sort(names.begin(), names.end());
    return names;
}

} // namespace

// A report that cannot be closed (every write to /dev/full fails with "No
// space left on device", and a report of a few pages reaches it only at the
// close) stops the run with status 3, not 4 although the JSON output could
// be written: the report is not complete. The height and station files and
// the JSON file keep their old contents.
TEST(CheckedWrites, AReportThatCannotBeClosedFailsTheRun) {
    TempDir dir;
    write_file("net.dat", kNetwork);
    fs::create_symlink("/dev/full", "net.prt");
    write_file("net.hgt", "OLD HEIGHTS\n");
    write_file("net.json", "OLD JSON\n");
    auto res = run_program({"-o", "net.dat"}, "", {.json = true});
    EXPECT_EQ(res.status, 3);
    EXPECT_EQ(res.console, "\n Unable to write net.prt: No space left on device\n\n"
                           " net.json not written: the run failed\n");
    EXPECT_EQ(read_file("net.hgt"), "OLD HEIGHTS\n");
    EXPECT_EQ(read_file("net.json"), "OLD JSON\n");
    EXPECT_EQ(dir.files(), (Files{"net.dat", "net.hgt", "net.json", "net.prt"}));
}

// A height file that outgrows the file size limit fails at its close (the
// program ignores SIGXFSZ, so the write fails with "File too large"): the
// run stops with status 3 and the old height file stays. The report, which
// the limit cuts too, says so after it.
TEST(CheckedWrites, AHeightFileThatCannotBeWrittenLeavesTheOldOne) {
    TempDir dir;
    write_file("net.dat", kNetwork);
    write_file("net.hgt", "OLD HEIGHTS\n");
    // Five records of 80 characters and two "99" records: 411 bytes.
    Child child{{"-o", "net.dat"}};
    child.file_size_limit = 300;
    EXPECT_EQ(wait_for(child.start()), 3);
    EXPECT_EQ(read_file("out"), "\n Unable to write net.hgt: File too large\n"
                                " Unable to write net.prt: File too large\n\n");
    EXPECT_EQ(read_file("net.hgt"), "OLD HEIGHTS\n");
    EXPECT_EQ(left_in("."), (Files{"net.dat", "net.hgt", "net.prt"}));
}

// Two keyword-form runs of 900 stations started side by side in one folder
// each keep their work files to themselves: both succeed, each with the
// heights its network gives when it runs alone, and nothing is left behind.
TEST(PrivateWorkFiles, TwoRunsInOneFolderAtOnce) {
    TempDir dir;
    const std::string nets[2] = {quarlo::bench::keyword_levelling_network(900, 1),
                                 quarlo::bench::keyword_levelling_network(900, 2)};
    fs::create_directories("alone");
    fs::create_directories("together");
    for (int i = 0; i < 2; ++i) {
        const std::string name = std::string(1, static_cast<char>('a' + i)) + ".dat";
        write_file("alone/" + name, nets[i]);
        write_file("together/" + name, nets[i]);
        EXPECT_EQ(wait_for(Child{{"-o", name}, "alone"}.start()), 0);
    }
    const pid_t a = Child{{"-o", "a.dat"}, "together"}.start();
    const pid_t b = Child{{"-o", "b.dat", "b.prt"}, "together"}.start();
    EXPECT_EQ(wait_for(a), 0);
    EXPECT_EQ(wait_for(b), 0);
    for (const char* hgt : {"a.hgt", "b.hgt"}) {
        EXPECT_EQ(read_file(std::string("together/") + hgt), read_file(std::string("alone/") + hgt)) << hgt;
        EXPECT_EQ(read_lines(std::string("together/") + hgt).size(), 902u) << hgt;
    }
    EXPECT_NE(read_file("alone/a.hgt"), read_file("alone/b.hgt"));
    EXPECT_EQ(left_in("together"), (Files{"a.dat", "a.hgt", "a.prt", "b.dat", "b.hgt", "b.prt"}));
}

// An output that would be a file the run reads, however named, is refused
// before anything is written; an output not asked for may bear the input's
// name.
TEST(InputNeverAnOutput, RefusedBeforeAnythingIsWritten) {
    struct Case {
        const char* input;
        std::vector<std::string> args;
        std::string console; // empty: the run goes ahead
    };
    const Case cases[] = {
        {"net.dat", {"-o", "net.dat", "net.dat"},
         " The report net.dat would overwrite the input file net.dat; run abandoned\n"},
        {"net.dat", {"net.dat", "./net.dat"},
         " Output file name: ./net.dat\n The report ./net.dat would overwrite the input file net.dat; run abandoned\n"},
        {"net.dat", {"-o", "net.dat", "link.dat"},
         " The report link.dat would overwrite the input file net.dat; run abandoned\n"},
        {"net.hgt", {"-o", "net.hgt"}, " The height file net.hgt would overwrite the input file net.hgt; run abandoned\n"},
        {"net.dat", {"-o", "net.dat", "old.stn"},
         " The report old.stn would overwrite the station file old.stn that the run reads; run abandoned\n"},
        {"net.dat", {"-o", "net.dat", "run.hgt"},
         " The height file run.hgt would overwrite the report run.hgt; run abandoned\n"},
        {"net.zen", {"-o", "net.zen"}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        TempDir dir;
        write_file(c.input, kNetwork);
        fs::create_symlink(c.input, "link.dat");
        write_file("old.stn", "10   3\n");
        auto res = run_program(c.args);
        if (c.console.empty()) {
            EXPECT_EQ(res.status, 0) << res.console;
            continue;
        }
        EXPECT_EQ(res.status, 2);
        EXPECT_EQ(res.console, c.console);
        EXPECT_EQ(read_file(c.input), kNetwork);
        EXPECT_EQ(read_file("old.stn"), "10   3\n");
        Files left{c.input, "link.dat", "old.stn"};
        std::sort(left.begin(), left.end());
        EXPECT_EQ(dir.files(), left);
    }
}

// SIGINT, SIGTERM and SIGHUP end a run with status 128 + the signal's
// number once its work folder and the temporary of its height file are
// removed; the old height file stays. The run is held reading its input
// from a pipe, after the set-up has created both; a signal ignored when
// the program starts stays ignored.
TEST(Interruption, SignalsRemoveTheWorkFilesAndTemporaries) {
    struct Case {
        int signal;
        bool ignore_hangup;
        int status;
    };
    for (const Case c : {Case{SIGINT, false, 130}, Case{SIGTERM, false, 143}, Case{SIGHUP, false, 129},
                         Case{SIGHUP, true, 143}}) {
        SCOPED_TRACE(c.signal);
        TempDir dir;
        ASSERT_EQ(::mkfifo("net.dat", 0600), 0);
        write_file("net.hgt", "OLD HEIGHTS\n");
        Child child{{"-o", "net.dat"}};
        child.ignore_hangup = c.ignore_hangup;
        const pid_t pid = child.start();
        const int input = ::open("net.dat", O_WRONLY);
        ASSERT_GE(input, 0);
        const std::string head = kNetwork.substr(0, kNetwork.find("10   1"));
        ASSERT_EQ(::write(input, head.data(), head.size()), static_cast<ssize_t>(head.size()));

        bool work_folder = false;
        for (int i = 0; i < 5000 && !(work_folder && fs::exists("net.hgt.tmp")); ++i) {
            for (const auto& name : left_in("."))
                if (name.rfind("quarlo-work.", 0) == 0) work_folder = true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        EXPECT_TRUE(work_folder);
        EXPECT_TRUE(fs::exists("net.hgt.tmp"));
        ::kill(pid, c.signal);
        if (c.ignore_hangup) ::kill(pid, SIGTERM);
        EXPECT_EQ(wait_for(pid), c.status);
        ::close(input);
        EXPECT_EQ(read_file("net.hgt"), "OLD HEIGHTS\n");
        EXPECT_EQ(left_in("."), (Files{"net.dat", "net.hgt", "net.prt"}));
    }
}

// A station file that is a folder: passed over when stations are looked up
// in it, not opened when it is to be written. The report says the latter;
// standard error says both, and the run, complete but for the station
// file, ends with status 4.
TEST(StationFile, AFolderIsSaidOnStandardError) {
    TempDir dir;
    // Stage 1 with the station file (column 56); station 5 is named only by
    // the observations on lines 9 and 10.
    std::string net = network("1", " 1");
    net.erase(net.find("10   5"), net.find("24    1") - net.find("10   5"));
    write_file("net.dat", net);
    fs::create_directory("net.stn");
    auto res = run_program({"-o", "net.dat"});
    EXPECT_EQ(res.status, 4);
    EXPECT_EQ(res.errors, "net.stn: station file not read: Is a directory\n"
                          "net.dat:9:11: warning: station 5 is used here but defined neither in the input nor in "
                          "the station file\n"
                          "    24    4   5     0.990  0.002\n"
                          "              ^\n"
                          "net.stn: UNABLE TO OPEN STATION FILE: Is a directory\n");
    EXPECT_TRUE(has_line(read_lines("net.prt"), line132({{40, "*** UNABLE TO OPEN STATION FILE ***"}})));
    EXPECT_EQ(dir.files(), (Files{"net.dat", "net.prt", "net.stn"}));
}
