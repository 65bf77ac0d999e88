// Solution stage of one iteration. The run sequence calls the results
// stage after it whenever it leaves run status as it was and the required
// stage goes beyond 1.
#pragma once

#include "core/context.h"

namespace quarlo {

void trlev3(RunContext& ctx);
// Steps of a pass after the statistics: the 4000-unknown limit, the block
// stores, forming, listing, solving and inverting.
void solve_normal_equations(RunContext& ctx);
// The problem-size statistics on a new page and the stage-one banner.
void print_statistics_block(RunContext& ctx);

} // namespace quarlo
