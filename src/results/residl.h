// Residual analysis of one iteration.
#pragma once

#include "driver/context.h"

namespace quarlo {

void residl(RunContext& ctx);

} // namespace quarlo
