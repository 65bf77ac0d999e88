// Observation equations: the distance reduction, the zenith reductions, the
// refraction unknowns under each option and the equation records a pass
// leaves for the solution. The figures were computed independently in
// double precision by tools/zenith_reference.py ("units"); the unknown
// numbers were worked by hand. The usual paths of the reductions are
// checked through the equation listings of the whole-run cases; here only
// the short and degenerate ones.
#include "adjust/trlev2.h"
#include "adjust/vobseqn.h"
#include "adjust/zenith_reduction.h"
#include "adjust_fixture.h"
#include "pelmo_routines/spdcor.h"

#include <gtest/gtest.h>

using namespace quarlo;
using namespace quarlo::test;

namespace {

struct Corrections {
    double slope = 9.0, msl = 9.0, ecc = 9.0, chord = 9.0;
};

Corrections reduce(double s, double h1, double h2) {
    Corrections c;
    spdcor(s, 6370100.0, 0.0, h1, h2, c.slope, c.msl, c.ecc, c.chord);
    return c;
}

// Three stations (fixed, free with a height standard deviation, free
// without co-ordinates), four zenith distances of which the second is the
// reciprocal partner of the first and the last two share a set-up, and two
// height differences.
struct EquationRun : AdjustRun {
    explicit EquationRun(int refraction_option) {
        auto& ctx = c();
        ctx.option.refraction_option = refraction_option;
        ctx.option.run_status = 1; // analysis option 0
        ctx.rec01.required_stage = 2;
        ctx.rec01.zenith_co_limit = 600.0f;
        ctx.rec01.height_difference_co_limit = 10.0f;
        ctx.rec01.refraction_standard_deviation = 10.0f;
        StationRecord two = station(2, kHeightGiven, 112.5f, 1000.0, 1600.0);
        two.height_sd = 0.02f;
        stations = {station(1, kFixed, 100.0f, 1000.0, 1000.0), two, station(3, kHeightGiven, 95.25f)};
        ZenithRecord z1 = zenith(1, 2, deg(88, 48, 30.0), 0.0, 1.5f, 1.7f);
        ZenithRecord z2 = zenith(2, 1, deg(91, 11, 40.0), 0.0, 1.6f, 1.5f, 0.13f);
        z2.reciprocal = 1;
        z2.refraction_set = 2;
        ZenithRecord z3 = zenith(1, 3, deg(91, 6, 44.0), 250.0, 1.5f, 1.4f);
        ZenithRecord z4 = zenith(1, 2, deg(88, 48, 35.0), 0.0, 1.5f, 1.7f);
        z4.refraction_set = 0;
        zeniths = {z1, z2, z3, z4};
        differences = {height_diff(1, 3, -4.75f), height_diff(3, 2, 17.3f)};
        write();
        ctx.numbrs.number_of_height_observations = 1;
    }
    void pass() {
        trlev2(c());
        vobseqn(c());
    }
    EquationRecord equation(int k) { return read_equation(c().files.unit1, 1000 + k); }
};

void expect_record(const EquationRecord& e, std::array<int, 5> unknowns, std::array<float, 5> coefficients,
                   float misclosure, float weight, int from, int to, int set, double distance) {
    for (std::size_t s = 0; s < 5; ++s) {
        EXPECT_EQ(e.unknown[s], unknowns[s]) << "slot " << s + 1;
        EXPECT_NEAR(e.coefficient[s], coefficients[s], 2e-6 * std::fabs(coefficients[s])) << "slot " << s + 1;
    }
    EXPECT_NEAR(e.misclosure, misclosure, 1e-5 * std::fabs(misclosure) + 1e-9);
    EXPECT_FLOAT_EQ(e.weight, weight);
    EXPECT_EQ(e.from_position, from);
    EXPECT_EQ(e.to_position, to);
    EXPECT_EQ(e.refraction_set, set);
    EXPECT_NEAR(e.distance, distance, 1e-9);
}

} // namespace

// Up to 15 metres the slope correction goes through the root and the
// horizontal length is first taken to sea level.
TEST(Spdcor, ShortDistanceThroughTheRoot) {
    Corrections c = reduce(12.0, 100.5, 103.7);
    EXPECT_NEAR(c.slope, -0.4345341641592313, 1e-13);
    EXPECT_NEAR(c.msl, -0.00017813480149426821, 1e-15);
    EXPECT_EQ(c.ecc, 0.0);
    EXPECT_NEAR(c.chord, 1.5884942529168257e-12, 1e-20);
}

// A line cannot rise by its own length: every correction is 0, whatever an
// earlier call left.
TEST(Spdcor, RiseOfTheWholeLengthLeavesTheDistance) {
    double slope = 1.0, msl = 1.0, ecc = 1.0, chord = 1.0;
    spdcor(850.0, 6370100.0, 0.0, 250.0, 180.0, slope, msl, ecc, chord);
    spdcor(5.0, 6370100.0, 0.0, 0.0, 5.0, slope, msl, ecc, chord);
    EXPECT_EQ(slope, 0.0);
    EXPECT_EQ(msl, 0.0);
    EXPECT_EQ(ecc, 0.0);
    EXPECT_EQ(chord, 0.0);
    Corrections c = reduce(5.0, 10.0, 4.0);
    EXPECT_EQ(c.slope + c.msl + c.ecc + c.chord, 0.0);
}

TEST(ZenithReduction, BelowFiftyMetresExactly) {
    EXPECT_NEAR(reduce_to_marks(deg(89, 30, 0.0), -0.5, 30.0), 1.5787359588343997, 1e-14);
}

// Slot 2 of the four zenith equations: the network coefficient; one per
// occupied station; one per refraction set; one per observation. The
// reciprocal partner always shares the coefficient of the one before it.
TEST(RefractionUnknowns, EachOptionWithAReciprocalPair) {
    struct Expected {
        int option;
        std::array<int, 4> slot2;
        int matrix_size;
        int constraints;
    };
    for (const Expected& x : {Expected{0, {3, 3, 3, 3}, 3, 1}, Expected{1, {1, 1, 1, 1}, 3, 1},
                              Expected{2, {1, 1, 2, 2}, 4, 2}, Expected{3, {1, 1, 2, 3}, 5, 3}}) {
        SCOPED_TRACE(x.option);
        EquationRun r(x.option);
        r.pass();
        for (int k = 1; k <= 4; ++k) EXPECT_EQ(r.equation(k).unknown[1], x.slot2[static_cast<std::size_t>(k - 1)]);
        EXPECT_EQ(r.c().numbrs.matrix_size, x.matrix_size);
        EXPECT_EQ(r.c().numbrs.number_of_refraction_constraints, x.constraints);
        EXPECT_EQ(r.c().numbrs.number_of_reciprocal_equations, 1);
    }
}

// The records of a pass, as the solution reads them (one K per
// observation; the partner uses the K of the first of the pair).
TEST(EquationRecords, WrittenForTheSolution) {
    EquationRun r(3);
    r.pass();
    const auto& nb = r.c().numbrs;
    EXPECT_EQ(nb.number_of_height_observation_equations, 1);
    EXPECT_EQ(nb.number_of_refraction_constraints, 3);
    EXPECT_EQ(nb.number_of_equations, 10);
    EXPECT_EQ(nb.band_width, 4);

    expect_record(r.equation(1), {0, 1, 4, 0, 0}, {0.0f, -0.0194280911f, -343.619812f, 0, 0}, 66.7641373f, 0.04f, 1,
                  2, 1, 600.0);
    expect_record(r.equation(2), {4, 1, 0, 0, 0}, {343.619812f, -0.0194280911f, 0, 0, 0}, -39.3041801f, 0.04f, 2, 1,
                  2, 600.0);
    expect_record(r.equation(3), {0, 2, 5, 0, 0}, {0.0f, -0.00809503812f, -824.74884f, 0, 0}, -0.496043086f, 0.04f,
                  1, 3, 1, 250.0);
    expect_record(r.equation(5), {0, 5, 0, 0, 0}, {0, 1.0f, 0, 0, 0}, 0.0f, 10000.0f, 1, 3, 0, 0.0);
    expect_record(r.equation(6), {5, 4, 0, 0, 0}, {-1.0f, 1.0f, 0, 0, 0}, 0.0499992371f, 10000.0f, 3, 2, 0, 0.0);
    expect_record(r.equation(7), {4, 0, 0, 0, 0}, {1.0f, 0, 0, 0, 0}, 0.0f, 2500.0f, 2, 0, 0, 0.0);
    for (int k = 8; k <= 10; ++k)
        expect_record(r.equation(k), {k - 7, 0, 0, 0, 0}, {1.0f, 0, 0, 0, 0}, 0.0f, 0.01f, 1, 0, 0, 0.0);
    // The refraction register holds each station's first unknown again.
    EXPECT_EQ(r.c().stnfst.refraction_register(1), 1);
    EXPECT_EQ(r.c().stnfst.refraction_register(2), 4);
    EXPECT_EQ(r.c().stnfst.refraction_register(3), 5);
}

// A misclosure equal to the limit is too large: the run stops and the
// equation is not written. (The fourth zenith distance has the largest.)
TEST(EquationRecords, MisclosureAtTheLimitIsRejected) {
    float m = 0.0f;
    {
        EquationRun r(0);
        r.pass();
        m = r.equation(4).misclosure;
    }
    EquationRun r(0);
    r.c().rec01.zenith_co_limit = m;
    EXPECT_THROW(r.pass(), FatalStop);
    EXPECT_GT(r.equation(1).weight, 0.0f);
    EXPECT_EQ(r.equation(4).weight, 0.0f);
    EXPECT_EQ(r.lines_with("*** (C-O) VALUE TOO LARGE ***").size(), 1u);
    EXPECT_EQ(r.lines_with("*** JOB STOPPED BECAUSE OF   1 ERROR  ***").size(), 1u);
}

// The constraint misclosures are 0 in the first iteration and carried from
// the files of the previous iteration in later ones.
TEST(EquationRecords, ConstraintMisclosuresAfterTheFirstIteration) {
    EquationRun r(3);
    auto& ctx = r.c();
    ctx.rec01.iteration_total = 2;
    ctx.rec01.pass_countdown = 2;
    ctx.files.unit14.open("quarlo14.wrk", 4);
    ctx.files.unit15.open("quarlo15.wrk", 4);
    auto put = [](DirectFile& f, int rec, float v) {
        Record value(4);
        value.set_f32(0, v);
        f.write(rec, value);
    };
    put(ctx.files.unit14, 1, 0.012f);
    put(ctx.files.unit15, 1, 1.5f);
    put(ctx.files.unit15, 2, -2.25f);
    put(ctx.files.unit15, 3, 0.75f);

    r.pass();
    for (int k = 7; k <= 10; ++k) EXPECT_EQ(r.equation(k).misclosure, 0.0f) << k;

    ctx.rec01.pass_countdown = 1;
    r.pass();
    EXPECT_EQ(r.equation(7).misclosure, 0.012f);
    EXPECT_EQ(r.equation(8).misclosure, 1.5f);
    EXPECT_EQ(r.equation(9).misclosure, -2.25f);
    EXPECT_EQ(r.equation(10).misclosure, 0.75f);
    EXPECT_EQ(ctx.numbrs.number_of_equations, 10);
}

// A distance given as 0 is no distance: the grid gives it where both
// stations have co-ordinates, else the observation is in error.
TEST(EquationRecords, DistanceOfZeroIsNoDistance) {
    EquationRun r(3);
    ZenithRecord z1 = read_zenith(r.c().files.unit9, 4);
    z1.distance_supplied = 1;
    write_zenith(r.c().files.unit9, 4, z1);
    ZenithRecord z3 = read_zenith(r.c().files.unit9, 6);
    z3.distance = 0.0;
    write_zenith(r.c().files.unit9, 6, z3);
    EXPECT_THROW(r.pass(), FatalStop);
    EXPECT_NEAR(r.equation(1).distance, 600.0, 1e-9);
    EXPECT_NEAR(r.equation(1).misclosure, 66.7641373f, 1e-3);
    EXPECT_EQ(r.equation(3).weight, 0.0f);
    EXPECT_EQ(r.lines_with("*** DISTANCE BETWEEN STATIONS NOT SUPPLIED ***").size(), 1u);
}
