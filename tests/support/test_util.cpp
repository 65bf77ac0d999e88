#include "support/test_util.h"

#include "driver/quarlo.h"
#include "report/print.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <stdexcept>
#include <unistd.h>

namespace fs = std::filesystem;

namespace quarlo::test {

TempDir::TempDir() {
    previous_ = fs::current_path().string();
    std::string pattern = (fs::temp_directory_path() / "quarlo-test-XXXXXX").string();
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    if (!mkdtemp(buf.data())) throw std::runtime_error("mkdtemp failed");
    path_ = buf.data();
    fs::current_path(path_);
}

TempDir::~TempDir() {
    std::error_code ec;
    fs::current_path(previous_, ec);
    fs::remove_all(path_, ec);
}

std::vector<std::string> TempDir::files() const {
    std::vector<std::string> names;
    for (const auto& entry : fs::directory_iterator(path_)) names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

std::string read_file(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream ss;
    ss << in.rdbuf();
    return ss.str();
}

std::vector<std::string> read_lines(const std::string& path) {
    std::vector<std::string> lines;
    std::ifstream in(path, std::ios::binary);
    std::string line;
    while (std::getline(in, line)) lines.push_back(line);
    return lines;
}

void write_file(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary);
    out << content;
}

std::string cols(const std::string& line, int col, int len) {
    std::string out(static_cast<std::size_t>(len), ' ');
    for (int i = 0; i < len; ++i) {
        std::size_t idx = static_cast<std::size_t>(col - 1 + i);
        if (idx < line.size()) out[static_cast<std::size_t>(i)] = line[idx];
    }
    return out;
}

std::string line132(std::initializer_list<std::pair<int, std::string>> fields) {
    std::string line(132, ' ');
    for (const auto& [col, text] : fields)
        for (std::size_t i = 0; i < text.size(); ++i) line[static_cast<std::size_t>(col - 1) + i] = text[i];
    return line;
}

std::string card(std::initializer_list<std::pair<int, std::string>> fields) {
    std::string line;
    for (const auto& [col, text] : fields) {
        const std::size_t at = static_cast<std::size_t>(col - 1);
        if (line.size() < at + text.size()) line.resize(at + text.size(), ' ');
        line.replace(at, text.size(), text);
    }
    return line + "\n";
}

TestRun::TestRun(const std::string& console_input) : ctx(std::make_unique<RunContext>()), in(console_input) {
    ctx->console.in = &in;
    ctx->console.out = &out;
    ctx->console.err = &err;
    ctx->diag.set_stream(&err);
    ctx->console.interactive = false;
    ctx->fixed_run_date = " 8-Dec-2026";
    set01(*ctx);
    set02(*ctx, "QUARLO G77-2.6", "TRIGONOMETRICAL HEIGHT ADJUSTMENT");
}

void TestRun::open_report(const std::string& path) {
    report_path = path;
    ctx->files.unit3.open(path, SeqFile::Mode::Replace);
}

std::vector<std::string> TestRun::report() {
    ctx->files.unit3.flush();
    return read_lines(report_path);
}

ProgramResult run_program(const std::vector<std::string>& args, const std::string& console_input,
                          ExportRequest exports) {
    std::istringstream in(console_input);
    std::ostringstream out, err;
    RunOptions options;
    options.args = args;
    options.in = &in;
    options.out = &out;
    options.err = &err;
    options.interactive = false;
    options.fixed_run_date = " 8-Dec-2026";
    options.exports = exports;
    ProgramResult result;
    result.status = quarlo_main(options);
    result.console = out.str();
    result.errors = err.str();
    return result;
}

} // namespace quarlo::test
