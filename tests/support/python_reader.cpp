#include "support/python_reader.h"

#include "support/test_util.h"

#include <cstdlib>
#include <iostream>

namespace quarlo::test {

namespace {

std::string quoted(const std::string& s) {
    std::string q = "'";
    for (char c : s) q += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return q + "'";
}

} // namespace

bool python_has(const std::string& modules) {
    std::string imports;
    std::size_t start = 0;
    while (start < modules.size()) {
        std::size_t end = modules.find(' ', start);
        if (end == std::string::npos) end = modules.size();
        if (end > start) imports += "import " + modules.substr(start, end - start) + ";";
        start = end + 1;
    }
    std::string command = "python3 -c " + quoted(imports) + " >/dev/null 2>&1";
    return std::system(command.c_str()) == 0;
}

std::string read_outputs(const std::vector<std::string>& args) {
    std::string command = "python3 " + quoted(std::string(QUARLO_SOURCE_DIR) + "/tests/support/read_outputs.py");
    for (const auto& a : args) command.append(" ").append(quoted(a));
    command += " >read_outputs.out 2>read_outputs.err";
    int status = std::system(command.c_str());
    if (status != 0) {
        std::cerr << read_file("read_outputs.err");
        return {};
    }
    return read_file("read_outputs.out");
}

} // namespace quarlo::test
