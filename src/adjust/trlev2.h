// Iteration set-up: stations in use, numbering of the unknowns, geoid
// separations, list of stations and the stage-1 station file.
#pragma once

#include "core/context.h"

namespace quarlo {

void trlev2(RunContext& ctx);

} // namespace quarlo
