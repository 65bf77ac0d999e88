// Filling the results model (ctx.results) for the data, map and picture
// outputs.
#pragma once

#include "core/context.h"
#include "results/reliability.h"

namespace quarlo {

// The control-record options as selected, once the control record is read.
void note_control_options(RunContext& ctx);

// Everything else, after the last iteration's results stage: reads the
// station and equation records, the solution and (with precisions) the
// inverse, and the tests that test_adjustment left in ctx.results.tests.
// Prints nothing and changes nothing but ctx.results.
void collect_results(RunContext& ctx);

// The same with the inverse taken from q.
void collect_results(RunContext& ctx, const InverseElement& q);

} // namespace quarlo
