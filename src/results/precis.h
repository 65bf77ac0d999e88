// Precision analysis and relative height analysis after the last iteration.
#pragma once

#include "core/context.h"

#include <functional>

namespace quarlo {

// q(m): diagonal element m of the inverse of the normal matrix.
using InverseDiagonal = std::function<float(int)>;

// The analyses with the inverse held in the normal store.
void precis(RunContext& ctx);
void rel_precis(RunContext& ctx);

// The same with the diagonal of the inverse taken from q.
void precis(RunContext& ctx, const InverseDiagonal& q);
void rel_precis(RunContext& ctx, const InverseDiagonal& q);

// The variance factor the analyses use, stored in `factor`: the estimate of
// the residual analysis, or 1.0 when there was none (analysis option 4 or
// more) or the precision option asks for the a-priori precisions.
float variance_factor_used(RunContext& ctx);

} // namespace quarlo
