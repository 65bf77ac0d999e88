// The lines the console closes a run with: what the network held, how the
// adjustment went and which files were written; and how many input records
// the run skipped or left out.
#pragma once

#include "core/context.h"

#include <iosfwd>

namespace quarlo {

// Two lines after a run that completed.
void print_summary(const RunContext& ctx, std::ostream& out);
// " Input records skipped or omitted: n", when there were any.
void print_dropped(const RunContext& ctx, std::ostream& out);

} // namespace quarlo
