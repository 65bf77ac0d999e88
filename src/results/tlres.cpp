#include "results/tlres.h"

#include "geodesy/stnadd.h"
#include "report/iocat3.h"
#include "report/print.h"
#include "results/finalv.h"
#include "results/precis.h"
#include "results/reliability.h"
#include "results/residl.h"

#include <algorithm>

namespace quarlo {

namespace {

// Station positions searched in the first-unknown table: never more than
// the table holds.
int station_count(const RunContext& ctx) {
    int n = ctx.numbrs.number_of_stations;
    if (n < 0) n = -n;
    return std::min(n, kMaxStations);
}

// Position of the station whose unknowns include row k: the station whose
// first unknown is k, or the nearest one below it; 0 when no station's
// first unknown lies in 1..k.
int station_of_row(const RunContext& ctx, int k) {
    const int count = station_count(ctx);
    for (; k > 0; --k) {
        int position = ifind(k, ctx.stnfst.refraction_register, count);
        if (position != 0) return position;
    }
    return 0;
}

// The factorisation stopped at row k: the report names the row and its
// station, and the run ends as a failure.
[[noreturn]] void singular_stop(RunContext& ctx, int k) {
    ioc11(ctx, "*** MATRIX SINGULAR . DIAGONAL BECAME ZERO IN COLUMN", 38);
    ioc03(ctx, k, 90, 4, 0);
    ioc11(ctx, "***", 95);
    opr00(ctx, 3);
    int position = station_of_row(ctx, k);
    if (position != 0) {
        ioc11(ctx, "*** STATION INVOLVED IS", 50);
        ioc03(ctx, ctx.stnfst.station_number(position), 75, 3, -1);
        ioc11(ctx, "***", 79);
        opr00(ctx, 3);
    }
    throw FatalStop(" Normal matrix is singular", kExitDataErrors);
}

// Next station position after `position` that has unknowns, or count + 1.
int next_with_unknowns(const RunContext& ctx, int position, int count) {
    ++position;
    while (position <= count && ctx.stnfst.refraction_register(position) == 0) ++position;
    return position;
}

} // namespace

void tlres(RunContext& ctx) {
    if (ctx.nearea.failing_row != 0) singular_stop(ctx, ctx.nearea.failing_row);

    const int status = ctx.option.run_status;
    if (status < 5) {
        if (ctx.option.solution_output != 0) {
            begin_section(ctx, "TLHED3");
            slnwt(ctx);
        }
        begin_section(ctx, "TLHED4");
        residl(ctx);
    }
    begin_section(ctx, "TLHED5");
    finalv(ctx);
    if (ctx.option.rotation_option != 0) {
        begin_section(ctx, "TLHED9");
        adjrot(ctx);
    }
    if (ctx.rec01.iterations_left == 0 && status != 1) {
        begin_section(ctx, "TLHED7");
        precis(ctx);
        if (status != 2) {
            begin_section(ctx, "TLHED10");
            rel_precis(ctx);
        }
    }
    // The tests of the adjustment, once, from the last residuals and the
    // inverse's band; the report does not print them.
    if (ctx.rec01.iterations_left == 0) test_adjustment(ctx);
}

// Each station's corrections (height, then its refraction coefficients)
// follow one blank line, the station number on the first of them.
void slnwt(RunContext& ctx) {
    const int count = station_count(ctx);
    int position = next_with_unknowns(ctx, 0, count);
    for (int k = 1; k <= ctx.numbrs.matrix_size; ++k) {
        if (position <= count && k == ctx.stnfst.refraction_register(position)) {
            opr10(ctx, 2);
            ioc03(ctx, ctx.stnfst.station_number(position), 55, 3, -1);
            position = next_with_unknowns(ctx, position, count);
        }
        ioc03(ctx, k, 62, 4, 0);
        ioc05(ctx, ctx.nearea.rhs(k), 71, 8, 3);
        opr00(ctx, 1);
    }
}

// The rotation unknowns are the last two, solved in units of 0.01 radian.
void adjrot(RunContext& ctx) {
    auto& rot = ctx.rotation;
    const int n = ctx.numbrs.matrix_size;
    const bool solved = ctx.nearea.solved;
    rot.phi_correction = solved ? ctx.nearea.rhs(n - 1) / 100.0f : 0.0f;
    rot.omega_correction = solved ? ctx.nearea.rhs(n) / 100.0f : 0.0f;
    ioc18(ctx, rot.phi, 10, 3, -1);
    ioc18(ctx, rot.phi_correction, 28, 3, -1);
    ioc18(ctx, rot.omega, 70, 3, -1);
    ioc18(ctx, rot.omega_correction, 88, 3, -1);
    rot.phi += rot.phi_correction;
    rot.omega += rot.omega_correction;
    ioc18(ctx, rot.phi, 44, 3, -1);
    ioc18(ctx, rot.omega, 105, 3, -1);
    opr00(ctx, 2);
}

} // namespace quarlo
