// File assignment: file names from the command line or the console, the
// options file quarlo.opt, the work files, the title records and the
// control record.
#pragma once

#include "core/context.h"
#include "core/run_files.h"

#include <string>
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

} // namespace quarlo
