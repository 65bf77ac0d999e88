// Files every stage may open: work files noted for deletion at the end of
// the run, file names and texts held in blank-padded fields, and the data
// directory named by the options file.
#pragma once

#include "core/context.h"

#include <string>
#include <string_view>

namespace quarlo {

constexpr const char* kOptionsFile = "quarlo.opt";

// Opens a work file and notes it for deletion at the end of the run.
bool open_work_file(RunContext& ctx, DirectFile& file, const std::string& path, int record_length);
bool open_work_file(RunContext& ctx, SeqFile& file, const std::string& path, SeqFile::Mode mode);
// Removes every work file of the run that is still on disk.
void remove_work_files(RunContext& ctx);

// A file name held in a blank-padded field, up to its first blank.
std::string trim_name(const std::string& name);
// A text held in a blank-padded field, trailing blanks cut.
std::string trim_right(std::string_view text);

// The data directory of the options file ("DATA=" line), ending with "/".
void datpath(std::string& path, int& pathlen, int& found);

} // namespace quarlo
