// Geoid separations of stations: the geoid file by label and the model.
// Interpolated values worked independently (a short python3 script over the
// committed tables: window, distances, weights D/d_i).
#include "geodesy/geoid.h"

#include "core/records.h"
#include "geodesy/geodcat.h"
#include "support/test_util.h"

#include <gtest/gtest.h>

#include <cmath>

namespace quarlo {
namespace {

using test::TempDir;

constexpr double kD2R = 0.017453292519943;

// Grid coordinates of a position given in degrees (east, south positive).
void grid(const RunContext& ctx, double lon, double south, double& e, double& n) {
    double gamma = 0, k = 0;
    geod01(ctx, e, n, -south * kD2R, lon * kD2R, gamma, k);
}

float separation_at(int zone, double lon, double south, int& ok) {
    RunContext ctx;
    ctx.tmvals.zone_code = zone;
    EXPECT_TRUE(geod00(ctx));
    double e = 0, n = 0;
    grid(ctx, lon, south, e, n);
    float sep = -1.0f;
    ok = -1;
    tgesepa(ctx, e, n, sep, ok);
    return sep;
}

TEST(GeoidSeparation, AnsModelInterpolates) {
    int ok = 0;
    // 16 neighbours within a degree of 148.3 E 35.7 S.
    float sep = separation_at(55, 148.3, 35.7, ok);
    EXPECT_EQ(ok, 1);
    EXPECT_NEAR(sep, 17.6336001f, 2e-5f);
}

TEST(GeoidSeparation, Grs80ZoneUsesTheGrs80Table) {
    int ok = 0;
    // 11 GRS80 neighbours within 0.8 degrees; the ANS table would give 11.655.
    EXPECT_NEAR(separation_at(855, 149.25, 28.25, ok), 32.7766998f, 2e-5f);
    EXPECT_EQ(ok, 1);
    EXPECT_NEAR(separation_at(56, 149.25, 28.25, ok), 11.6551119f, 2e-5f);
    EXPECT_EQ(ok, 1);
}

TEST(GeoidSeparation, StationOnATablePointTakesItsValue) {
    int ok = 0;
    EXPECT_EQ(separation_at(855, 148.8, 28.0, ok), 33.818f);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(separation_at(55, 149.5, 37.5, ok), 17.5f);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(separation_at(856, 150.0, 37.5, ok), 9.839f);
}

TEST(GeoidSeparation, OutsideTheModelOrNoNeighbour) {
    int ok = 1;
    EXPECT_EQ(separation_at(56, 150.0, 27.9, ok), 0.0f);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(separation_at(56, 150.0, 38.1, ok), 0.0f);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(separation_at(54, 139.9, 30.0, ok), 0.0f);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(separation_at(856, 154.1, 30.0, ok), 0.0f);
    EXPECT_EQ(ok, 0);
    // Inside the area, but no GRS80 point within 0.8 degrees.
    EXPECT_EQ(separation_at(854, 142.0, 28.0, ok), 0.0f);
    EXPECT_EQ(ok, 0);
}

// A value x near x0 at which the increasing or decreasing function f gives
// exactly `target`: bisection down to neighbouring doubles, then a scan of
// the doubles around them.
template <typename F>
bool solve_exact(F f, double target, double x0, double& x) {
    double lo = x0 - 1.0, hi = x0 + 1.0;
    bool rising = f(hi) > f(lo);
    for (int i = 0; i < 200; ++i) {
        double mid = lo + (hi - lo) / 2;
        if (mid <= lo || mid >= hi) break;
        if ((f(mid) < target) == rising) lo = mid; else hi = mid;
    }
    x = lo;
    for (int i = 0; i < 100; ++i) x = std::nextafter(x, -1e300);
    for (int i = 0; i < 200; ++i) {
        if (f(x) == target) return true;
        x = std::nextafter(x, 1e300);
    }
    return false;
}

double south_of(const RunContext& ctx, double e, double n) {
    double phi = 0, lambda = 0, gamma = 0, k = 0;
    geod02(ctx, e, n, phi, lambda, gamma, k);
    return -phi * 57.295779513025025;
}

double east_of(const RunContext& ctx, double e, double n) {
    double phi = 0, lambda = 0, gamma = 0, k = 0;
    geod02(ctx, e, n, phi, lambda, gamma, k);
    return lambda * 57.295779513025025;
}

TEST(GeoidSeparation, BoundsOfTheAreaAreInside) {
    RunContext ctx;
    ctx.tmvals.zone_code = 56;
    ASSERT_TRUE(geod00(ctx));
    double e = 0, n0 = 0, n = 0;
    grid(ctx, 150.0, 38.0, e, n0);
    ASSERT_TRUE(solve_exact([&](double v) { return south_of(ctx, e, v); }, 38.0, n0, n));
    float sep = 0;
    int ok = 0;
    tgesepa(ctx, e, n, sep, ok);
    EXPECT_EQ(ok, 1);
    EXPECT_EQ(sep, 11.0f); // the table point (150.0, 38.0)
    // A millimetre further south is outside.
    tgesepa(ctx, e, n - 0.001, sep, ok);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(sep, 0.0f);

    RunContext g;
    g.tmvals.zone_code = 856;
    ASSERT_TRUE(geod00(g));
    double e0 = 0, nn = 0, ee = 0;
    grid(g, 154.0, 30.0, e0, nn);
    ASSERT_TRUE(solve_exact([&](double v) { return east_of(g, v, nn); }, 154.0, e0, ee));
    tgesepa(g, ee, nn, sep, ok);
    EXPECT_EQ(ok, 1);
    EXPECT_NEAR(sep, 32.6612994f, 2e-5f);
    tgesepa(g, ee + 0.001, nn, sep, ok);
    EXPECT_EQ(ok, 0);
}

TEST(GeoidSeparation, NoMapZoneGivesNoValue) {
    RunContext ctx;
    float sep = 5;
    int ok = 5;
    tgesepa(ctx, 300000.0, 6000000.0, sep, ok);
    EXPECT_EQ(ok, 0);
    EXPECT_EQ(sep, 0.0f);
}

// --- the geoid file --------------------------------------------------------

struct GeoidFile {
    TempDir dir;
    RunContext ctx;
    explicit GeoidFile(const std::string& content) {
        test::write_file("geoid.dat", content);
        EXPECT_TRUE(ctx.files.unit20.open("geoid.dat", SeqFile::Mode::Old));
        EXPECT_TRUE(ctx.files.unit18.open("quarlo18.wrk", kLabelRecordLength));
    }
    void label(int n, const std::string& text) { write_label(ctx.files.unit18, n, FixedText<12>(text), 0.0f); }
};

// label (1-12), N (14-20), value 2 (22-27), value 3 (29-34).
const char* const kGeoidDat =
    "TRIG ALPHA    22.345 1.2345 -0.50\n"
    "PM 12345          19  0.5     7\n"
    "BAD N        2x.5    1.0    1.0\n"
    "             99.000  1.0    1.0\n"
    "LAST ONE      -3.25\n";

TEST(GeoidFileSearch, FoundLabelsAndRewinds) {
    GeoidFile g(kGeoidDat);
    g.label(1, "TRIG ALPHA");
    g.label(2, "PM 12345");
    g.label(3, "LAST ONE");
    int found = 0;
    float n = 0, v2 = 0, v3 = 0;
    // Searched out of order: each search starts from the top again.
    tgeoidfile(g.ctx, found, 3, n, v2, v3);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(n, -3.25f);
    EXPECT_EQ(v2, 0.0f);
    EXPECT_EQ(v3, 0.0f);
    tgeoidfile(g.ctx, found, 1, n, v2, v3);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(n, 22.345f);
    EXPECT_EQ(v2, 1.2345f);
    EXPECT_EQ(v3, -0.5f);
    // A whole number without a point.
    tgeoidfile(g.ctx, found, 2, n, v2, v3);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(n, 19.0f);
    EXPECT_EQ(v2, 0.5f);
    EXPECT_EQ(v3, 7.0f);
}

TEST(GeoidFileSearch, MissingLabelThenFoundAgain) {
    GeoidFile g(kGeoidDat);
    g.label(1, "TRIG ALPHA");
    g.label(4, "NOWHERE");
    int found = 1;
    float n = 9, v2 = 4, v3 = 4;
    tgeoidfile(g.ctx, found, 4, n, v2, v3);
    EXPECT_EQ(found, 0);
    EXPECT_EQ(n, 0.0f);
    // The file was rewound after the failed search.
    tgeoidfile(g.ctx, found, 1, n, v2, v3);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(n, 22.345f);
}

TEST(GeoidFileSearch, UnreadableValueOrNoLabel) {
    GeoidFile g(kGeoidDat);
    g.label(5, "BAD N");
    g.label(1, "TRIG ALPHA");
    int found = 1;
    float n = 9, v2 = 0, v3 = 0;
    tgeoidfile(g.ctx, found, 5, n, v2, v3);
    EXPECT_EQ(found, 0);
    EXPECT_EQ(n, 0.0f);
    // Station 6 has no label: the blank-label line is not its line.
    tgeoidfile(g.ctx, found, 6, n, v2, v3);
    EXPECT_EQ(found, 0);
    EXPECT_EQ(n, 0.0f);
    tgeoidfile(g.ctx, found, 1, n, v2, v3);
    EXPECT_EQ(found, 1);
    EXPECT_EQ(n, 22.345f);
}

} // namespace
} // namespace quarlo
