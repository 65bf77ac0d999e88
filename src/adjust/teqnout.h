// Listing of the weighted observation equations of a pass.
#pragma once

#include "core/context.h"

namespace quarlo {

void teqnout(RunContext& ctx);

} // namespace quarlo
