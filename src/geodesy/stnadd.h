// Completing the station table with stations that only observations name,
// and the small station routines used by many stages.
#pragma once

#include "core/context.h"

#include <cstdint>

namespace quarlo {

void stnadd(RunContext& ctx);
// Places the 12-character label of station n into the print line at col.
void getlab(RunContext& ctx, int n, int col);
// The label of station n from the label work file.
FixedText<12> station_label(RunContext& ctx, int n);
// Station number n in: its position among the numbered stations out.
void tgetnum(RunContext& ctx, int& n);
// Grid co-ordinates of a latitude and longitude (radians) by the run's map
// projection; false, with both co-ordinates 0, when the angles were not
// readable or the run has no map zone.
bool geographic_to_grid(const RunContext& ctx, bool readable, double latitude, double longitude, double& easting,
                        double& northing);
// 1-based position of the first entry equal to n among the first `count`
// entries of a table, or 0.
template <int N>
int ifind(int n, const Table<std::int16_t, N>& table, int count) {
    if (count > N) count = N;
    for (int i = 1; i <= count; ++i)
        if (table(i) == n) return i;
    return 0;
}

} // namespace quarlo
