// Tests of the adjustment, as surveyors judge one: the global test of the
// model, and per observation data snooping with its redundancy number and
// the reliability figures.
#pragma once

#include "core/context.h"
#include "core/records.h"

#include <functional>
#include <optional>

namespace quarlo {

// Data snooping: significance 0.1 % (two-sided), power 80 %.
constexpr double kCriticalNormalisedResidual = 3.29;
constexpr double kNonCentrality = 17.07; // lambda0
// Redundancy numbers below these mark an observation weakly checked, or not
// checked at all. An observation is not checked either when its redundancy
// number is no larger than its rounding error (rounding_error below).
constexpr double kWeaklyChecked = 0.1;
constexpr double kNotChecked = 0.001;

// The two-sided 95 % test of the sum of p v v; none without degrees of freedom.
std::optional<GlobalTest> global_test(double pvv, int degrees_of_freedom);

// The test of an observation of weight p and redundancy number r, with its
// residual when there is one, and the rounding error of r.
ObservationTest test_observation(std::optional<float> residual, float weight, double r, double error = 0.0);

inline bool flagged(const ObservationTest& t) {
    return t.normalised_residual && std::fabs(*t.normalised_residual) > kCriticalNormalisedResidual;
}

// q(j, k): element of the inverse of the normal matrix.
using InverseElement = std::function<float(int, int)>;

// r = 1 - p a'Qa of an equation, and the size of the terms it is taken
// from, p sum |a_s a_t q_st|, whose rounding r inherits.
struct Redundancy {
    double r = 0.0;
    double terms = 0.0;
};
Redundancy redundancy_number(const EquationRecord& e, const InverseElement& q);

// What rounding may have done to a redundancy number from the inverse that
// a single-precision factorisation of n unknowns gave, its smallest pivot
// `ratio` of its diagonal as formed: 4 sqrt(n) 2^-24 / ratio of its terms.
// Against independent solves this bounds the errors found with a margin of
// two or more: some 1e-7 in small networks, 1e-6 in the benchmark's 949
// unknowns, and up to 0.5 where long sights held by 0.1 mm links leave
// pivots of a few units in the last place.
double rounding_error(const Redundancy& r, int n, float ratio);


// At the end of a run that reached the results stage: the tests of
// ctx.results.tests from the last iteration's residuals and, when the
// inverse was formed (analysis option 1 or more), its band. Prints nothing.
void test_adjustment(RunContext& ctx);
// The same with the inverse taken from q.
void test_adjustment(RunContext& ctx, const InverseElement& q);

} // namespace quarlo
