// Banded Cholesky solution of the normal equations held in the normal
// store, the inverse of the triangular factor in the inverse store, and the
// inverse of the normal matrix; all in single precision.
#pragma once

#include "core/context.h"

#include <cstdint>
#include <vector>

namespace quarlo {

void nsolve(RunContext& ctx);
void nsoln(RunContext& ctx);
void isoln(RunContext& ctx);
// Which columns of the inverse to form: every one of the n unknowns.
void tsetncl(RunContext& ctx, std::vector<std::int16_t>& flags);
// Lists the normal matrix (print flag 1) or the inverse (print flag 0).
void mprint(RunContext& ctx);

} // namespace quarlo
