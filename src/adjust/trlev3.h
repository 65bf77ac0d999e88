// Solution stage of one iteration.
#pragma once

#include "driver/context.h"

namespace quarlo {

void trlev3(RunContext& ctx);

} // namespace quarlo
