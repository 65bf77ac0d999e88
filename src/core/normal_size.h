// The size of the banded normal equations: printed on the statistics page
// and the measure the block stores are sized by.
#pragma once

#include "core/context.h"

namespace quarlo {

// Number of terms of the banded normal equations, (2n - b)(b + 1) / 2, in
// single precision.
inline float number_of_terms(const RunContext& ctx) {
    float n = static_cast<float>(ctx.numbrs.matrix_size);
    float b = static_cast<float>(ctx.numbrs.band_width);
    return (2.0f * n - b) * (b + 1.0f) / 2.0f;
}

} // namespace quarlo
