// Precision analysis and relative height analysis after the last iteration.
#pragma once

#include "driver/context.h"

namespace quarlo {

void precis(RunContext& ctx);
void rel_precis(RunContext& ctx);

} // namespace quarlo
