// libFuzzer target: one input file per call, run through the whole program
// in a scratch directory. The first byte chooses the head of the file (none,
// a control record, a title and a control record, or the control record from
// an options file); the rest is the body. A run that ends with a run-time
// error status, mentions an internal error, or leaves a work file behind is
// a finding.
#include "core/fatal.h"
#include "driver/quarlo.h"

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

// The scratch directory of the runs, and the directory the fuzzer was
// started in (its corpus paths are relative to it).
std::string scratch;
std::string home;

void write(const std::string& path, const std::string& content) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out << content;
}

} // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    home = fs::current_path().string();
    std::string pattern = (fs::temp_directory_path() / "quarlo-fuzz-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        std::perror("quarlo fuzzer: scratch directory");
        std::abort();
    }
    scratch = pattern;
    std::atexit([] {
        std::error_code ec;
        fs::remove_all(scratch, ec);
    });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (chdir(scratch.c_str()) != 0) std::abort();
    const std::string control = "01" + std::string(78, ' ') + "\n";
    std::string head;
    unsigned choice = size > 0 ? data[0] % 4u : 0u;
    std::string body(reinterpret_cast<const char*>(data) + (size > 0 ? 1 : 0), size > 0 ? size - 1 : 0);
    std::remove("quarlo.opt");
    switch (choice) {
    case 1: head = control; break;
    case 2: head = "92 FUZZ\n" + control; break;
    case 3: write("quarlo.opt", control); break;
    default: break;
    }
    write("fuzz.dat", head + body);

    std::istringstream in;
    std::ostringstream out, err; // standard error too: the messages quote the input
    quarlo::RunOptions options;
    options.args = {"-o", "fuzz.dat"};
    options.in = &in;
    options.out = &out;
    options.err = &err;
    options.fixed_run_date = " 8-Dec-2026";
    int status = quarlo::quarlo_main(options);

    bool left = false;
    for (const auto& entry : fs::directory_iterator(fs::current_path()))
        if (entry.path().extension() == ".wrk") {
            left = true;
            fs::remove(entry.path());
        }
    if (status == quarlo::kExitRunTimeError || left || out.str().find("Internal error") != std::string::npos) {
        std::fprintf(stderr, "quarlo fuzzer: status %d, work files left %d, console:\n%s\n", status, left ? 1 : 0,
                     out.str().c_str());
        std::abort();
    }
    if (chdir(home.c_str()) != 0) std::abort();
    return 0;
}
