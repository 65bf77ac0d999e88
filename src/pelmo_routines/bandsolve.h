// Banded Cholesky solution of the normal equations held in the normal
// store, the inverse of the triangular factor, and as much of the inverse
// of the normal matrix as is read (inverse_width); all in single precision.
#pragma once

#include "core/context.h"

#include <cstdint>
#include <vector>

namespace quarlo {

// Factorise and solve.
void nsolve(RunContext& ctx);
// The same, with the inverse factor G = R^-T built in the inverse store
// when it is kept whole there (keeps_inverse_factor).
void nsoln(RunContext& ctx);
// After nsoln: the rows of N^-1 = G^T G of the inverse width, into the
// normal store in place of the factor.
void isoln(RunContext& ctx);
// Which columns of the inverse to form: every one of the n unknowns.
void tsetncl(RunContext& ctx, std::vector<std::int16_t>& flags);
// Lists the normal matrix (print flag 1) or the inverse (print flag 0).
void mprint(RunContext& ctx);

} // namespace quarlo
