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
    void collect() {
        const float third = 1.0f / (3.0f * 40000.0f);
        collect_results(c(), inverse({{{1, 1}, 2 * third}, {{1, 2}, third}, {{2, 2}, 2 * third}}));
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
        EXPECT_NEAR(*o.redundancy_number, 1.0 / 3.0, 1e-6) << i;
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
}

TEST(CollectResults, WithoutTheInverseNoPrecisionsAndWithoutASolutionNoResiduals) {
    LoopRun adjustment_only;
    adjustment_only.c().option.run_status = 1; // analysis option 0
    adjustment_only.collect();
    const RunResults& r = adjustment_only.c().results;
    EXPECT_FALSE(r.summary.inverse);
    EXPECT_FALSE(r.summary.variance_factor_used);
    EXPECT_FALSE(r.stations[1].sd);
    EXPECT_FALSE(r.observations[0].redundancy_number);
    EXPECT_TRUE(r.observations[0].residual);

    LoopRun unsolved;
    unsolved.c().option.run_status = 5; // analysis option 4: nothing back-substituted
    unsolved.collect();
    const RunResults& u = unsolved.c().results;
    EXPECT_FALSE(u.summary.solved);
    EXPECT_FALSE(u.summary.pvv);
    EXPECT_FALSE(u.stations[1].correction);
    EXPECT_FLOAT_EQ(u.stations[1].height, 105.25f);
    EXPECT_FALSE(u.observations[0].residual);
    // The precisions use the factor 1 without a residual analysis.
    EXPECT_FLOAT_EQ(*u.summary.variance_factor_used, 1.0f);
    EXPECT_NEAR(*u.stations[1].sd, std::sqrt(2.0 / 120000.0), 1e-8);
}

// A fixed station with its own refraction coefficient (unknown 1), a free
// station (unknown 2) and the two rotation parameters (unknowns 3 and 4),
// in label mode in zone 856.
TEST(CollectResults, RefractionCoefficientsRotationLabelsAndWgs84Positions) {
    AnalysisRun run;
    auto& ctx = run.c();
    ctx.rec01.label_mode = 1;
    ctx.option.run_status = 2; // analysis option 1
    ctx.option.refraction_option = 1;
    ctx.option.rotation_option = 2;
    ctx.option.precision_option = 0; // a-priori precisions: F = 1
    ctx.tmvals.zone_code = 856;
    ASSERT_TRUE(geod00(ctx));
    run.label(7, "TS ALPHA");
    run.label(8, "BM <8>");
    run.eqn = {numbered_station(7, kFixed, 1, 100.0f, 332795.4917, 6291830.8611, "ALPHA"),
               numbered_station(8, kHeightGiven, 2, 50.0f, 333295.4917, 6291830.8611, "EIGHT")};
    run.zeniths = {test::zenith_k(1007, 8, 0.067f)}; // K as the adjusted values left it
    run.zeniths[0].instrument_height = 1.5f;
    run.zeniths[0].target_height = 2.0f;
    run.lay_out();
    run.counts(1, 0, 0, 1);
    run.equation(1, {0, 1, 2}, {0.0f, -0.5f, -40.0f}, 3.0f, 0.04f, 1, 2, 1, 500.0);
    run.equation(2, {1}, {1.0f}, 0.0f, 0.01f, 1); // the refraction constraint
    run.solution({2.0f, 0.05f, 0.1f, -0.2f});
    ctx.rotation = {0.011f, -0.002f, 0.001f, -0.002f};
    collect_results(ctx, inverse({{{1, 1}, 4.0f}, {{2, 2}, 1e-4f}, {{3, 3}, 0.25f}, {{4, 4}, 0.16f}}));
    const RunResults& r = ctx.results;

    ASSERT_EQ(r.stations.size(), 2u);
    EXPECT_EQ(*r.stations[0].label, "TS ALPHA");
    EXPECT_EQ(*r.stations[1].label, "BM <8>");
    EXPECT_FALSE(r.stations[0].correction); // a fixed height, though it has an unknown
    EXPECT_FLOAT_EQ(r.stations[1].height, 50.05f);
    EXPECT_NEAR(*r.stations[1].sd, 0.01, 1e-7);
    // tools/wgs84_reference.py: zone 856 at (332795.4917, 6291830.8611).
    EXPECT_TRUE(r.wgs84);
    EXPECT_NEAR(*r.stations[0].longitude, 151.19999999963641, 1e-8);
    EXPECT_NEAR(*r.stations[0].latitude, -33.500000000302297, 1e-8);

    ASSERT_EQ(r.observations.size(), 2u);
    const ObservationResult& z = r.observations[0];
    EXPECT_EQ(z.kind, ObservationKind::ZenithDistance);
    EXPECT_EQ(z.setup, 1);
    EXPECT_NEAR(*z.as_given, 1.5 * 180.0 / 3.141592653589793, 1e-12);
    // Reduced to the marks over 500 m: 1.5 + 0.5 sin^2(1.5) / 500 radians;
    // computed: 3 seconds less.
    EXPECT_NEAR(*z.observed, 86.00067835528245, 1e-12);
    EXPECT_NEAR(*z.computed, 85.9998450219491, 1e-12);
    // v = -0.5 x 2 - 40 x 0.05 - 3 = -6 seconds; w = v x 0.2.
    EXPECT_FLOAT_EQ(*z.residual, -6.0f);
    EXPECT_FLOAT_EQ(*z.standardised_residual, -1.2f);
    // r = 1 - 0.04 (0.25 x 4 + 1600 x 1e-4) = 0.9536
    EXPECT_NEAR(*z.redundancy_number, 0.9536, 1e-6);
    EXPECT_EQ(r.observations[1].kind, ObservationKind::RefractionConstraint);
    EXPECT_EQ(r.observations[1].unknown, 1);

    ASSERT_EQ(r.refraction.size(), 1u);
    const RefractionResult& k = r.refraction[0];
    EXPECT_EQ(k.unknown, 1);
    EXPECT_EQ(k.station, 1);
    EXPECT_EQ(k.observation, 1);
    EXPECT_FLOAT_EQ(k.k, 0.067f);
    EXPECT_FLOAT_EQ(*k.correction, 0.002f);
    EXPECT_FLOAT_EQ(*k.sd, 0.002f);

    ASSERT_TRUE(r.rotation);
    EXPECT_FLOAT_EQ(r.rotation->phi, 0.011f);
    EXPECT_FLOAT_EQ(r.rotation->omega_correction, -0.002f);
    EXPECT_FLOAT_EQ(*r.rotation->phi_sd, 0.005f);
    EXPECT_FLOAT_EQ(*r.rotation->omega_sd, 0.004f);
}

} // namespace
} // namespace quarlo
