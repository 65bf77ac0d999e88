// The results model read from the work files and the solution. The loop of
// three height differences is worked by hand: x = (1/300, 2/300) metres,
// Q = N^-1 = [[2, 1], [1, 2]] / (3 x 40000), every residual 1/300 m in
// magnitude, every redundancy number 1/3, pvv = 4/3 on one degree of
// freedom.
#include "results/collect_results.h"

#include "geodesy/geodcat.h"
#include "results/results_fixture.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>

namespace quarlo {
namespace {

using test::AnalysisRun;
using test::height_diff;
using test::numbered_station;

// A symmetric inverse given by its upper triangle.
InverseElement inverse(std::map<std::pair<int, int>, float> q) {
    return [q](int j, int k) {
        auto it = q.find({std::min(j, k), std::max(j, k)});
        return it == q.end() ? 0.0f : it->second;
    };
}

struct LoopRun : AnalysisRun {
    LoopRun() {
        auto& ctx = c();
        ctx.option.run_status = 3; // analysis option 2
        ctx.nearea.solved = true;
        ctx.option.precision_option = 1;
        ctx.factor.variance_factor = 4.0f / 3.0f; // as the residual analysis left it
        eqn = {numbered_station(1, kFixed, 0, 100.0f, 1000.0, 2000.0, "TRIG ALPHA"),
               numbered_station(2, kHeightGiven, 1, 105.25f, 1500.0, 2000.0, "BRAVO   "),
               numbered_station(3, kHeightGiven, 2, 107.25f, 0.0, 0.0, "CHARLIE")};
        eqn[2].coordinates_flag = 0;
        differences = {height_diff(1, 2, 5.25f), height_diff(2, 3, 2.0f), height_diff(1, 3, 7.26f)};
        lay_out();
        counts(0, 3);
        // Height differences: -1 for the from-station, +1 for the to-station.
        equation(1, {0, 1}, {-1.0f, 1.0f}, 0.0f, 40000.0f, 1, 2, 0, 500.0);
        equation(2, {1, 2}, {-1.0f, 1.0f}, 0.0f, 40000.0f, 2, 3);
        equation(3, {0, 2}, {-1.0f, 1.0f}, 0.01f, 40000.0f, 1, 3);
        solution({1.0f / 300.0f, 2.0f / 300.0f});
        c().numbrs.band_width = 1;
    }
    // The tests of the run's end, then the results model.
    void collect() {
        const float third = 1.0f / (3.0f * 40000.0f);
        InverseElement q = inverse({{{1, 1}, 2 * third}, {{1, 2}, third}, {{2, 2}, 2 * third}});
        test_adjustment(c(), q);
        collect_results(c(), q);
    }
};

TEST(CollectResults, LevellingLoopWorkedByHand) {
    LoopRun run;
    run.collect();
    const RunResults& r = run.c().results;
    ASSERT_TRUE(r.complete);
    EXPECT_EQ(r.job_name, "NET1");
    EXPECT_FALSE(r.wgs84); // local grid

    ASSERT_EQ(r.stations.size(), 3u);
    const StationResult& a = r.stations[0];
    EXPECT_EQ(a.name, "TRIG ALPHA");
    EXPECT_TRUE(a.fixed);
    EXPECT_FALSE(a.correction);
    EXPECT_FALSE(a.sd);
    EXPECT_FALSE(a.label); // number mode
    EXPECT_FALSE(a.longitude);
    const StationResult& b = r.stations[1];
    EXPECT_EQ(b.name, "BRAVO"); // trailing blanks cut
    EXPECT_FLOAT_EQ(b.provisional_height, 105.25f);
    EXPECT_FLOAT_EQ(*b.correction, 1.0f / 300.0f);
    EXPECT_FLOAT_EQ(b.height, 105.25f + 1.0f / 300.0f);
    // sqrt(q11 F) = sqrt(2/120000 x 4/3) = 0.0047140452
    EXPECT_NEAR(*b.sd, 0.0047140452, 1e-8);
    EXPECT_FALSE(r.stations[2].has_coordinates);

    ASSERT_EQ(r.observations.size(), 3u);
    const double expected_v[] = {1.0 / 300.0, 1.0 / 300.0, -1.0 / 300.0};
    for (std::size_t i = 0; i < 3; ++i) {
        const ObservationResult& o = r.observations[i];
        EXPECT_EQ(o.kind, ObservationKind::HeightDifference);
        EXPECT_EQ(o.number, static_cast<int>(i) + 1);
        EXPECT_NEAR(*o.residual, expected_v[i], 1e-8) << i;
        EXPECT_NEAR(*o.standardised_residual, expected_v[i] * 200.0, 1e-5) << i;
        EXPECT_NEAR(*o.redundancy_number(), 1.0 / 3.0, 1e-6) << i;
    }
    // Computed from the heights of the last iteration; observed = computed + misclosure.
    EXPECT_FLOAT_EQ(*r.observations[2].as_given, 7.26f);
    EXPECT_NEAR(*r.observations[2].computed, 7.25, 1e-9);
    EXPECT_NEAR(*r.observations[2].observed, 7.26, 1e-7);
    EXPECT_EQ(r.observations[0].from, 1);
    EXPECT_EQ(r.observations[0].to, 2);
    EXPECT_EQ(r.observations[0].distance, 500.0);

    const ResultSummary& s = r.summary;
    EXPECT_EQ(s.equations, 3);
    EXPECT_EQ(s.unknowns, 2);
    EXPECT_EQ(s.degrees_of_freedom, 1);
    EXPECT_EQ(s.fixed_stations, 1);
    EXPECT_NEAR(*s.pvv, 4.0 / 3.0, 1e-5);
    EXPECT_NEAR(*s.variance_factor, 4.0 / 3.0, 1e-5);
    EXPECT_FLOAT_EQ(*s.variance_factor_used, 4.0f / 3.0f);
    EXPECT_TRUE(s.solved);
    EXPECT_TRUE(s.inverse);
    EXPECT_TRUE(r.refraction.empty());
    EXPECT_FALSE(r.rotation);

    // The tests: pvv = 4/3 on one degree of freedom lies within 0.00098 to
    // 5.02; each observation, sigma 0.005 m and r = 1/3, has w = v / (0.005
    // sqrt(1/3)) = +-2/sqrt(3), and the first of the equal ones is the
    // largest.
    const AdjustmentTests& t = r.tests;
    ASSERT_TRUE(t.global);
    EXPECT_NEAR(t.global->statistic, 4.0 / 3.0, 1e-5);
    EXPECT_TRUE(t.global->accepted());
    EXPECT_TRUE(t.reliability);
    EXPECT_EQ(t.flagged + t.weakly_checked + t.not_checked, 0);
    EXPECT_EQ(t.largest_code, 1);
    EXPECT_NEAR(t.largest, 2.0 / std::sqrt(3.0), 1e-5);
    for (std::size_t i = 0; i < 3; ++i) {
        const ObservationTest& o = *r.observations[i].test;
        EXPECT_NEAR(*o.normalised_residual, (i < 2 ? 2.0 : -2.0) / std::sqrt(3.0), 1e-5) << i;
        EXPECT_NEAR(*o.minimal_detectable_bias, 0.0357806, 1e-7) << i;
    }
}

TEST(CollectResults, WithoutTheInverseNoPrecisionsAndWithoutASolutionNoResiduals) {
    LoopRun adjustment_only;
    adjustment_only.c().option.run_status = 1; // analysis option 0
    adjustment_only.collect();
    const RunResults& r = adjustment_only.c().results;
    EXPECT_FALSE(r.summary.inverse);
    EXPECT_FALSE(r.summary.variance_factor_used);
    EXPECT_FALSE(r.stations[1].sd);
    EXPECT_FALSE(r.observations[0].redundancy_number());
    EXPECT_TRUE(r.observations[0].residual);
    EXPECT_TRUE(r.tests.global); // the global test needs no inverse
    EXPECT_FALSE(r.tests.reliability);

    LoopRun unsolved;
    unsolved.c().option.run_status = 5; // analysis option 4: nothing back-substituted
    unsolved.c().nearea.solved = false;
    unsolved.collect();
    const RunResults& u = unsolved.c().results;
    EXPECT_FALSE(u.summary.solved);
    EXPECT_FALSE(u.summary.pvv);
    EXPECT_FALSE(u.stations[1].correction);
    EXPECT_FLOAT_EQ(u.stations[1].height, 105.25f);
    EXPECT_FALSE(u.observations[0].residual);
    EXPECT_FALSE(u.tests.global); // no residuals, no global test
    EXPECT_FALSE(u.observations[0].normalised_residual());
    EXPECT_TRUE(u.observations[0].test->minimal_detectable_bias);
    // The precisions use the factor 1 without a residual analysis.
    EXPECT_FLOAT_EQ(*u.summary.variance_factor_used, 1.0f);
    EXPECT_NEAR(*u.stations[1].sd, std::sqrt(2.0 / 120000.0), 1e-8);
}

} // namespace
} // namespace quarlo
