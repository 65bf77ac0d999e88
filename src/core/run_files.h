// Files every stage may open: work files noted for deletion at the end of
// the run, file names and texts held in blank-padded fields, and the data
// directory named by the options file.
#pragma once

#include "core/context.h"

#include <string>
#include <string_view>

namespace quarlo {

constexpr const char* kOptionsFile = "quarlo.opt";
// The eight work files that take the work path, in the order quarlo01, 02,
// 13, 09, 18, 20, 21, 22.
extern const char* const kWorkFileNames[8];

// Creates the run's own work folder, "quarlo-work." and six characters no
// other folder there has, in `directory` (ending with "/"; empty: the
// working directory), and names the run's work files in it. False, with
// errno in *error, when it cannot be created.
bool make_work_folder(RunContext& ctx, const std::string& directory, int* error = nullptr);
// Opens a work file and notes it for deletion at the end of the run.
bool open_work_file(RunContext& ctx, DirectFile& file, const std::string& path, int record_length);
bool open_work_file(RunContext& ctx, SeqFile& file, const std::string& path, SeqFile::Mode mode);
// Removes every work file of the run that is still on disk, and the work
// folder with whatever it holds.
void remove_work_files(RunContext& ctx);

// A station or zenith-distance file asked for that cannot be opened: after
// the report's message, standard error says it with the reason
// ("net.stn: UNABLE TO OPEN STATION FILE: Is a directory"), and the run,
// complete but for it, does not end as a success.
void output_not_opened(RunContext& ctx, const std::string& path, int error, std::string_view report_message);

// A file name held in a blank-padded field, up to its first blank.
std::string trim_name(const std::string& name);
// A text held in a blank-padded field, trailing blanks cut.
std::string trim_right(std::string_view text);

// The data directory of the options file ("DATA=" line), ending with "/".
void datpath(std::string& path, int& pathlen, int& found);

} // namespace quarlo
