#include "adjust/tnform.h"

#include "core/records.h"
#include "pelmo_routines/blockstore.h"
#include "report/iocat3.h"
#include "report/print.h"

#include <algorithm>
#include <vector>

namespace quarlo {

namespace {

constexpr int kSlots = 5;

[[noreturn]] void malformed_equation() {
    throw FatalStop(" Internal error: equation record outside the normal matrix", kExitRunTimeError);
}

// The coefficient of unknown u in the equation: the sum over the slots that
// hold it (an observation from a station to itself names it twice).
float coefficient_of(const EquationRecord& q, int u) {
    int s = 0;
    while (q.unknown[static_cast<std::size_t>(s)] != u) ++s;
    float c = q.coefficient[static_cast<std::size_t>(s)];
    for (++s; s < kSlots; ++s)
        if (q.unknown[static_cast<std::size_t>(s)] == u) c += q.coefficient[static_cast<std::size_t>(s)];
    return c;
}

// True when slot s is the first slot of the equation holding its unknown.
bool first_slot(const EquationRecord& q, int s) {
    for (int t = 0; t < s; ++t)
        if (q.unknown[static_cast<std::size_t>(t)] == q.unknown[static_cast<std::size_t>(s)]) return false;
    return true;
}

// For each unknown 1..n, the equations (indices into the table, ascending)
// that contain it, found in one pass over the equations.
struct EquationsByUnknown {
    std::vector<int> start; // equations of unknown u: index[start[u] .. start[u + 1] - 1]
    std::vector<int> index;

    EquationsByUnknown(const std::vector<EquationRecord>& equations, int n) : start(static_cast<std::size_t>(n) + 2, 0) {
        for (const auto& q : equations)
            for (int s = 0; s < kSlots; ++s) {
                int u = q.unknown[static_cast<std::size_t>(s)];
                if (u < 0 || u > n) malformed_equation();
                if (u != 0 && first_slot(q, s)) ++start[static_cast<std::size_t>(u) + 1];
            }
        for (std::size_t u = 1; u < start.size(); ++u) start[u] += start[u - 1];
        index.resize(static_cast<std::size_t>(start.back()));
        std::vector<int> next(start.begin(), start.end() - 1);
        for (std::size_t e = 0; e < equations.size(); ++e) {
            const auto& q = equations[e];
            for (int s = 0; s < kSlots; ++s) {
                int u = q.unknown[static_cast<std::size_t>(s)];
                if (u != 0 && first_slot(q, s))
                    index[static_cast<std::size_t>(next[static_cast<std::size_t>(u)]++)] = static_cast<int>(e);
            }
        }
    }
};

// An unknown without any observation: the report line, then the stop.
[[noreturn]] void zero_on_diagonal(RunContext& ctx, int k) {
    ioc11(ctx, "*** ZERO ON DIAGONAL IN COLUMN     ***", 48);
    // The column fills the gap up to column 81, so that rows above 999
    // are named too.
    ioc03(ctx, k, 78, 4, 0);
    opr00(ctx, 3);
    throw FatalStop(" Zero on diagonal of normal matrix", kExitDataErrors);
}

} // namespace

void tnform(RunContext& ctx) {
    const int n = ctx.numbrs.matrix_size;
    const int b = ctx.numbrs.band_width;
    const int count = ctx.numbrs.number_of_equations;

    std::vector<EquationRecord> equations;
    equations.reserve(static_cast<std::size_t>(std::max(count, 0)));
    for (int e = 1; e <= count; ++e) equations.push_back(read_equation(ctx.files.unit1, 1000 + e));
    const EquationsByUnknown by_unknown(equations, n);

    SegmentCursor& cursor = ctx.nearea.normal;
    cursor.last_block = 1;
    cursor.last_position = 0;
    std::vector<float> row(static_cast<std::size_t>(std::max(b, 0)) + 1);

    for (int k = 1; k <= n; ++k) {
        const int length = std::min(b + 1, n - k + 1);
        cursor.length = length;
        indexf(ctx);
        dskrd(ctx, row.data());
        std::fill(row.begin(), row.begin() + length, 0.0f);

        float u = 0.0f;
        for (int i = by_unknown.start[static_cast<std::size_t>(k)]; i < by_unknown.start[static_cast<std::size_t>(k) + 1];
             ++i) {
            const EquationRecord& q = equations[static_cast<std::size_t>(by_unknown.index[static_cast<std::size_t>(i)])];
            const float ck = coefficient_of(q, k);
            u += ck * q.misclosure * q.weight;
            for (int t = 0; t < kSlots; ++t) {
                const int ut = q.unknown[static_cast<std::size_t>(t)];
                if (ut < k || !first_slot(q, t)) continue;
                const int word = ut - k + 1;
                if (word > length) malformed_equation();
                row[static_cast<std::size_t>(word) - 1] += ck * coefficient_of(q, ut) * q.weight;
            }
        }
        ctx.nearea.rhs(k) = u;
        if (!(row[0] > 0.0f)) zero_on_diagonal(ctx, k);
        dskwt(ctx, row.data());
    }
    ioblk(ctx, 3, 0, nullptr, 0, 0);
}

} // namespace quarlo
