// A text file that replaces the file of its name only once it has been
// written completely: the lines go to a temporary file beside it, which
// takes the file's name on commit. A file that is not committed is removed,
// and an earlier file of that name stays as it was.
#pragma once

#include "driver/workfile.h"

#include <string>
#include <string_view>

namespace quarlo {

class ReplacingFile {
public:
    // The lines are written through `unit` (the file's unit number).
    explicit ReplacingFile(SeqFile& unit) : unit_(unit) {}
    ~ReplacingFile() { abandon(); }
    ReplacingFile(const ReplacingFile&) = delete;
    ReplacingFile& operator=(const ReplacingFile&) = delete;

    // Opens the temporary file for `path`; false when it cannot be created.
    bool open(const std::string& path);
    bool is_open() const { return open_; }
    void write_line(std::string_view line) { unit_.write_line(line); }
    // Closes the temporary file and gives it the file's name. False (the
    // temporary removed, the old file untouched) when that fails.
    bool commit();
    // Closes and removes the temporary file.
    void abandon();

    static std::string temporary_name(const std::string& path) { return path + ".tmp"; }

private:
    SeqFile& unit_;
    std::string path_;
    bool open_ = false;
};

} // namespace quarlo
