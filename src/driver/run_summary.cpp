#include "driver/run_summary.h"

#include "core/run_files.h"
#include "report/edit.h"
#include "results/reliability.h"

#include <cmath>
#include <ostream>
#include <string>

namespace quarlo {

namespace {

// The number and its noun, in the plural unless it is one.
std::string count(int n, const char* noun) {
    std::string text = std::to_string(n) + " " + noun;
    if (n != 1) text += "s";
    return text;
}

// A value with three decimals, as the report prints it.
std::string three_decimals(double value) { return edit::fixed_text(value, 3); }

// Where a line of the input is, as the messages name it.
std::string place(const RunContext& ctx, SourceLine at) {
    return at.known() ? ctx.diag.input() + ":" + std::to_string(at.line) : std::string();
}

// "<caption> <value> (<observation>, <input>:<line>)": an observation coded
// as the residual analysis codes them, with the station of a height
// observation.
std::string residual_at(const RunContext& ctx, const char* caption, float value, int code, int station) {
    constexpr int kRefractionCode = 10000;
    std::string what;
    SourceLine at;
    if (code >= kRefractionCode) {
        what = "refraction observation " + std::to_string(code - kRefractionCode);
    } else if (code < 0) {
        what = "height observation of station " + std::to_string(station);
        at = ctx.diag.station_numbered(station);
    } else {
        what = "observation " + std::to_string(code);
        at = ctx.diag.observation(code);
    }
    std::string where = place(ctx, at);
    return std::string(caption) + " " + three_decimals(value) + " (" + what + (where.empty() ? "" : ", " + where) +
           ")";
}

// The global test's verdict, in the words of sigma0'/sigma0.
std::string global_test_line(const AdjustmentTests& t) {
    if (!t.global) return "Global test: none, no degrees of freedom";
    const GlobalTest& g = *t.global;
    std::string ratio = "sigma0'/sigma0 = " + three_decimals(g.ratio());
    if (g.accepted())
        return "Global test at 95 %: accepted, " + ratio + " lies within " + three_decimals(g.ratio_lower()) +
               " to " + three_decimals(g.ratio_upper());
    if (g.statistic > g.upper)
        return "Global test at 95 %: rejected, " + ratio + " exceeds " + three_decimals(g.ratio_upper()) +
               " (a blunder, or observations weighted too heavily)";
    return "Global test at 95 %: rejected, " + ratio + " is below " + three_decimals(g.ratio_lower()) +
           " (observations weighted too lightly)";
}

// The largest normalised residual with its observation, or why there is
// none; with no inverse (analysis option 0), the largest standardised one.
std::string largest_residual(const RunContext& ctx) {
    const AdjustmentTests& t = ctx.results.tests;
    const SummaryBlock& s = ctx.summary;
    if (!t.reliability)
        return residual_at(ctx, "Largest standardised residual", s.largest_residual, s.largest_code,
                           s.residual_station);
    if (t.largest_code == 0) return "Normalised residuals: none, no observation is checked by the others";
    std::string text = residual_at(ctx, "Largest normalised residual", t.largest, t.largest_code, t.largest_station);
    if (std::fabs(t.largest) > kCriticalNormalisedResidual)
        text += ", over " + edit::fixed_text(kCriticalNormalisedResidual, 2);
    return text;
}

} // namespace

void print_summary(const RunContext& ctx, std::ostream& out) {
    const SummaryBlock& s = ctx.summary;
    const NumbrsBlock& nb = ctx.numbrs;
    std::string network = count(s.stations, "station") + " (" + std::to_string(s.fixed_stations) + " fixed)";
    const int levelled = nb.number_of_height_differences - s.coordinate_differences;
    if (nb.number_of_zenith_distances > 0) network += ", " + count(nb.number_of_zenith_distances, "zenith distance");
    if (levelled > 0) network += ", " + count(levelled, "height difference");
    if (s.coordinate_differences > 0) network += ", " + count(s.coordinate_differences, "coordinate difference");
    if (nb.number_of_height_observation_equations > 0)
        network += ", " + count(nb.number_of_height_observation_equations, "height observation");
    if (nb.number_of_observations == 0) network += ", no observations";

    std::string adjustment;
    if (ctx.rec01.required_stage == 1) {
        adjustment = "input checked (stage 1)";
    } else {
        adjustment = count(s.passes, "iteration");
        if (!s.residual_analysis)
            adjustment += ", no residual analysis (analysis option " + std::to_string(ctx.option.run_status - 1) + ")";
        else if (s.degrees_of_freedom > 0)
            adjustment += ", variance factor " + three_decimals(s.variance_factor) + " with " +
                          count(s.degrees_of_freedom, "degree") + " of freedom";
        else
            adjustment += ", variance factor not estimated (no degrees of freedom)";
    }
    out << " " << ctx.diag.input() << ": " << network << "; " << adjustment << "\n";
    if (s.residual_analysis) out << " " << global_test_line(ctx.results.tests) << "\n";

    std::string files = trim_name(ctx.files.unit3.path());
    for (const std::string& name : s.written) files += ", " + name;
    const bool residual = s.residual_analysis && (s.largest_code != 0 || ctx.results.tests.reliability);
    out << " " << (residual ? largest_residual(ctx) + "; written: " : std::string("Written: ")) << files
        << "\n"
        << std::flush;
}

void print_dropped(const RunContext& ctx, std::ostream& out) {
    if (ctx.diag.dropped_count() > 0)
        out << " Input records skipped or omitted: " << ctx.diag.dropped_count() << "\n" << std::flush;
}

} // namespace quarlo
