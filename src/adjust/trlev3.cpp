#include "adjust/trlev3.h"

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

// Number of terms of the banded normal equations, in single precision.
float number_of_terms(const RunContext& ctx) {
    float n = static_cast<float>(ctx.numbrs.matrix_size);
    float b = static_cast<float>(ctx.numbrs.band_width);
    return (2.0f * n - b) * (b + 1.0f) / 2.0f;
}

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
    if (nb.number_of_height_observations != 0)
        count_line(ctx, "Number of height observations :", 7, nb.number_of_height_observations, 1);
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

// One solution pass.
void trlev3(RunContext& ctx) {
    print_statistics_block(ctx);
    if (ctx.rec01.required_stage == 1) return;
}

} // namespace quarlo
