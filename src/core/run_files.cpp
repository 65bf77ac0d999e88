#include "core/run_files.h"

#include "core/interruption.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <system_error>

namespace quarlo {

const char* const kWorkFileNames[8] = {"quarlo01.wrk", "quarlo02.wrk", "quarlo13.wrk", "quarlo09.wrk",
                                       "quarlo18.wrk", "quarlo20.wrk", "quarlo21.wrk", "quarlo22.wrk"};

std::string trim_name(const std::string& name) {
    std::size_t blank = name.find(' ');
    return blank == std::string::npos ? name : name.substr(0, blank);
}

std::string trim_right(std::string_view text) {
    std::size_t end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
}

bool make_work_folder(RunContext& ctx, const std::string& directory, int* error) {
    auto& files = ctx.files;
    std::string pattern = directory + "quarlo-work.XXXXXX";
    {
        // Removed with what it holds if the run is interrupted.
        auto held = interruption::hold();
        if (!::mkdtemp(pattern.data())) {
            if (error) *error = errno;
            return false;
        }
        interruption::set_folder(pattern);
    }
    files.work_folder = pattern;
    const std::string in = pattern + "/";
    for (std::size_t i = 0; i < files.work_names.size(); ++i) files.work_names[i] = in + kWorkFileNames[i];
    files.unit11_name = in + "quarlo11.wrk";
    files.unit14_name = in + "quarlo14.wrk";
    files.unit15_name = in + "quarlo15.wrk";
    files.unit19_name = in + "quarlo19.wrk";
    return true;
}

namespace {

// Notes a work file of the run as it is created.
template <typename File, typename How>
bool open_noted(RunContext& ctx, File& file, const std::string& path, How how) {
    auto held = interruption::hold();
    if (!file.open(path, how)) return false;
    if (std::find(ctx.files.work_paths.begin(), ctx.files.work_paths.end(), path) == ctx.files.work_paths.end())
        ctx.files.work_paths.push_back(path);
    return true;
}

} // namespace

bool open_work_file(RunContext& ctx, DirectFile& file, const std::string& path, int record_length) {
    return open_noted(ctx, file, path, record_length);
}

bool open_work_file(RunContext& ctx, SeqFile& file, const std::string& path, SeqFile::Mode mode) {
    return open_noted(ctx, file, path, mode);
}

void remove_work_files(RunContext& ctx) {
    for (const std::string& path : ctx.files.work_paths) std::remove(path.c_str());
    ctx.files.work_paths.clear();
    if (ctx.files.work_folder.empty()) return;
    auto held = interruption::hold();
    std::error_code ec;
    std::filesystem::remove_all(ctx.files.work_folder, ec);
    interruption::set_folder({});
    ctx.files.work_folder.clear();
}

void output_not_opened(RunContext& ctx, const std::string& path, int error, std::string_view report_message) {
    ++ctx.files.outputs_not_opened;
    ctx.diag.file_message(path, std::string(report_message_text(report_message)) + ": " +
                                    std::strerror(error != 0 ? error : EIO));
}

void datpath(std::string& path, int& pathlen, int& found) {
    found = 0;
    pathlen = 0;
    SeqFile opt;
    if (!opt.open(kOptionsFile, SeqFile::Mode::Old)) return;
    std::string raw;
    while (opt.read_line(raw)) {
        std::string line = raw;
        line.resize(80, ' ');
        std::string key = line.substr(0, 4);
        if (key != "data" && key != "DATA") continue;
        std::size_t eq = line.find('=');
        if (eq == std::string::npos || eq + 1 >= line.size() || line[eq + 1] == 'x') break;
        std::string rest = line.substr(eq + 1);
        std::size_t blank = rest.find(' ');
        std::string dir = blank == std::string::npos ? rest : rest.substr(0, blank);
        if (dir.empty()) break;
        if (dir.back() != '/') dir += '/';
        path = dir;
        pathlen = static_cast<int>(dir.size());
        found = 1;
        break;
    }
    opt.close();
}

} // namespace quarlo
