// Forming the banded normal equations of a pass from its equation records.
#pragma once

#include "core/context.h"

namespace quarlo {

// Rows 1..n of the normal matrix into the normal store (row k holds
// columns k .. min(k + b, n)), the right-hand side into `nearea`. An
// unknown that no equation reaches stops the run.
void tnform(RunContext& ctx);

} // namespace quarlo
