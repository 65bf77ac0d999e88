// Ordering of the stations (and so of the unknowns) for a small band width
// of the normal equations, and the band width the equations produced.
#include "adjust/tdband.h"

#include "core/records.h"
#include "geodesy/stnadd.h"

#include <algorithm>
#include <cstdlib>
#include <limits>

namespace quarlo {

namespace {

constexpr int kLastPass = 100;    // passes 0..100, at most one swap each
constexpr int kStationBytes = 72; // station number, height status, 64 bytes

// The other end of a link that has an end at position p, or 0.
int partner_of(const Link& link, int p) {
    if (link.from == p) return link.to;
    if (link.to == p) return link.from;
    return 0;
}

bool touches(const Link& link, int p) { return link.from == p || link.to == p; }

// Largest and smallest position among p and the partners of p.
void neighbourhood(const std::vector<Link>& links, int p, int& maxp, int& minp) {
    maxp = p;
    minp = p;
    for (const Link& l : links) {
        if (!touches(l, p)) continue;
        int q = partner_of(l, p);
        maxp = std::max(maxp, q);
        minp = std::min(minp, q);
    }
}

// Largest |partner - target| over the links with an end at p.
int reach_from(const std::vector<Link>& links, int p, int target) {
    int d = 0;
    for (const Link& l : links)
        if (touches(l, p)) d = std::max(d, std::abs(partner_of(l, p) - target));
    return d;
}

// Exchanges the stations at positions s and t.
void swap_positions(RunContext& ctx, int s, int t) {
    auto& numbers = ctx.arrays.station_number_table;
    auto& perm = ctx.arrays.second_table;
    std::swap(numbers(s), numbers(t));
    std::swap(perm(s), perm(t));
    auto ss = static_cast<std::int16_t>(s), tt = static_cast<std::int16_t>(t);
    for (Link& l : ctx.arrays.link_list) {
        if (l.from == ss) l.from = tt;
        else if (l.from == tt) l.from = ss;
        if (l.to == ss) l.to = tt;
        else if (l.to == tt) l.to = ss;
    }
}

// Case one: both ends of the longest link sit in compact neighbourhoods; try
// to move one of them into the middle of its own neighbourhood. A candidate
// position outside the station list is a failed try for that end.
bool move_to_middle(RunContext& ctx, int n, int d, int a, int maxa, int mina, int b, int maxb, int minb) {
    const auto& links = ctx.arrays.link_list;
    auto start = [n](int maxp, int minp) {
        int c = (maxp + minp) / 2 - 2;
        if (c < 1) c = 1;
        if (c + 5 > n) c = n - 5;
        return c;
    };
    int ca = start(maxa, mina);
    int cb = start(maxb, minb);
    constexpr int kNever = std::numeric_limits<int>::max();
    for (int k = -2; k <= 2; ++k, ++ca, ++cb) {
        int da = kNever, db = kNever;
        if (ca >= 1 && ca <= n)
            da = std::max({std::abs(ca - maxa), std::abs(ca - mina), reach_from(links, ca, a)});
        if (cb >= 1 && cb <= n)
            db = std::max({std::abs(cb - maxb), std::abs(cb - minb), reach_from(links, cb, b)});
        if (da < d) {
            if (da <= db)
                swap_positions(ctx, a, ca);
            else
                swap_positions(ctx, b, cb);
            return true;
        }
        if (db < d) {
            swap_positions(ctx, b, cb);
            return true;
        }
    }
    return false;
}

// Case two: one end X sits in a wide neighbourhood; move it next to the mean
// position of its partners other than Y.
bool move_to_partners(RunContext& ctx, int n, int d, int x, int y) {
    const auto& links = ctx.arrays.link_list;
    long long sum = 0;
    int count = 0;
    for (const Link& l : links) {
        if (!touches(l, x)) continue;
        int q = partner_of(l, x);
        if (q == y) continue;
        sum += q;
        ++count;
    }
    if (count == 0) return false;
    int p = std::max(static_cast<int>(sum / count), 2) - 1;
    for (int target = p; target <= p + 2; ++target) {
        if (target < 1 || target > n) continue;
        int dm = std::max({1, reach_from(links, target, y), reach_from(links, y, target)});
        if (dm <= d) {
            swap_positions(ctx, x, target);
            return true;
        }
    }
    return false;
}

// One pass: at most one swap that shortens the longest link. False when no
// acceptable swap is found.
bool reorder_pass(RunContext& ctx, int n) {
    const auto& links = ctx.arrays.link_list;
    int d = 1, a = 0, b = 0;
    for (const Link& l : links) {
        int span = std::abs(l.from - l.to);
        if (span >= d) {
            d = span;
            a = l.from;
            b = l.to;
        }
    }
    if (a == 0) return false; // no link joins two different positions

    int maxa, mina, maxb, minb;
    neighbourhood(links, a, maxa, mina);
    neighbourhood(links, b, maxb, minb);
    int spana = maxa - mina;
    int spanb = maxb - minb;

    if (spana / 2 < d && spanb / 2 < d) return move_to_middle(ctx, n, d, a, maxa, mina, b, maxb, minb);
    if (spana / 2 >= d) return move_to_partners(ctx, n, d, a, b);
    return move_to_partners(ctx, n, d, b, a);
}

} // namespace

void tdband(RunContext& ctx) {
    auto& numbers = ctx.arrays.station_number_table;
    auto& second = ctx.arrays.second_table;
    auto& links = ctx.arrays.link_list;
    auto& files = ctx.files;
    const int n = ctx.numbrs.number_of_stations;
    const int nobs = ctx.numbrs.number_of_observations;
    const int nz = ctx.numbrs.number_of_zenith_distances;

    ctx.ioarea.lnleft = 0;
    Record rec(kObsRecordLength);
    for (int i = 1; i <= n; ++i) {
        files.unit9.read(i, rec);
        numbers(i) = static_cast<std::int16_t>(rec.i32(0));
        second(i) = static_cast<std::int16_t>(rec.i32(4)); // free flag: non-zero status
        files.unit1.write(i, rec, kStationBytes);
    }

    links.clear();
    links.reserve(static_cast<std::size_t>(std::max(nobs, 0)));
    const StationPositions positions(numbers, n);
    for (int j = 1; j <= nobs; ++j) {
        files.unit9.read(n + j, rec);
        int from = rec.i32(0) % 1000;
        int to = rec.i32(4);
        int fp = positions.find(from);
        int tp = positions.find(to);
        if (fp == 0) ++ctx.ioarea.unmatched_station_count;
        if (tp == 0) ++ctx.ioarea.unmatched_station_count;
        if (ctx.ioarea.unmatched_station_count != 0) continue;
        bool to_free = second(tp) != 0;
        bool from_free = second(fp) != 0;
        if (to_free && (j <= nz || from_free))
            links.push_back(Link{static_cast<std::int16_t>(fp), static_cast<std::int16_t>(tp)});
    }
    if (ctx.ioarea.unmatched_station_count != 0 || links.empty()) return;

    for (int p = 1; p <= n; ++p) second(p) = static_cast<std::int16_t>(p);
    for (int pass = 0; pass <= kLastPass; ++pass)
        if (!reorder_pass(ctx, n)) break;

    for (int p = 1; p <= n; ++p) {
        files.unit1.read(second(p), rec);
        files.unit9.write(p, rec, kStationBytes);
    }
    // The lines the station records came from follow them.
    auto& sources = ctx.diag.stations;
    if (sources.size() >= static_cast<std::size_t>(n)) {
        std::vector<StationSource> before(sources.begin(), sources.begin() + n);
        for (int p = 1; p <= n; ++p)
            sources[static_cast<std::size_t>(p - 1)] = before[static_cast<std::size_t>(second(p) - 1)];
    }
}

int equation_width(const EquationRecord& eq) {
    int m = *std::max_element(eq.unknown.begin(), eq.unknown.end());
    int width = 0;
    for (int u : eq.unknown) width = std::max(width, u == 0 ? 1 : std::abs(u - m) + 1);
    return width;
}

void set_band_width(RunContext& ctx, int band) {
    if (band >= ctx.numbrs.matrix_size) band = ctx.numbrs.matrix_size - 1;
    ctx.numbrs.band_width = band;
}

void bandwd(RunContext& ctx) {
    int band = 0;
    for (int k = 1; k <= ctx.numbrs.number_of_observations; ++k)
        band = std::max(band, equation_width(read_equation(ctx.files.unit1, 1000 + k)));
    set_band_width(ctx, band);
}

} // namespace quarlo
