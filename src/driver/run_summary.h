// The lines the console closes a run with: what the network held, how the
// adjustment went (with the global test's verdict and the largest
// normalised residual) and which files were written; and how many input
// records the run skipped or left out.
#pragma once

#include "core/context.h"

#include <iosfwd>

namespace quarlo {

// Two or three lines after a run that completed.
void print_summary(const RunContext& ctx, std::ostream& out);
// " Input records skipped or omitted: n", when there were any.
void print_dropped(const RunContext& ctx, std::ostream& out);

} // namespace quarlo
