// Filling the results model (ctx.results) for the data, map and picture
// outputs.
#pragma once

#include "core/context.h"

#include <functional>

namespace quarlo {

// The control-record options as selected, once the control record is read.
void note_control_options(RunContext& ctx);

// Everything else, after the last iteration's results stage: reads the
// station and equation records, the solution and (with precisions) the
// inverse. Prints nothing and changes nothing but ctx.results.
void collect_results(RunContext& ctx);

// q(j, k): element of the inverse of the normal matrix.
using InverseElement = std::function<float(int, int)>;
// The same with the inverse taken from q.
void collect_results(RunContext& ctx, const InverseElement& q);

} // namespace quarlo
