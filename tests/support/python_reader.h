// Running tests/support/read_outputs.py: the outputs of the program read by
// Python's own parsers, independently of the program's writers.
#pragma once

#include <string>
#include <vector>

namespace quarlo::test {

// Whether python3 runs here with all the modules named (space-separated).
bool python_has(const std::string& modules);

// Runs read_outputs.py with the arguments in the working directory; its
// standard output (one line of ASCII JSON), or an empty string when it
// failed (its error output then goes to the test's log).
std::string read_outputs(const std::vector<std::string>& args);

} // namespace quarlo::test
