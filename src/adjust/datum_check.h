// A height datum for every part of the network.
#pragma once

#include "core/context.h"

namespace quarlo {

// The row of a height unknown whose part of the network nothing ties to a
// known height (no fixed station observed from or to it, no height
// observation), or 0 when every part has a datum. Such a normal matrix is
// singular whatever its rounding leaves on the diagonal.
int datum_defect_row(RunContext& ctx);

} // namespace quarlo
