// Solution stage of one iteration.
#pragma once

#include "core/context.h"

namespace quarlo {

void trlev3(RunContext& ctx);
// Steps of a pass after the statistics: the 4000-unknown limit, the block
// stores, forming, listing, solving, inverting and the results stage.
void solve_normal_equations(RunContext& ctx);
// The problem-size statistics on a new page and the stage-one banner.
void print_statistics_block(RunContext& ctx);
// Number of terms of the banded normal equations, (2n - b)(b + 1) / 2.
float number_of_terms(const RunContext& ctx);

} // namespace quarlo
