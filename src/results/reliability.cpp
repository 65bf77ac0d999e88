// The tests of an adjustment, worked once at the end of a run from the last
// iteration's residuals and the band of the inverse.
#include "results/reliability.h"

#include "pelmo_routines/blockstore.h"
#include "results/residual.h"

#include <boost/math/distributions/chi_squared.hpp>

#include <algorithm>
#include <cmath>

namespace quarlo {

namespace {

// Observation codes as the residual analysis gives them.
constexpr int kRefractionCode = 10000;

} // namespace

std::optional<GlobalTest> global_test(double pvv, int degrees_of_freedom) {
    if (degrees_of_freedom <= 0) return std::nullopt;
    const boost::math::chi_squared_distribution<double> chi_square(degrees_of_freedom);
    GlobalTest g;
    g.statistic = pvv;
    g.degrees_of_freedom = degrees_of_freedom;
    g.lower = boost::math::quantile(chi_square, 0.025);
    g.upper = boost::math::quantile(chi_square, 0.975);
    return g;
}

ObservationTest test_observation(std::optional<float> residual, float weight, double r, double error) {
    ObservationTest t;
    t.redundancy = r;
    // Written so that a redundancy number that is not a number is not checked.
    if (!(weight > 0.0f) || !(r >= kNotChecked) || !(r > error)) return t;
    t.checking = r < kWeaklyChecked ? Checking::Weakly : Checking::Checked;
    const double sigma = 1.0 / std::sqrt(static_cast<double>(weight));
    t.minimal_detectable_bias = static_cast<float>(sigma * std::sqrt(kNonCentrality / r));
    // r a little above 1 is rounding: the observation takes up no error.
    t.bias_to_noise_ratio = static_cast<float>(std::sqrt(kNonCentrality * std::max(0.0, 1.0 - r) / r));
    if (residual) t.normalised_residual = static_cast<float>(*residual / (sigma * std::sqrt(r)));
    return t;
}

Redundancy redundancy_number(const EquationRecord& e, const InverseElement& q) {
    // a'Qa over the pairs of the equation's unknowns, each pair once.
    double aqa = 0.0, size = 0.0;
    for (std::size_t s = 0; s < e.unknown.size(); ++s) {
        if (e.unknown[s] == 0) continue;
        for (std::size_t t = s; t < e.unknown.size(); ++t) {
            if (e.unknown[t] == 0) continue;
            const double term =
                static_cast<double>(e.coefficient[s]) * e.coefficient[t] * q(e.unknown[s], e.unknown[t]);
            aqa += s == t ? term : 2.0 * term;
            size += s == t ? std::fabs(term) : 2.0 * std::fabs(term);
        }
    }
    const double p = e.weight;
    return {1.0 - p * aqa, p * size};
}

double rounding_error(const Redundancy& r, int n, float ratio) {
    constexpr double kUnit = 0x1p-24; // of single precision, relative
    if (!(ratio > 0.0f)) return HUGE_VAL;
    return 4.0 * std::sqrt(static_cast<double>(std::max(n, 1))) * kUnit / ratio * r.terms;
}

void test_adjustment(RunContext& ctx) {
    test_adjustment(ctx, [&ctx](int j, int k) { return inverse_element(ctx, j, k); });
}

void test_adjustment(RunContext& ctx, const InverseElement& q) {
    AdjustmentTests& t = ctx.results.tests;
    t = AdjustmentTests{};
    const NumbrsBlock& nb = ctx.numbrs;
    const int main_list = nb.number_of_observations;
    const int height_observations = nb.number_of_height_observation_equations;
    const int equations = main_list + height_observations + nb.number_of_refraction_constraints;
    const bool solved = ctx.nearea.solved;
    t.reliability = ctx.option.run_status >= 2 && nb.matrix_size > 0;
    t.smallest_pivot_ratio = ctx.nearea.smallest_pivot_ratio;
    if (t.reliability) t.observations.reserve(static_cast<std::size_t>(equations));

    double pvv = 0.0; // in the order of the residual analysis
    float largest = -1.0f;
    for (int i = 1; i <= equations; ++i) {
        const EquationRecord e = read_equation(ctx.files.unit1, 1000 + i);
        std::optional<float> v;
        if (solved) {
            v = equation_residual(ctx, e);
            pvv += static_cast<double>(e.weight) * *v * *v;
        }
        if (!t.reliability) continue;
        const Redundancy r = redundancy_number(e, q);
        const ObservationTest test =
            test_observation(v, e.weight, r.r, rounding_error(r, nb.matrix_size, ctx.nearea.smallest_pivot_ratio));
        t.flagged += flagged(test) ? 1 : 0;
        t.weakly_checked += test.checking == Checking::Weakly ? 1 : 0;
        t.not_checked += test.checking == Checking::Not ? 1 : 0;
        t.not_checked_for_rounding += test.checking == Checking::Not && r.r >= kNotChecked && e.weight > 0.0f ? 1 : 0;
        if (test.normalised_residual && std::fabs(*test.normalised_residual) > largest) {
            largest = std::fabs(*test.normalised_residual);
            t.largest = *test.normalised_residual;
            t.largest_station = 0;
            if (i <= main_list) {
                t.largest_code = i;
            } else if (i <= main_list + height_observations) {
                t.largest_code = -(i - main_list);
                t.largest_station = ctx.stnfst.station_number(e.from_position);
            } else {
                t.largest_code = kRefractionCode + i - main_list - height_observations;
            }
        }
        t.observations.push_back(test);
    }
    if (solved) t.global = global_test(pvv, equations - nb.matrix_size);
}

} // namespace quarlo
