#include "core/run_files.h"

#include <algorithm>
#include <cstdio>

namespace quarlo {

std::string trim_name(const std::string& name) {
    std::size_t blank = name.find(' ');
    return blank == std::string::npos ? name : name.substr(0, blank);
}

std::string trim_right(std::string_view text) {
    std::size_t end = text.find_last_not_of(' ');
    return end == std::string_view::npos ? std::string() : std::string(text.substr(0, end + 1));
}

bool open_work_file(RunContext& ctx, DirectFile& file, const std::string& path, int record_length) {
    if (!file.open(path, record_length)) return false;
    if (std::find(ctx.files.work_paths.begin(), ctx.files.work_paths.end(), path) == ctx.files.work_paths.end())
        ctx.files.work_paths.push_back(path);
    return true;
}

bool open_work_file(RunContext& ctx, SeqFile& file, const std::string& path, SeqFile::Mode mode) {
    if (!file.open(path, mode)) return false;
    if (std::find(ctx.files.work_paths.begin(), ctx.files.work_paths.end(), path) == ctx.files.work_paths.end())
        ctx.files.work_paths.push_back(path);
    return true;
}

void remove_work_files(RunContext& ctx) {
    for (const std::string& path : ctx.files.work_paths) std::remove(path.c_str());
    ctx.files.work_paths.clear();
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
