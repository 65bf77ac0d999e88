// Residual analysis of one iteration.
#pragma once

#include "core/context.h"

namespace quarlo {

void residl(RunContext& ctx);

} // namespace quarlo
