// Reading, checking and storing every station and observation record.
#pragma once

#include "core/context.h"

namespace quarlo {

void trlev1(RunContext& ctx);
// Prints error message `code` (1-13) in the report.
void tlerr1(RunContext& ctx, int code);

} // namespace quarlo
