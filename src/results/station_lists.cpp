#include "results/station_lists.h"

#include "core/records.h"
#include "geodesy/stnadd.h"
#include "pelmo_routines/stations.h"
#include "report/iocat3.h"
#include "report/print.h"

#include <cstdlib>
#include <utility>
#include <vector>

namespace quarlo {

void tnamsrt(RunContext& ctx) {
    auto& a = ctx.arrays;
    const int n = ctx.numbrs.number_of_stations;
    for (int i = 1; i <= n; ++i) {
        a.sort_name(i) = read_eqn_station(ctx.files.unit1, i).name;
        a.name_order(i) = static_cast<std::int16_t>(i);
    }
    tsort2(ctx);
}

void tsort2(RunContext& ctx) {
    const int n = ctx.numbrs.number_of_stations;
    int m = 1;
    while (m <= n) m *= 2;
    // Every walk runs down to the start of the table, exchanged or not.
    for (int gap = (m - 1) / 2; gap > 0; gap /= 2)
        for (int j = 1; j <= n - gap; ++j)
            for (int i = j; i > 0; i -= gap) tstalf2(ctx, i, i + gap);
}

void tstalf2(RunContext& ctx, int a, int b) {
    auto& t = ctx.arrays;
    FixedText<20>& first = t.sort_name(a);
    FixedText<20>& second = t.sort_name(b);
    // Names compare by unsigned character code: a blank before digits and
    // letters, upper case before lower case.
    for (int col = 1; col <= 20; ++col) {
        auto x = static_cast<unsigned char>(first(col));
        auto y = static_cast<unsigned char>(second(col));
        if (x == y) continue;
        if (y < x) {
            std::swap(first, second);
            std::swap(t.name_order(a), t.name_order(b));
        }
        return;
    }
}

namespace {

// The station as the lists show it: its label, or its name with the pillar
// mark.
void station_fields(RunContext& ctx, const StationRecord& s) {
    if (ctx.rec01.label_mode != 0) {
        getlab(ctx, s.number, 3);
        return;
    }
    ioc11(ctx, s.name.view(), 3, 20);
    if (s.pillar == 1) pillar(ctx, 3);
}

// Starts a list on a new page under its own heading (0 adjusted, 1 held
// fixed).
void start_list(RunContext& ctx, int which) {
    ctx.rec01.pass_countdown = which;
    begin_section(ctx, "TLHED8");
}

// A list without lines still shows its heading.
void end_list(RunContext& ctx, int lines) {
    if (lines == 0) set09(ctx);
}

} // namespace

void trlist(RunContext& ctx) {
    const int n = ctx.numbrs.number_of_stations;
    std::vector<int> fixed;
    fixed.reserve(static_cast<std::size_t>(n));

    start_list(ctx, 0);
    int lines = 0;
    for (int k = 1; k <= n; ++k) {
        int position = ctx.arrays.name_order(k);
        StationRecord s = read_station(ctx.files.unit9, position);
        if (s.status == kFixed) {
            fixed.push_back(position);
            continue;
        }
        station_fields(ctx, s);
        if (s.registration != 0) ioc03(ctx, s.registration, 32, 4, 0);
        ioc05(ctx, s.height, 47, 8, 3);
        // Only a standard deviation the precision analysis computed is
        // shown, never the a-priori one of a height observation.
        float sd95 = 1.96f * s.adjusted_sd;
        if (sd95 > 0.0f) ioc05(ctx, sd95, 67, 5, 3);
        opr00(ctx, 1);
        ++lines;
    }
    end_list(ctx, lines);

    start_list(ctx, 1);
    for (int position : fixed) {
        StationRecord s = read_station(ctx.files.unit9, position);
        if (s.registration != 0) ioc03(ctx, std::abs(s.registration), 32, 4, 0);
        station_fields(ctx, s);
        ioc05(ctx, s.height, 47, 8, 3);
        opr00(ctx, 1);
    }
    end_list(ctx, static_cast<int>(fixed.size()));
}

} // namespace quarlo
