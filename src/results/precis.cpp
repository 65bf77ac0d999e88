// Precision analysis: adjusted heights and refraction coefficients with their
// standard deviations from the diagonal of the inverse.
#include "results/precis.h"

#include "adjust/refraction_unknowns.h"
#include "core/records.h"
#include "geodesy/stnadd.h"
#include "pelmo_routines/blockstore.h"
#include "pelmo_routines/stations.h"
#include "report/iocat3.h"
#include "report/print.h"
#include "results/precision.h"
#include "results/zeniths_from.h"

namespace quarlo {

namespace {

void station_fields(RunContext& ctx, const EqnStationRecord& e) {
    int name_col = 10;
    if (ctx.rec01.label_mode != 0) {
        getlab(ctx, e.number, 1);
        name_col = 15;
    } else {
        ioc03(ctx, e.number, 3, 3, 0);
    }
    ioc11(ctx, e.name.view(), name_col, 20);
    if (e.pillar != 0) pillar(ctx, name_col);
    ioc03(ctx, e.registration, 40, 4, -1);
}

// The refraction coefficients of the station at position i with their
// standard deviations; c counts the station's coefficients from its first
// unknown b. Returns whether a line was printed.
bool coefficient_lines(RunContext& ctx, const InverseDiagonal& q, float factor, const ZenithsFrom& zeniths, int i,
                       const EqnStationRecord& e, int b, int c) {
    const int option = ctx.option.refraction_option;
    const int zenith_count = ctx.numbrs.number_of_zenith_distances;
    if (zenith_count == 0) return false;
    if (option == 0) {
        // The network coefficient, on the first station's line only.
        if (i != 1) return false;
        b = network_refraction_unknown(ctx) - 1;
        c = 0;
    }
    const int base = ctx.numbrs.number_of_stations + ctx.numbrs.rejected_station_count;
    bool printed = false;
    for (int s : zeniths.of(e.number)) {
        ZenithRecord z = read_zenith(ctx.files.unit9, base + s);
        if (!carries_refraction_unknown(z, option)) continue;
        ++c;
        ioc05(ctx, z.k, 90, 9, 4);
        ioc05(ctx, standard_deviation(q, b + c, factor) / 1000.0f, 107, 9, 4);
        if (option == 3) ioc03(ctx, s, 124, 4, 0);
        opr00(ctx, 2);
        printed = true;
        if (option == 0 || option == 1) break;
    }
    return printed;
}

} // namespace

float variance_factor_used(RunContext& ctx) {
    if (ctx.option.run_status > 4 || ctx.option.precision_option == 0) ctx.factor.variance_factor = 1.0f;
    return ctx.factor.variance_factor;
}

void precis(RunContext& ctx) {
    precis(ctx, [&ctx](int m) { return inverse_element(ctx, m, m); });
}

void precis(RunContext& ctx, const InverseDiagonal& q) {
    const float factor = variance_factor_used(ctx);
    // Without a solution (analysis options 4 and 5) the heights stand as
    // they are.
    const bool solved = ctx.nearea.solved;
    const ZenithsFrom zeniths(ctx, ctx.numbrs.number_of_zenith_distances);
    for (int i = 1; i <= ctx.numbrs.number_of_stations; ++i) {
        EqnStationRecord e = read_eqn_station(ctx.files.unit1, i);
        station_fields(ctx, e);
        const bool adjusted = e.status == kHeightGiven;
        float height = e.height;
        if (adjusted && e.first_unknown != 0 && solved) height = e.height + ctx.nearea.rhs(e.first_unknown);
        ioc05(ctx, height, 53, 9, 3);
        int c = 0;
        if (adjusted) {
            float sd = standard_deviation(q, e.first_unknown, factor);
            ioc05(ctx, sd, 70, 7, 3);
            StationRecord st = station_record(e);
            st.height = height;
            st.adjusted_sd = sd;
            write_station(ctx.files.unit9, i, st);
        } else {
            ioc11(ctx, "FIXED", 72);
            c = -1;
        }
        if (!coefficient_lines(ctx, q, factor, zeniths, i, e, e.first_unknown, c)) opr00(ctx, 2);
    }
}

} // namespace quarlo
