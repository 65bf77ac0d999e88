// Deciding the form of the input and converting keyword input into
// record-code records with numbered station labels.
#pragma once

#include "core/context.h"

namespace quarlo {

void treform(RunContext& ctx);

} // namespace quarlo
