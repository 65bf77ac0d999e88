// Helpers shared by the tests: a scratch directory to run in, a context with
// an open report, and reading files back.
#pragma once

#include "core/context.h"

#include <memory>
#include <sstream>
#include <string>
#include <vector>

namespace quarlo::test {

// Creates a fresh directory, makes it the working directory, and on
// destruction returns to the previous one and removes it.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    // Names of the files in the directory, sorted.
    std::vector<std::string> files() const;

private:
    std::string path_;
    std::string previous_;
};

std::string read_file(const std::string& path);
std::vector<std::string> read_lines(const std::string& path);
void write_file(const std::string& path, const std::string& content);

// Columns col..col+len-1 of a line (1-based, blank-padded).
std::string cols(const std::string& line, int col, int len);
// A line of 132 characters with the given texts placed at their columns.
std::string line132(std::initializer_list<std::pair<int, std::string>> fields);
// An input line: the given texts placed at their columns, then the line end.
std::string card(std::initializer_list<std::pair<int, std::string>> fields);

// A context with the report initialised and its console captured; the run
// date is fixed at " 8-Dec-2026".
struct TestRun {
    std::unique_ptr<RunContext> ctx;
    std::istringstream in;
    std::ostringstream out;
    std::ostringstream err; // standard error
    std::string report_path;

    explicit TestRun(const std::string& console_input = "");
    RunContext& c() { return *ctx; }
    // Opens the report file (in the working directory).
    void open_report(const std::string& path = "test.prt");
    // Flushes and reads the report back, one entry per record.
    std::vector<std::string> report();
};

// Runs the whole program in the working directory, as from the command line.
struct ProgramResult {
    int status = 0;
    std::string console; // standard output
    std::string errors;  // standard error
};
ProgramResult run_program(const std::vector<std::string>& args, const std::string& console_input = "",
                          ExportRequest exports = {});

} // namespace quarlo::test
