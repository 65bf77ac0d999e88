// Final station lists in name order and the height file.
#pragma once

#include "driver/context.h"

namespace quarlo {

void tnamsrt(RunContext& ctx);
void trlist(RunContext& ctx);
void trlev4(RunContext& ctx);

} // namespace quarlo
