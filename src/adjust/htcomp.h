// Provisional heights of stations whose height the input does not give.
#pragma once

#include "core/context.h"

namespace quarlo {

void htcomp(RunContext& ctx);

} // namespace quarlo
