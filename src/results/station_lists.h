// Final station lists in name order and the height file.
#pragma once

#include "core/context.h"

namespace quarlo {

// Fills the name table from the station records of the equation work file
// and sorts it, with the order table, into name order.
void tnamsrt(RunContext& ctx);
// Diminishing-increment sort of the name table and the order table.
void tsort2(RunContext& ctx);
// Compare-and-exchange of entries a and b (a before b) of the name table.
void tstalf2(RunContext& ctx, int a, int b);
// The adjusted stations, then the stations held fixed, in name order.
void trlist(RunContext& ctx);
// The height file: one record per station in name order, then two "99".
void trlev4(RunContext& ctx);

} // namespace quarlo
