// The main driver: one run of the program from set-up to the end of the
// report, with the stage sequence and the iteration loop.
#pragma once

#include "core/context.h"

#include <iosfwd>
#include <string>
#include <vector>

namespace quarlo {

struct RunOptions {
    std::vector<std::string> args; // command-line arguments after the program name
    std::istream* in = nullptr;    // console input
    std::ostream* out = nullptr;   // console output
    std::ostream* err = nullptr;   // messages about the input (standard error)
    bool interactive = false;      // console input is a terminal: the final pause waits
    std::string fixed_run_date;    // run date for the page heading; empty: today
    ExportRequest exports;         // --json, --geojson, --html
    std::string stage_times_path;  // stage timings appended here; empty: none
};

// Runs the program once and returns its exit status.
int quarlo_main(const RunOptions& options);

// The stage sequence on a prepared context (console set).
int run_quarlo(RunContext& ctx, const std::vector<std::string>& args);

// The pause at the end of a failed run.
void pause_console(RunContext& ctx);

} // namespace quarlo
