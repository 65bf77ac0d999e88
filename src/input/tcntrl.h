// Decoding and listing of the control record.
#pragma once

#include "core/context.h"

namespace quarlo {

// Decodes the control record (the current input record) into the run
// options and prints the "*** OPTIONS SELECTED ***" listing.
void tcntrl(RunContext& ctx);

// Zone columns 4-6 of a control record after normalisation.
void normalise_zone_columns(FixedText<80>& card);

} // namespace quarlo
