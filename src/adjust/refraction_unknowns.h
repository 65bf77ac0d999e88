// Which zenith distances carry a refraction coefficient of their own among
// the unknowns, and where the network coefficient stands.
#pragma once

#include "core/context.h"
#include "core/records.h"

namespace quarlo {

// The second of a simultaneous reciprocal pair shares the coefficient of the
// observation before it; under refraction option 2 only the first
// observation of a refraction set starts a coefficient.
inline bool carries_refraction_unknown(const ZenithRecord& z, int refraction_option) {
    if (z.reciprocal == 1) return false;
    return refraction_option != 2 || z.refraction_set == 1;
}

// Unknown number of the network refraction coefficient (refraction option
// 0): the last unknown, or the last before the two rotation parameters.
inline int network_refraction_unknown(const RunContext& ctx) {
    return ctx.numbrs.matrix_size - (ctx.option.rotation_option > 0 ? 2 : 0);
}

} // namespace quarlo
