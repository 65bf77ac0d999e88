// Adjusted values of one iteration, the misclosures of the next and the
// adjusted station file.
#pragma once

#include "core/context.h"

namespace quarlo {

void finalv(RunContext& ctx);

} // namespace quarlo
