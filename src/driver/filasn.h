// File assignment: file names from the command line or the console, the
// options file quarlo.opt, the work files, the title records and the
// control record.
#pragma once

#include "core/context.h"
#include "core/run_files.h"

#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

// Names and opens every file of the set-up; on failure sets run status -9.
void filasn(RunContext& ctx, const std::vector<std::string>& args);

// mode 1: path keywords of the options file, work path on the work-file
// names; mode 2: input path on inname; mode 3: output path on outname.
void tpathset(RunContext& ctx, std::string& inname, std::string& outname, int mode);
// The first "01" line of the options file.
void toptset(FixedText<80>& record, int& found);
// Takes the title record in the current input record into the page titles.
void set92(RunContext& ctx);

// A file's own name: what follows the last "/" or "\" of its path.
std::string_view own_name(std::string_view path);
// The report name derived from an input name: the input file's own name up
// to its first "." (or blank), with the extension ".prt".
std::string report_name_for(std::string_view input);
// The job name of a report: its path up to the first "." of its own name.
std::string job_name_for(std::string_view report);

} // namespace quarlo
