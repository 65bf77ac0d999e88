// Results stage of one iteration: the singular-matrix stop, the list of
// corrections, residual analysis, adjusted values, rotation parameters and,
// after the last iteration, the precision analyses and the tests of the
// adjustment (for the console and the outputs).
#pragma once

#include "core/context.h"

namespace quarlo {

void tlres(RunContext& ctx);
void slnwt(RunContext& ctx);
void adjrot(RunContext& ctx);

} // namespace quarlo
