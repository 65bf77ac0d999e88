// Height differences from coordinate differences, and the zenith-distance
// record. The coordinate differences and expected heights come from
// tools/geodesy_reference.py: the stations are placed with an exact inverse
// Transverse Mercator and 40-digit geodetic conversions.
#include "geodesy/crdiff2.h"

#include "core/records.h"
#include "geodesy/geodcat.h"
#include "support/test_util.h"

#include <gtest/gtest.h>

namespace quarlo {
namespace {

using test::TempDir;
using test::TestRun;

constexpr double kE1 = 332795.4917, kN1 = 6291830.8611;
constexpr double kE2 = 342000.0, kN2 = 6300000.0;
// Station 2 of the 12 km line: height 137.25, geoid separation 20.5, from
// station 1 at height 100.0 with separation 20.0, on GRS80 in zone 856.
constexpr double kDx = -8394.9558823031063, kDy = -6049.5741937928334, kDz = 6664.4994384888892;

void set_zone(RunContext& ctx, int code) {
    ctx.tmvals.zone_code = code;
    ASSERT_TRUE(geod00(ctx));
}

TEST(Crdiff2Height, GRS80ZoneAppliesNoDatumChange) {
    RunContext ctx;
    set_zone(ctx, 856);
    float dh = 0;
    crdiff2(ctx, 0, 0, kDx, kDy, kDz, kE1, kN1, kE2, kN2, 20.0f, 20.5f, 100.0f, dh);
    EXPECT_NEAR(dh, 37.25f, 5e-5f);
}

TEST(Crdiff2Height, Zone855) {
    RunContext ctx;
    set_zone(ctx, 855);
    float dh = 0;
    crdiff2(ctx, 0, 0, -8878.5691707616187, -5210.0689978208783, 6746.9944677276852, kE1, kN1, kE2, kN2, 20.0f,
            20.5f, 100.0f, dh);
    EXPECT_NEAR(dh, -112.5f, 5e-5f);
}

TEST(Crdiff2Height, AnsZoneCarriesStationOneAcrossAndBack) {
    RunContext ctx;
    set_zone(ctx, 56);
    float dh = 0;
    crdiff2(ctx, 0, 0, kDx, kDy, kDz, kE1, kN1, kE2, kN2, 20.0f, 20.5f, 100.0f, dh);
    // Worked independently: ANS station 1, direction 1, the differences
    // added, direction 2, height above ANS less the separation.
    EXPECT_NEAR(dh, 37.295034f, 5e-5f);
}

TEST(Crdiff2Height, NoMapZoneStopsTheRunAsADataError) {
    TempDir dir;
    TestRun run;
    run.open_report();
    float dh = 1.0f;
    try {
        crdiff2(run.c(), 1, 2, kDx, kDy, kDz, kE1, kN1, kE2, kN2, 20.0f, 20.5f, 100.0f, dh);
        FAIL() << "no stop";
    } catch (const FatalStop& stop) {
        EXPECT_EQ(stop.console_message(), " Errors in data");
        EXPECT_EQ(stop.exit_status(), kExitDataErrors);
    }
    EXPECT_EQ(run.c().reginf.data_error_flag, -1);
    bool seen = false;
    for (const std::string& line : run.report())
        if (test::cols(line, 40, 50) == "*** COORDINATE DIFFERENCE DATA NEED A MAP ZONE ***") seen = true;
    EXPECT_TRUE(seen);
}

// The 1.2 km line whose equivalent zenith distance is 92 05 07.30 (to
// 0.0004") with K = 0.065; slope distance 1237.8563.
constexpr double kE3 = kE1 + 1200.0, kN3 = kN1 + 300.0;
constexpr double kZx = -682.29489576170571, kZy = -1000.1154043356105, kZz = 257.93600563363521;

struct ZenithRun {
    TempDir dir;
    RunContext ctx;
    ZenithRun(int label_mode) {
        ctx.tmvals.zone_code = 856;
        EXPECT_TRUE(geod00(ctx));
        ctx.rec01.label_mode = label_mode;
        ctx.rec01.default_refraction = 0.065f;
        ctx.option.zenith_distance_switch = 1;
        ctx.ioarea.prtlin.blank();
        EXPECT_TRUE(ctx.files.unit17.open("job.zen", SeqFile::Mode::Replace));
    }
    float run(int n1, int n2) {
        float dh = 0;
        crdiff2(ctx, n1, n2, kZx, kZy, kZz, kE1, kN1, kE3, kN3, 20.0f, 19.5f, 100.0f, dh);
        return dh;
    }
    std::vector<std::string> lines() {
        ctx.files.unit17.close();
        return test::read_lines("job.zen");
    }
};

TEST(Crdiff2Zenith, NumberModeRecord) {
    ZenithRun z(0);
    float dh = z.run(7, 12);
    EXPECT_NEAR(dh, -44.9385f, 5e-5f);
    auto lines = z.lines();
    ASSERT_EQ(lines.size(), 1u);
    std::string expected = "23   7   12  920507.3         1237.856S";
    expected.resize(80, ' ');
    EXPECT_EQ(lines[0], expected);
    // Columns 13-21: a blank, 9, 2, 0, 5, 0, 7, a point, 3.
    EXPECT_EQ(test::cols(lines[0], 13, 9), " 920507.3");
    EXPECT_EQ(test::cols(lines[0], 22, 3), "   ");
    // The print line is left blank.
    EXPECT_TRUE(z.ctx.ioarea.prtlin.is_blank());
}

TEST(Crdiff2Zenith, LabelModeRecord) {
    ZenithRun z(1);
    ASSERT_TRUE(z.ctx.files.unit18.open("quarlo18.wrk", kLabelRecordLength));
    write_label(z.ctx.files.unit18, 7, FixedText<12>("TRIG ALPHA"), 0.0f);
    write_label(z.ctx.files.unit18, 12, FixedText<12>("PM 12345"), 0.0f);
    z.run(7, 12);
    auto lines = z.lines();
    ASSERT_EQ(lines.size(), 1u);
    std::string expected = "zen TRIG ALPHA    PM 12345      920507.3         1237.856S";
    expected.resize(80, ' ');
    EXPECT_EQ(lines[0], expected);
    EXPECT_EQ(test::cols(lines[0], 32, 9), " 920507.3");
    EXPECT_EQ(test::cols(lines[0], 41, 3), "   ");
}

TEST(Crdiff2Zenith, OneNumberEnoughButNeitherMeansNoRecord) {
    ZenithRun z(0);
    z.run(0, 0);
    z.run(0, 12);
    auto lines = z.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(test::cols(lines[0], 1, 12), "23   0   12 ");
}

TEST(Crdiff2Zenith, SwitchOffOrFileClosedWritesNothing) {
    ZenithRun z(0);
    z.ctx.option.zenith_distance_switch = 0;
    z.run(7, 12);
    EXPECT_TRUE(z.lines().empty());

    ZenithRun closed(0);
    closed.ctx.files.unit17.close();
    EXPECT_NEAR(closed.run(7, 12), -44.9385f, 5e-5f);
}

TEST(Crdiff2Zenith, CallersPrintLineIsKept) {
    ZenithRun z(0);
    z.ctx.ioarea.prtlin.set("LISTING LINE IN PROGRESS");
    z.run(7, 12);
    EXPECT_EQ(z.ctx.ioarea.prtlin.sub(1, 24), "LISTING LINE IN PROGRESS");
    auto lines = z.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_EQ(test::cols(lines[0], 1, 2), "23");
    EXPECT_EQ(test::cols(lines[0], 40, 41), std::string(41, ' '));
}

} // namespace
} // namespace quarlo
