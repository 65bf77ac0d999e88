// Ordering of the unknowns for a small band width, and its measurement.
#pragma once

#include "core/context.h"
#include "core/records.h"

namespace quarlo {

void tdband(RunContext& ctx);
// The band width of the observation equations 1 .. number of observations
// on the equation work file.
void bandwd(RunContext& ctx);
// The columns of the band one equation spans, and the band width of a set
// of equations from the widest of them (at most the matrix size less one).
int equation_width(const EquationRecord& eq);
void set_band_width(RunContext& ctx, int band);

} // namespace quarlo
