#include "adjust/trlev3.h"

#include "adjust/datum_check.h"

#include "adjust/teqnout.h"
#include "adjust/tnform.h"
#include "core/normal_size.h"
#include "core/stage_times.h"
#include "pelmo_routines/bandsolve.h"
#include "pelmo_routines/blockstore.h"
#include "report/iocat3.h"
#include "report/print.h"

namespace quarlo {

namespace {

// One statistics line: the label at its column, the count in 5 columns at 40.
void count_line(RunContext& ctx, const char* label, int col, long long count, int spacing) {
    ioc11(ctx, label, col);
    ioc03(ctx, count, 40, 5, 0);
    opr00(ctx, spacing);
}

} // namespace

// The problem size on a new page, then the stage-one banner.
void print_statistics_block(RunContext& ctx) {
    const auto& nb = ctx.numbrs;
    begin_section(ctx, "NOUGHT");
    count_line(ctx, "Number of stations :", 18, nb.number_of_stations, 3);
    count_line(ctx, "Number of fixed stations :", 12, nb.number_of_fixed_stations, 1);
    count_line(ctx, "Number of zenith distances :", 10, nb.number_of_zenith_distances, 1);
    count_line(ctx, "Number of refraction observations :", 3, nb.number_of_refraction_constraints, 1);
    if (nb.number_of_height_differences != 0)
        count_line(ctx, "Number of height differences :", 8, nb.number_of_height_differences, 1);
    // The height observations that gave equations, so that the block adds
    // up when a station with one was dropped.
    if (nb.number_of_height_observation_equations != 0)
        count_line(ctx, "Number of height observations :", 7, nb.number_of_height_observation_equations, 1);
    count_line(ctx, "Number of observation equations :", 5, nb.number_of_equations, 2);
    count_line(ctx, "Matrix size :", 25, nb.matrix_size, 1);
    count_line(ctx, "Band width :", 26, nb.band_width, 1);
    ioc11(ctx, "Number of terms in normal equations :", 1);
    ioc05(ctx, number_of_terms(ctx), 38, 7, -1);
    opr00(ctx, 1);

    for (int i = 0; i < 10; ++i) opr10(ctx, 3);
    ioc12(ctx, '*', 1, 132);
    opr00(ctx, 1);
    ioc11(ctx, "*STAGE ONE COMPLETE", 57);
    opr00(ctx, 1);
    ioc12(ctx, '*', 1, 132);
    opr00(ctx, 1);
}

// Forms, solves and (last iteration, precisions wanted) inverts the normal
// equations; the results stage follows (a singular matrix is reported there).
void solve_normal_equations(RunContext& ctx) {
    const int n = ctx.numbrs.matrix_size;
    // Checked before any space is reserved for the block stores.
    if (n > kMaxUnknowns) {
        ioc11(ctx, "*** TOO MANY NORMAL EQUATIONS ***", 40);
        opr00(ctx, 3);
        ctx.option.run_status = -1;
        return;
    }
    const int analysis = ctx.option.run_status - 1;
    const bool listing = analysis == 3 || analysis == 5;
    const bool last_iteration = ctx.rec01.iterations_left == 0;
    if (!size_block_stores(ctx)) return;

    {
        StageTimer timer(ctx, "forming");
        if (ctx.option.equation_output != 0) teqnout(ctx);
        tnform(ctx);
        if (listing) {
            ctx.matbuf.print_flag = 1;
            mprint(ctx);
        }
    }
    // A part of the network without a height datum makes the matrix
    // singular however its rounding falls: it is reported as such without
    // solving.
    ctx.nearea.failing_row = datum_defect_row(ctx);
    if (ctx.nearea.failing_row == 0) {
        StageTimer timer(ctx, "factorising");
        if (analysis >= 1 && last_iteration)
            nsoln(ctx);
        else
            nsolve(ctx);
    }
    // A factorisation that stopped leaves nothing to invert: the results
    // stage reports the singular matrix at once.
    if (last_iteration && ctx.nearea.failing_row == 0) {
        StageTimer timer(ctx, "inverting");
        if (analysis >= 1) isoln(ctx);
        if (listing) {
            ctx.matbuf.print_flag = 0;
            mprint(ctx);
        }
    }
}

// One solution pass: the problem size, then (beyond stage 1) the solution.
void trlev3(RunContext& ctx) {
    print_statistics_block(ctx);
    if (ctx.rec01.required_stage == 1) return;
    solve_normal_equations(ctx);
}

} // namespace quarlo
