#include "adjust/equation_lines.h"

#include "geodesy/stnadd.h"
#include "report/iocat3.h"
#include "report/print.h"

namespace quarlo {

namespace {

bool label_mode(const RunContext& ctx) { return ctx.rec01.label_mode != 0; }

// Misclosures and the observed values are listed below analysis option 4.
bool with_misclosures(const RunContext& ctx) { return ctx.option.run_status - 1 < 4; }

// The stations of a line: numbers (the occupied one with its set-up digit),
// or labels in label mode.
void stations_of_line(RunContext& ctx, int from, int to, int from_col_number, int to_col_number,
                      int from_col_label, int to_col_label) {
    if (label_mode(ctx)) {
        getlab(ctx, from % 1000, from_col_label);
        getlab(ctx, to, to_col_label);
    } else {
        ioc03(ctx, from, from_col_number, 4, 0);
        ioc03(ctx, to, to_col_number, 3, 0);
    }
}

} // namespace

void zenith_short_line(RunContext& ctx, const ZenithLine& l) {
    ioc03(ctx, l.sequence, 1, 4, 0);
    stations_of_line(ctx, l.z.from, l.z.to, 6, 11, 8, 22);
    if (l.reciprocal) ioc11(ctx, "S", label_mode(ctx) ? 48 : 28);
}

void zenith_line(RunContext& ctx, const ZenithLine& l) {
    const ZenithRecord& z = l.z;
    const bool label = label_mode(ctx);
    zenith_short_line(ctx, l);
    if (with_misclosures(ctx)) {
        int shift = label ? 20 : 0;
        double angle = z.zenith;
        ioc18(ctx, angle, 16 + shift, 1, 1);
        ioc05(ctx, z.instrument_height, 30 + shift, 7, 3);
        ioc05(ctx, z.target_height, 37 + shift, 7, 3);
        if (!label) {
            ioc03(ctx, z.occupied_eccentric_code, 47, 1, 0);
            ioc05(ctx, z.occupied_eccentric_height, 48, 7, 3);
            ioc03(ctx, z.observed_eccentric_code, 56, 1, 0);
            ioc05(ctx, z.observed_eccentric_height, 57, 7, 3);
        }
        double reduced = l.z_reduced;
        ioc18(ctx, reduced, 67, 1, 1);
        if (z.distance_supplied != 0) {
            ioc05(ctx, z.distance, 79, 10, 3);
            ioc11(ctx, std::string_view(&z.distance_type, 1), 89);
        }
    }
    ioc05(ctx, l.d, 90, 10, 3);
    ioc11(ctx, std::string_view(&l.marker, 1), 100);
    ioc05(ctx, l.azimuth, 102, 5, 1);
    double computed = l.computed;
    ioc18(ctx, computed, 108, 1, 1);
    if (with_misclosures(ctx)) ioc05(ctx, -static_cast<double>(l.misclosure), 120, 7, 1);
    ioc05(ctx, l.sigma, 129, 4, 1);
    opr00(ctx, 2);
}

void height_line(RunContext& ctx, const HeightLine& l) {
    const HeightDiffRecord& h = l.h;
    const bool lab = label_mode(ctx);
    ioc03(ctx, l.sequence, 1, 4, 0);
    stations_of_line(ctx, h.from, h.to, 6, 11, 7, 21);
    ioc05(ctx, h.sd, lab ? 119 : 108, 6, 4);
    // Coordinate-difference data have a value only once both stations are
    // known.
    bool value_known = l.found || !l.coordinate_difference;
    if (with_misclosures(ctx)) {
        if (value_known) ioc05(ctx, l.dh, lab ? 35 : 17, 9, 3);
        if (l.coordinate_difference) ioc11(ctx, "C", lab ? 44 : 26);
        ioc05(ctx, h.instrument_height, lab ? 45 : 28, 7, 3);
        ioc05(ctx, h.target_height, lab ? 53 : 35, 7, 3);
        if (value_known) ioc05(ctx, l.dhr, lab ? 61 : 45, 9, 3);
    }
    if (l.found) {
        // A height difference carries no eccentric heights: they are 0.
        if (h.occupied_eccentric_code != 0 || h.observed_eccentric_code != 0) {
            ioc05(ctx, 0.0, lab ? 72 : 57, 7, 3);
            ioc05(ctx, 0.0, lab ? 81 : 66, 7, 3);
            ioc05(ctx, l.dhr, lab ? 90 : 76, 9, 3);
        }
        ioc05(ctx, l.computed, lab ? 101 : 88, 9, 3);
        if (with_misclosures(ctx))
            ioc05(ctx, -static_cast<double>(l.misclosure), lab ? 110 : 97, lab ? 7 : 9, 3);
        ioc05(ctx, l.weight, lab ? 126 : 115, lab ? 7 : 9, 1);
        if (!lab) {
            ioc03(ctx, h.occupied_eccentric_code, 127, 1, 0);
            ioc03(ctx, h.observed_eccentric_code, 132, 1, 0);
        }
    }
    opr00(ctx, 2);
}

void equation_message(RunContext& ctx, std::string_view text) {
    ioc11(ctx, text, kEquationMessageColumn);
    opr00(ctx, 3);
}

} // namespace quarlo
