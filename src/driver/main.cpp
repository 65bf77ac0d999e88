#include "core/fatal.h"
#include "core/interruption.h"
#include "driver/quarlo.h"

#include <cstdlib>
#include <iostream>
#include <string_view>
#include <unistd.h>

#ifndef QUARLO_VERSION
#define QUARLO_VERSION "unknown"
#endif

namespace {

constexpr char kUsage[] = "Usage: quarlo [--json] [--geojson] [--html] [-option] [input-file [report-file]]\n"
                          "       quarlo -h | --help | --version\n";

constexpr char kHelp[] =
    "\n"
    "Adjusts a trigonometrical levelling network by least squares.\n"
    "\n"
    "  input-file   the network: title, control, station and observation records\n"
    "               in record-code or keyword form; without it the program asks\n"
    "  report-file  the report; by default the input file's own name (after its\n"
    "               folder, up to its first \".\") with .prt, in the working folder\n"
    "  -o, -m       quiet: the report name is not echoed and an existing report is\n"
    "               overwritten without asking; any other letter has no effect.\n"
    "               A one-letter option is read only when a file name follows it\n"
    "  --json       also write <job>.json, the results as data\n"
    "  --geojson    also write <job>.geojson, stations and lines in WGS84 (in a\n"
    "               map zone that has a way to WGS84)\n"
    "  --html       also write <job>.html, a picture of the network and a summary.\n"
    "               These three come first, in any order; <job> is the report\n"
    "               name up to the first \".\" of its own name\n"
    "  -h, --help   show this help and exit\n"
    "  --version    show the version and exit\n"
    "\n"
    "The run options stand on the control record (01) of the input. The file\n"
    "quarlo.opt in the working directory may name directories (INPUT=, OUTPUT=,\n"
    "WORK=, DATA=) and hold a default control record.\n"
    "\n"
    "Messages about the input go to standard error as <file>:<line>: message,\n"
    "warnings as <file>:<line>:<column>: warning: ...; after a run the console\n"
    "sums it up: the network, the adjustment and the files written.\n"
    "\n"
    "Exit status: 0 success, every input record read and used; 1 errors in data;\n"
    "2 set-up failed, an output would overwrite the input, or bad usage; 3 a\n"
    "work file, the report, the station, height or zenith-distance file could\n"
    "not be written; 4 a --json, --geojson or --html file could not be written,\n"
    "or a station or zenith-distance file could not be opened; 5 the run\n"
    "completed, but input records were skipped or left out of the adjustment\n"
    "(the messages say which); 128 + n ended by signal n (SIGINT, SIGTERM,\n"
    "SIGHUP), its work files removed. See quarlo(1).\n";

// "-h", "--help", "--version", "--anything": asked for before a run starts.
// A bare "--", any other one-letter option and every file name keep their
// old meaning.
bool is_answered_option(std::string_view arg) { return (arg.size() > 2 && arg.substr(0, 2) == "--") || arg == "-h"; }

int answer_option(std::string_view arg) {
    if (arg == "--help" || arg == "-h") {
        std::cout << kUsage << kHelp << std::flush;
        return quarlo::kExitOk;
    }
    if (arg == "--version") {
        std::cout << "quarlo " QUARLO_VERSION "\n" << std::flush;
        return quarlo::kExitOk;
    }
    std::cerr << kUsage << "quarlo: unknown option '" << arg << "'\n";
    return quarlo::kExitSetupFailed;
}

// Takes an output option into the request; false for any other argument.
bool take_output_option(std::string_view arg, quarlo::ExportRequest& request) {
    if (arg == "--json") return request.json = true;
    if (arg == "--geojson") return request.geojson = true;
    if (arg == "--html") return request.html = true;
    return false;
}

} // namespace

int main(int argc, char** argv) {
    // Before any thread starts: an interrupted run removes its work files
    // and temporaries.
    quarlo::interruption::install();
    quarlo::RunOptions options;
    // The output options lead; what follows them has its old meaning.
    int first = 1;
    while (first < argc && take_output_option(argv[first], options.exports)) ++first;
    if (first < argc && is_answered_option(argv[first])) return answer_option(argv[first]);

    for (int i = first; i < argc; ++i) options.args.emplace_back(argv[i]);
    options.in = &std::cin;
    options.out = &std::cout;
    options.err = &std::cerr;
    options.interactive = isatty(STDIN_FILENO) != 0;
    if (const char* date = std::getenv("QUARLO_RUN_DATE")) options.fixed_run_date = date;
    if (const char* times = std::getenv("QUARLO_STAGE_TIMES")) options.stage_times_path = times;
    return quarlo::quarlo_main(options);
}
