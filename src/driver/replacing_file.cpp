#include "driver/replacing_file.h"

#include <cstdio>
#include <filesystem>
#include <system_error>

namespace quarlo {

bool ReplacingFile::open(const std::string& path) {
    abandon();
    path_ = path;
    open_ = unit_.open(temporary_name(path), SeqFile::Mode::Replace);
    return open_;
}

bool ReplacingFile::commit() {
    if (!open_) return false;
    open_ = false;
    std::string temporary = temporary_name(path_);
    bool written = unit_.close_checked();
    std::error_code ec;
    if (written) std::filesystem::rename(temporary, path_, ec);
    if (!written || ec) {
        std::remove(temporary.c_str());
        return false;
    }
    return true;
}

void ReplacingFile::abandon() {
    if (!open_) return;
    open_ = false;
    unit_.close();
    std::remove(temporary_name(path_).c_str());
}

} // namespace quarlo
