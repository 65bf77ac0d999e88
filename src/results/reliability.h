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
// checked at all. The redundancy numbers come from an inverse formed in
// single precision: their noise is some 1e-6 (1e-5 at worst in the long
// sights of the tests), far below the second bound.
constexpr double kWeaklyChecked = 0.1;
constexpr double kNotChecked = 0.001;

// The two-sided 95 % test of the sum of p v v; none without degrees of freedom.
std::optional<GlobalTest> global_test(double pvv, int degrees_of_freedom);

// The test of an observation of weight p and redundancy number r, with its
// residual when there is one.
ObservationTest test_observation(std::optional<float> residual, float weight, double r);

inline bool flagged(const ObservationTest& t) {
    return t.normalised_residual && std::fabs(*t.normalised_residual) > kCriticalNormalisedResidual;
}

// q(j, k): element of the inverse of the normal matrix.
using InverseElement = std::function<float(int, int)>;

// r = 1 - p a'Qa of an equation.
double redundancy_number(const EquationRecord& e, const InverseElement& q);

// At the end of a run that reached the results stage: the tests of
// ctx.results.tests from the last iteration's residuals and, when the
// inverse was formed (analysis option 1 or more), its band. Prints nothing.
void test_adjustment(RunContext& ctx);
// The same with the inverse taken from q.
void test_adjustment(RunContext& ctx, const InverseElement& q);

} // namespace quarlo
