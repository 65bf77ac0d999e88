// Observation equations of one iteration.
#pragma once

#include "driver/context.h"

namespace quarlo {

void vobseqn(RunContext& ctx);

} // namespace quarlo
