// Benchmark of whole runs of the program on generated networks.
//
//   quarlo_bench [--program PATH] [--runs N] [--keep] [--outputs] [a] [b] [c]
//
// For each case the network is written to a scratch directory and the
// program is run there N times (default 5) as from the command line. Each
// run's wall time and peak resident memory are taken from outside the
// process; the per-stage figures come from the stage-times file the program
// appends to when QUARLO_STAGE_TIMES names one. Medians are reported, then
// one summary line per case. With --outputs each run is followed by one that
// also writes the JSON, GeoJSON and HTML outputs, and the summary gives what
// they add to the median (bar: under 20 %).
#include "network.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#ifndef QUARLO_EXE
#define QUARLO_EXE "quarlo"
#endif

namespace fs = std::filesystem;
using quarlo::bench::NetworkKind;

namespace {

struct Case {
    char id;
    const char* name;
    NetworkKind kind;
    double time_bar;  // seconds
    double memory_bar; // MiB; 0: none
};

const Case kCases[] = {
    {'a', "levelling", NetworkKind::Levelling, 0.038, 64.0},
    {'b', "trigonometric", NetworkKind::Trigonometric, 0.08, 0.0},
    {'c', "dense", NetworkKind::Dense, 1.5, 100.0},
};

const char* const kStageOrder[] = {"files",       "reading",   "ordering", "provisional heights", "equations",
                                   "forming",     "factorising", "inverting", "results", "report"};

struct StageFigures {
    double seconds = 0.0;
    long peak_kib = 0;
};

struct RunFigures {
    double wall = 0.0;
    double cpu = 0.0; // user + system
    long peak_kib = 0;
    int status = -1;
    std::map<std::string, StageFigures> stages;
    std::vector<std::string> order;
};

// Runs the program once in dir; the stage times are appended to stages.txt.
RunFigures run_once(const std::string& program, const fs::path& dir, bool outputs = false) {
    RunFigures r;
    fs::path stages = dir / "stages.txt";
    fs::remove(stages);
    auto start = std::chrono::steady_clock::now();
    pid_t pid = fork();
    if (pid == 0) {
        if (chdir(dir.c_str()) != 0) _exit(127);
        int null_fd = open("/dev/null", O_RDWR);
        if (null_fd >= 0) {
            dup2(null_fd, 0);
            dup2(null_fd, 1);
        }
        setenv("QUARLO_STAGE_TIMES", stages.c_str(), 1);
        setenv("QUARLO_RUN_DATE", " 8-Dec-2026", 1);
        if (outputs)
            execl(program.c_str(), "quarlo", "--json", "--geojson", "--html", "-o", "net.dat", "net.prt",
                  static_cast<char*>(nullptr));
        else
            execl(program.c_str(), "quarlo", "-o", "net.dat", static_cast<char*>(nullptr));
        _exit(127);
    }
    if (pid < 0) return r;
    int status = 0;
    struct rusage usage {};
    wait4(pid, &status, 0, &usage);
    r.wall = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    r.peak_kib = usage.ru_maxrss;
    r.cpu = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
            static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
    r.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);

    std::ifstream in(stages);
    std::string line;
    while (std::getline(in, line)) {
        // "<stage> <seconds> <peak KiB>"; the stage name may hold blanks.
        std::size_t last = line.rfind(' ');
        if (last == std::string::npos) continue;
        std::size_t before = line.rfind(' ', last - 1);
        if (before == std::string::npos) continue;
        std::string name = line.substr(0, before);
        double seconds = std::atof(line.substr(before + 1, last - before - 1).c_str());
        long kib = std::atol(line.substr(last + 1).c_str());
        if (!r.stages.count(name)) r.order.push_back(name);
        auto& s = r.stages[name];
        s.seconds += seconds;
        s.peak_kib = std::max(s.peak_kib, kib);
    }
    return r;
}

template <typename T>
T median(std::vector<T> v) {
    if (v.empty()) return T{};
    std::sort(v.begin(), v.end());
    return v[v.size() / 2];
}

double mib(long kib) { return static_cast<double>(kib) / 1024.0; }

// The count printed after a label of the statistics page, or -1.
long report_count(const fs::path& report, const std::string& label) {
    std::ifstream in(report);
    std::string line;
    while (std::getline(in, line)) {
        std::size_t at = line.find(label);
        if (at != std::string::npos) return std::atol(line.c_str() + at + label.size());
    }
    return -1;
}

constexpr double kOutputsBar = 0.20; // of the plain run's time

std::string run_case(const Case& c, const std::string& program, int runs, bool outputs, const fs::path& root) {
    fs::path dir = root / (std::string("case-") + c.id);
    fs::create_directories(dir);
    {
        std::ofstream net(dir / "net.dat");
        net << quarlo::bench::make_network(c.kind);
    }

    std::vector<RunFigures> all;
    std::vector<double> with_outputs;
    for (int i = 0; i < runs; ++i) {
        // Pairs of runs, in alternating order, so that neither kind always
        // follows the other.
        RunFigures with;
        if (outputs && i % 2 == 1) with = run_once(program, dir, true);
        all.push_back(run_once(program, dir));
        if (outputs && i % 2 == 0) with = run_once(program, dir, true);
        if (outputs) with_outputs.push_back(with.status == 0 ? with.wall : 1e9);
    }

    long unknowns = report_count(dir / "net.prt", "Matrix size :");
    long band = report_count(dir / "net.prt", "Band width :");
    std::printf("\ncase %c  %s: %ld unknowns, band width %ld, %d runs\n", c.id, c.name, unknowns, band, runs);
    std::printf("  %-22s %10s %14s\n", "stage", "seconds", "peak RSS MiB");

    std::vector<std::string> names(std::begin(kStageOrder), std::end(kStageOrder));
    for (const auto& r : all)
        for (const auto& n : r.order)
            if (std::find(names.begin(), names.end(), n) == names.end()) names.push_back(n);
    for (const auto& n : names) {
        std::vector<double> secs;
        std::vector<long> kib;
        for (const auto& r : all) {
            auto it = r.stages.find(n);
            if (it == r.stages.end()) continue;
            secs.push_back(it->second.seconds);
            kib.push_back(it->second.peak_kib);
        }
        if (secs.empty())
            std::printf("  %-22s %10s %14s\n", n.c_str(), "-", "-");
        else
            std::printf("  %-22s %10.4f %14.1f\n", n.c_str(), median(secs), mib(median(kib)));
    }

    std::vector<double> walls, cpus;
    std::vector<long> peaks;
    int worst_status = 0;
    for (const auto& r : all) {
        walls.push_back(r.wall);
        cpus.push_back(r.cpu);
        peaks.push_back(r.peak_kib);
        if (r.status != 0) worst_status = r.status;
    }
    double wall = median(walls);
    double peak = mib(median(peaks));
    std::printf("  %-22s %10.4f %14.1f\n", "whole program", wall, peak);
    std::printf("  %-22s %10.4f\n", "(cpu, user + system)", median(cpus));

    bool met = worst_status == 0 && wall < c.time_bar && (c.memory_bar <= 0.0 || peak < c.memory_bar);
    std::ostringstream summary;
    char buf[256];
    std::snprintf(buf, sizeof buf, "case %c %-13s unknowns %4ld  median %8.4f s (%.4f-%.4f, cpu %.4f s)  peak %6.1f MiB  exit %d",
                  c.id, c.name, unknowns, wall, *std::min_element(walls.begin(), walls.end()),
                  *std::max_element(walls.begin(), walls.end()), median(cpus), peak, worst_status);
    summary << buf << "  bar < " << c.time_bar << " s";
    if (c.memory_bar > 0.0) summary << ", < " << c.memory_bar << " MiB";
    summary << (met ? ": met" : ": NOT MET");
    if (outputs) {
        const double added = median(with_outputs) / wall - 1.0;
        std::snprintf(buf, sizeof buf, "\n       with --json --geojson --html  median %8.4f s  adds %+.1f %%  bar < %.0f %%: %s",
                      median(with_outputs), 100.0 * added, 100.0 * kOutputsBar, added < kOutputsBar ? "met" : "NOT MET");
        summary << buf;
    }
    return summary.str();
}

} // namespace

int main(int argc, char** argv) {
    std::string program = QUARLO_EXE;
    int runs = 5;
    bool keep = false;
    bool outputs = false;
    std::string wanted;
    for (int i = 1; i < argc; ++i) {
        std::string a = argv[i];
        if (a == "--program" && i + 1 < argc) {
            program = argv[++i];
        } else if (a == "--runs" && i + 1 < argc) {
            runs = std::max(1, std::atoi(argv[++i]));
        } else if (a == "--keep") {
            keep = true;
        } else if (a == "--outputs") {
            outputs = true;
        } else if (a.size() == 1 && a[0] >= 'a' && a[0] <= 'c') {
            wanted += a;
        } else {
            std::cerr << "usage: quarlo_bench [--program PATH] [--runs N] [--keep] [--outputs] [a] [b] [c]\n";
            return 2;
        }
    }
    if (wanted.empty()) wanted = "abc";
    program = fs::absolute(program).string();

    std::string pattern = (fs::temp_directory_path() / "quarlo-bench-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) {
        std::perror("quarlo_bench: scratch directory");
        return 1;
    }
    fs::path root(buf.data());
    std::printf("program %s\nscratch %s\n", program.c_str(), root.c_str());

    std::vector<std::string> summaries;
    for (const auto& c : kCases)
        if (wanted.find(c.id) != std::string::npos) summaries.push_back(run_case(c, program, runs, outputs, root));

    std::printf("\n");
    for (const auto& s : summaries) std::printf("%s\n", s.c_str());
    if (!keep) fs::remove_all(root);
    return 0;
}
