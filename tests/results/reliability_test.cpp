// The tests of an adjustment worked by hand: the quantiles of the global
// test against the closed forms of the chi-square distribution, one
// observation's figures, and the edges where an observation is not checked.
#include "results/reliability.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace quarlo {
namespace {

TEST(GlobalTest, QuantilesAgainstTheClosedFormsOfChiSquare) {
    // One degree of freedom: P(x) = erf(sqrt(x / 2)).
    auto one = global_test(4.0 / 3.0, 1);
    ASSERT_TRUE(one);
    EXPECT_NEAR(std::erf(std::sqrt(one->lower / 2.0)), 0.025, 1e-14);
    EXPECT_NEAR(std::erf(std::sqrt(one->upper / 2.0)), 0.975, 1e-14);
    EXPECT_TRUE(one->accepted());
    // Two: P(x) = 1 - exp(-x / 2), so the quantile of p is -2 ln(1 - p).
    auto two = global_test(8.0, 2);
    ASSERT_TRUE(two);
    EXPECT_NEAR(two->lower, -2.0 * std::log(0.975), 1e-13);
    EXPECT_NEAR(two->upper, -2.0 * std::log(0.025), 1e-13); // 7.3778
    EXPECT_FALSE(two->accepted()); // 8 lies above
    EXPECT_NEAR(two->ratio(), 2.0, 1e-15);
    EXPECT_NEAR(two->ratio_upper(), std::sqrt(-std::log(0.025)), 1e-13);
    // Four: P(x) = 1 - exp(-x / 2) (1 + x / 2).
    auto four = global_test(0.4, 4);
    ASSERT_TRUE(four);
    auto p4 = [](double x) { return 1.0 - std::exp(-x / 2.0) * (1.0 + x / 2.0); };
    EXPECT_NEAR(p4(four->lower), 0.025, 1e-14);
    EXPECT_NEAR(p4(four->upper), 0.975, 1e-14);
    EXPECT_FALSE(four->accepted()); // 0.4 lies below 0.4844
    EXPECT_FALSE(global_test(1.0, 0)); // no redundancy, no test
    EXPECT_FALSE(global_test(0.0, -1));
}

TEST(ObservationTest, FiguresOfOneObservationWorkedByHand) {
    // p = 40000 (sigma 0.005 m), r = 1/3, v = 1/300 m: w = (1/300) / (0.005
    // sqrt(1/3)) = 2 / sqrt(3); MDB = 0.005 sqrt(17.07 x 3) = 0.0357806 m;
    // BNR = sqrt(17.07 x 2) = 5.842944.
    ObservationTest t = test_observation(1.0f / 300.0f, 40000.0f, 1.0 / 3.0);
    EXPECT_EQ(t.checking, Checking::Checked);
    EXPECT_NEAR(*t.normalised_residual, 2.0 / std::sqrt(3.0), 1e-6);
    EXPECT_NEAR(*t.minimal_detectable_bias, 0.0357806, 1e-7);
    EXPECT_NEAR(*t.bias_to_noise_ratio, 5.842944, 1e-6);
    EXPECT_FALSE(flagged(t));
    // Without a residual (analysis option 4 or 5) the bias and ratio remain.
    ObservationTest unsolved = test_observation(std::nullopt, 40000.0f, 1.0 / 3.0);
    EXPECT_FALSE(unsolved.normalised_residual);
    EXPECT_TRUE(unsolved.minimal_detectable_bias);
    // r = 0.05: weakly checked; v = 0.004 m is w = 0.004 / (0.005 x 0.2236) = 3.578, flagged.
    ObservationTest weak = test_observation(0.004f, 40000.0f, 0.05);
    EXPECT_EQ(weak.checking, Checking::Weakly);
    EXPECT_NEAR(*weak.normalised_residual, 3.5777088, 1e-6);
    EXPECT_TRUE(flagged(weak));
    // r a little above 1 (rounding; or a line between two fixed stations,
    // r = 1 exactly): its error takes nothing from the adjusted values.
    EXPECT_EQ(*test_observation(0.001f, 40000.0f, 1.0000001).bias_to_noise_ratio, 0.0f);
}

TEST(ObservationTest, NearZeroRedundancyIsNotCheckedAndNothingIsDividedByIt) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    for (double r : {0.0, -1e-7, 0.00099, nan}) {
        ObservationTest t = test_observation(0.01f, 40000.0f, r);
        EXPECT_EQ(t.checking, Checking::Not) << r;
        EXPECT_FALSE(t.normalised_residual || t.minimal_detectable_bias || t.bias_to_noise_ratio) << r;
    }
    EXPECT_EQ(test_observation(0.01f, 40000.0f, 0.001).checking, Checking::Weakly); // the bound itself
    // Above the bound but within its rounding error.
    EXPECT_EQ(test_observation(0.01f, 40000.0f, 0.2, 0.3).checking, Checking::Not);
    EXPECT_EQ(test_observation(0.01f, 40000.0f, 0.2, 0.1).checking, Checking::Checked);
    EXPECT_EQ(test_observation(0.01f, 0.0f, 0.5).checking, Checking::Not); // no weight
}

TEST(Redundancy, OfAnEquationOfThreeUnknownsAndItsRoundingError) {
    // a = (-1, 1, 0.5) on unknowns 1, 2, 3; Q = [2 1 0; 1 2 1; 0 1 4] 1e-4:
    // a'Qa = 2 + 2 + 0.25 x 4 + 2 (-1 + 0 + 0.5) = 4e-4; p = 1000: r = 0.6,
    // and the terms sum in size to p (5 + 2 (1 + 0 + 0.5)) 1e-4 = 0.8.
    const float q[3][3] = {{2e-4f, 1e-4f, 0.0f}, {1e-4f, 2e-4f, 1e-4f}, {0.0f, 1e-4f, 4e-4f}};
    EquationRecord e;
    e.unknown = {2, 0, 3, 1, 0}; // in any slots
    e.coefficient = {1.0f, 0.0f, 0.5f, -1.0f, 0.0f};
    e.weight = 1000.0f;
    Redundancy r = redundancy_number(e, [&](int j, int k) { return q[j - 1][k - 1]; });
    EXPECT_NEAR(r.r, 0.6, 1e-7);
    EXPECT_NEAR(r.terms, 0.8, 1e-7);
    // 16 unknowns, smallest pivot half its diagonal: 4 x 4 x 2^-24 / 0.5 = 2^-19 of the terms.
    EXPECT_DOUBLE_EQ(rounding_error(r, 16, 0.5f), r.terms * std::ldexp(1.0, -19));
    EXPECT_EQ(rounding_error(r, 16, 0.0f), HUGE_VAL);
}

} // namespace
} // namespace quarlo
