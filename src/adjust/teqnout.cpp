#include "adjust/teqnout.h"

#include "core/records.h"
#include "report/iocat3.h"
#include "report/print.h"

#include <cmath>

namespace quarlo {

namespace {

// The station number at a position of the numbered list; 0 for no station.
int station_at(const RunContext& ctx, int position) {
    if (position < 1 || position > ctx.numbrs.number_of_stations) return 0;
    return ctx.stnfst.station_number(position);
}

} // namespace

// One line per equation, its terms multiplied by the square root of the
// weight.
void teqnout(RunContext& ctx) {
    begin_section(ctx, "OBSHD3");
    for (int e = 1; e <= ctx.numbrs.number_of_equations; ++e) {
        const EquationRecord q = read_equation(ctx.files.unit1, 1000 + e);
        const float root = std::sqrt(q.weight);
        for (int s = 0; s < 5; ++s) {
            ioc03(ctx, q.unknown[static_cast<std::size_t>(s)], 1 + 5 * s, 5, 0);
            ioc05(ctx, q.coefficient[static_cast<std::size_t>(s)] * root, 31 + 10 * s, 10, 3);
        }
        ioc05(ctx, q.misclosure * root, 81, 10, 3);
        ioc05(ctx, q.weight, 91, 10, 3);
        ioc03(ctx, station_at(ctx, q.from_position), 104, 5, 0);
        ioc03(ctx, station_at(ctx, q.to_position), 111, 5, 0);
        opr00(ctx, 1);
    }
}

} // namespace quarlo
