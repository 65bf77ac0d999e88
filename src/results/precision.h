// Standard deviations from the diagonal of the inverse.
#pragma once

#include "results/precis.h"

#include <cmath>

namespace quarlo {

// sqrt(q(m) F) for unknown m; 0 for no unknown, and for a q(m) F that
// rounding has left below 0.
inline float standard_deviation(const InverseDiagonal& q, int m, float factor) {
    if (m < 1) return 0.0f;
    float v = q(m) * factor;
    return v > 0.0f ? std::sqrt(v) : 0.0f;
}

} // namespace quarlo
