// Reading, checking and storing every station and observation record.
#pragma once

#include "core/context.h"

namespace quarlo {

void trlev1(RunContext& ctx);
// Prints error message `code` (1-13) in the report.
void tlerr1(RunContext& ctx, int code);
// The same, and on standard error at the line of the observation it is about.
void tlerr1(RunContext& ctx, int code, SourceLine at);

} // namespace quarlo
