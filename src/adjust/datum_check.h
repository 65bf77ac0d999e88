// A height datum for every part of the network, and determined rotation
// parameters.
#pragma once

#include "core/context.h"

namespace quarlo {

// The row of a height unknown whose part of the network nothing ties to a
// known height (no fixed station observed from or to it, no height
// observation); else, with rotation parameters, the row of one that the
// known heights leave undetermined (a tilt of the heights that only the
// rotated height differences see); 0 when the network has its datum. Such a
// normal matrix is singular whatever its rounding leaves on the diagonal.
int datum_defect_row(RunContext& ctx);

} // namespace quarlo
