// Observation equations of one iteration.
#pragma once

#include "core/context.h"

namespace quarlo {

void vobseqn(RunContext& ctx);

} // namespace quarlo
