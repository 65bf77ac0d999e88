#include "results/station_lists.h"

#include "core/records.h"
#include "geodesy/stnadd.h"
#include "pelmo_routines/stations.h"
#include "report/iocat3.h"
#include "report/print.h"

#include <bit>
#include <cstdlib>
#include <cstring>
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

namespace {

// Names compare by unsigned character code: a blank before digits and
// letters, upper case before lower case. The pair is exchanged when the
// first name sorts after the second.
// Whole words compared as big-endian numbers order as the characters do.
inline bool sorts_after(const char* x, const char* y) {
    if constexpr (std::endian::native != std::endian::little) return std::memcmp(x, y, 20) > 0;
    std::uint64_t p, q;
    for (int at : {0, 8}) {
        std::memcpy(&p, x + at, 8);
        std::memcpy(&q, y + at, 8);
        if (p != q) return __builtin_bswap64(p) > __builtin_bswap64(q);
    }
    std::uint32_t u, v;
    std::memcpy(&u, x + 16, 4);
    std::memcpy(&v, y + 16, 4);
    return __builtin_bswap32(u) > __builtin_bswap32(v);
}

// True when the pair was exchanged.
inline bool order_pair(FixedText<20>* names, std::int16_t* order, int a, int b) {
    FixedText<20>& first = names[a - 1];
    FixedText<20>& second = names[b - 1];
    if (!sorts_after(first.view().data(), second.view().data())) return false;
    std::swap(first, second);
    std::swap(order[a - 1], order[b - 1]);
    return true;
}

} // namespace

void tsort2(RunContext& ctx) {
    const int n = ctx.numbrs.number_of_stations;
    if (n < 2) return;
    auto& t = ctx.arrays;
    t.sort_name(n); // the whole walk stays inside the tables
    FixedText<20>* names = &t.sort_name(1);
    std::int16_t* order = &t.name_order(1);
    int m = 1;
    while (m <= n) m *= 2;
    // Each walk carries the name at j + gap down its chain (j + gap, j,
    // j - gap, ...) while pairs are exchanged. Walking on to the start of the
    // table after a pair found in order exchanges nothing more: the earlier
    // walks of this gap have left the chain below j + gap in order, and the
    // pairs below that one stand as they were. So the walk stops there, with
    // exactly the exchanges of a walk to the start of the table.
    for (int gap = (m - 1) / 2; gap > 0; gap /= 2)
        for (int j = 1; j <= n - gap; ++j)
            for (int i = j; i > 0 && order_pair(names, order, i, i + gap); i -= gap) {
            }
}

void tstalf2(RunContext& ctx, int a, int b) {
    auto& t = ctx.arrays;
    t.sort_name(a);
    t.sort_name(b);
    order_pair(&t.sort_name(1), &t.name_order(1), a, b);
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
