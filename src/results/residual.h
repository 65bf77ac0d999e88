// The residual of an observation equation from the current solution.
#pragma once

#include "core/context.h"
#include "core/records.h"

#include <cmath>

namespace quarlo {

// v = sum of coefficient x correction over the equation's unknowns, minus
// the misclosure; single precision.
inline float equation_residual(const RunContext& ctx, const EquationRecord& e) {
    float v = 0.0f;
    for (std::size_t i = 0; i < 5; ++i)
        if (e.unknown[i] != 0) v += e.coefficient[i] * ctx.nearea.rhs(e.unknown[i]);
    return v - e.misclosure;
}

// A standardised residual larger than this in magnitude is flagged.
constexpr float kFlaggedStandardisedResidual = 2.5f;

// sqrt(p), the factor of the standardised residual; 0 for a weight that is
// not positive.
inline float root_weight(float p) { return p > 0.0f ? std::sqrt(p) : 0.0f; }

} // namespace quarlo
