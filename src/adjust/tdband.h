// Ordering of the unknowns for a small band width, and its measurement.
#pragma once

#include "core/context.h"

namespace quarlo {

void tdband(RunContext& ctx);
void bandwd(RunContext& ctx);

} // namespace quarlo
