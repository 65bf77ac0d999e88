// File assignment: file names from the command line or the console, the
// options file quarlo.opt, the work files, the title records and the
// control record.
#pragma once

#include "driver/context.h"

#include <string>
#include <vector>

namespace quarlo {

constexpr const char* kOptionsFile = "quarlo.opt";

// Names and opens every file of the set-up; on failure sets run status -9.
void filasn(RunContext& ctx, const std::vector<std::string>& args);

// mode 1: path keywords of the options file, work path on the work-file
// names; mode 2: input path on inname; mode 3: output path on outname.
void tpathset(RunContext& ctx, std::string& inname, std::string& outname, int mode);
// The first "01" line of the options file.
void toptset(FixedText<80>& record, int& found);
// The data directory of the options file ("DATA=" line), ending with "/".
void datpath(std::string& path, int& pathlen, int& found);
// Takes the title record in the current input record into the page titles.
void set92(RunContext& ctx);

// Opens a work file and notes it for deletion at the end of the run.
bool open_work_file(RunContext& ctx, DirectFile& file, const std::string& path, int record_length);
bool open_work_file(RunContext& ctx, SeqFile& file, const std::string& path, SeqFile::Mode mode);
// Removes every work file of the run that is still on disk.
void remove_work_files(RunContext& ctx);

// A file name held in a blank-padded field, up to its first blank.
std::string trim_name(const std::string& name);

} // namespace quarlo
