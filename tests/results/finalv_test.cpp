// Adjusted values of a small network worked by hand: the report lines, the
// station work file, the misclosures carried into the next iteration and
// the adjusted station file, read back by station assembly.
// Single-precision figures: tools/results_reference.py.
#include "geodesy/stnadd.h"
#include "report/print.h"
#include "results/finalv.h"
#include "results_fixture.h"

#include <gtest/gtest.h>

using namespace quarlo;
using namespace quarlo::test;

namespace {

constexpr const char* kCaption = "PROVISIONAL";

void adjust(AnalysisRun& r) {
    r.lay_out();
    begin_section(r.c(), "TLHED5");
    finalv(r.c());
}

// Station 10 fixed with one K (unknown 1); station 20 adjusted (height 2,
// K 3), its height also observed; station 30 adjusted (height 4).
// Zenith distances: 10-20; 20-10 the second of a simultaneous reciprocal
// pair; 20-30; 20-30 again from set-up 1 of station 20.
struct NumberNetwork : AnalysisRun {
    explicit NumberNetwork(int refraction_option = 1) {
        EqnStationRecord a = numbered_station(10, kFixed, 1, 100.0f, 1000.0, 2000.0, "ALPHA");
        EqnStationRecord b = numbered_station(20, kHeightGiven, 2, 105.25f, 1300.0, 2400.0, "BRAVO");
        b.registration = 1234;
        b.height_sd = 0.02f;
        b.pillar = 1;
        b.geoid = 1.5f;
        EqnStationRecord d = numbered_station(30, kHeightGiven, 4, 98.125f, 1000.0, 2800.0, "CHARLIE");
        eqn = {a, b, d};
        zeniths = {zenith_k(10, 20, 0.065f), zenith_k(20, 10, 0.070f, 1, 2), zenith_k(20, 30, 0.066f),
                   zenith_k(1020, 30, 0.067f, 0, 0)};
        differences = {height_diff(20, 30, -7.1f)};
        c().option.refraction_option = refraction_option;
        c().numbrs.number_of_height_observations = 1;
        solution({2.5f, 0.0123f, -1.5f, -0.0456f});
    }
};

const std::string kAlpha = line70({{1, "10"}, {4, " 10"}, {8, "  1000.000"}, {19, "   2000.000"}, {31, "ALPHA"},
                                   {59, " 100.000"}, {67, "*"}});
const std::string kBravo = line70({{1, "10"}, {4, " 20"}, {8, "  1300.000"}, {19, "   2400.000"}, {31, "BRAVO"},
                                   {52, "1234"}, {59, " 105.262"}});
const std::string kCharlie = line70({{1, "10"}, {4, " 30"}, {8, "  1000.000"}, {19, "   2800.000"},
                                     {31, "CHARLIE"}, {59, "  98.079"}});

} // namespace

TEST(Finalv, NumberModeOneCoefficientPerStation) {
    NumberNetwork r;
    r.c().option.station_file_option = 1;
    r.iteration(1, 1);
    adjust(r);

    std::vector<std::string> expected = {
        "",
        line132({{1, " 10"}, {7, "ALPHA"}, {39, "FIXED STATION"}, {66, "  100.000"}, {82, "   0.0650"},
                 {95, "   0.0025"}, {107, "   0.0675"}, {120, " 0.250"}}),
        "",
        line132({{1, " 20"}, {7, "BRAVO (P)"}, {31, "1234"}, {39, "  105.250"}, {53, "   0.012"},
                 {66, "  105.262"}, {82, "   0.0660"}, {95, "  -0.0015"}, {107, "   0.0645"}, {120, "-0.150"}}),
        "",
        line132({{1, " 30"}, {7, "CHARLIE"}, {39, "   98.125"}, {53, "  -0.046"}, {66, "   98.079"}}),
    };
    EXPECT_EQ(r.after(kCaption), expected);

    // The adjusted heights are the provisional ones of the next iteration.
    auto& ctx = r.c();
    StationRecord s1 = read_station(ctx.files.unit9, 1), s2 = read_station(ctx.files.unit9, 2);
    EXPECT_EQ(s1.height, 100.0f);
    EXPECT_EQ(s1.status, kFixed);
    EXPECT_FLOAT_EQ(s2.height, 105.2623f);
    EXPECT_EQ(s2.number, 20);
    EXPECT_EQ(s2.registration, 1234);
    EXPECT_EQ(s2.height_sd, 0.02f);
    EXPECT_EQ(s2.geoid, 1.5f);
    EXPECT_EQ(s2.name.str(), "BRAVO               ");
    EXPECT_FLOAT_EQ(read_station(ctx.files.unit9, 3).height, 98.0794f);

    // One coefficient per station: the reciprocal observation met before the
    // station's first coefficient keeps its K; the later one from another
    // set-up takes the station's.
    EXPECT_FLOAT_EQ(r.zenith_on_file(1).k, 0.0675f);
    EXPECT_EQ(r.zenith_on_file(2).k, 0.070f);
    EXPECT_FLOAT_EQ(r.zenith_on_file(3).k, 0.0645f);
    EXPECT_FLOAT_EQ(r.zenith_on_file(4).k, 0.0645f);
    EXPECT_EQ(ctx.frmstn.from_station(4), 20);

    // Misclosures: one height observation, one record per coefficient in
    // the order of the constraint equations.
    EXPECT_EQ(ctx.files.unit14.records_on_file(), 1);
    EXPECT_FLOAT_EQ(misclosure(ctx.files.unit14, 1), -0.0123f);
    EXPECT_EQ(ctx.files.unit15.records_on_file(), 2);
    EXPECT_FLOAT_EQ(misclosure(ctx.files.unit15, 1), -2.5f);
    EXPECT_FLOAT_EQ(misclosure(ctx.files.unit15, 2), 1.5f);

    ctx.files.unit16.commit(); // as the driver does once the run has succeeded
    EXPECT_EQ(read_lines("NET1.stn"), (std::vector<std::string>{kAlpha, kBravo, kCharlie}));
    EXPECT_FALSE(file_exists(SeqFile::staged_name("NET1.stn")));
}

// A later iteration adds its corrections to the stored misclosures and shows
// no standardised corrections; the station file is written in the last
// iteration only, replacing the old one.
TEST(Finalv, SecondIterationCarriesTheMisclosures) {
    NumberNetwork r;
    auto& ctx = r.c();
    ctx.option.station_file_option = 1;
    write_file("NET1.stn", "old\n");
    ASSERT_TRUE(ctx.files.unit14.open("quarlo14.wrk", 4));
    ASSERT_TRUE(ctx.files.unit15.open("quarlo15.wrk", 4));
    r.iteration(1, 2);
    adjust(r);
    EXPECT_EQ(read_file("NET1.stn"), "old\n");
    EXPECT_FALSE(file_exists(SeqFile::staged_name("NET1.stn")));

    put_misclosure(ctx.files.unit14, 1, -0.5f);
    put_misclosure(ctx.files.unit15, 1, 1.0f);
    put_misclosure(ctx.files.unit15, 2, -2.0f);
    r.iteration(2, 2);
    adjust(r);
    auto lines = r.after(kCaption);
    ASSERT_EQ(lines.size(), 6u);
    EXPECT_EQ(lines[1], line132({{1, " 10"}, {7, "ALPHA"}, {39, "FIXED STATION"}, {66, "  100.000"},
                                 {82, "   0.0650"}, {95, "   0.0025"}, {107, "   0.0675"}}));
    EXPECT_FLOAT_EQ(misclosure(ctx.files.unit14, 1), -0.5123f);
    EXPECT_FLOAT_EQ(misclosure(ctx.files.unit15, 1), -1.5f);
    EXPECT_FLOAT_EQ(misclosure(ctx.files.unit15, 2), -0.5f);
    ctx.files.unit16.commit(); // as the driver does once the run has succeeded
    EXPECT_EQ(read_lines("NET1.stn"), (std::vector<std::string>{kAlpha, kBravo, kCharlie}));
}

// Label mode, one K for the network with rotation parameters carried (the
// K is the unknown before the two rotation parameters); a negative easting,
// a station without co-ordinates, and values too wide for the file's columns.
TEST(Finalv, LabelModeNetworkCoefficientWithRotation) {
    AnalysisRun r;
    auto& ctx = r.c();
    ctx.rec01.label_mode = 1;
    ctx.option.rotation_option = 1;
    ctx.option.refraction_option = 0;
    ctx.option.station_file_option = 1;
    r.label(1, "HILL_A");
    r.label(2, "VALLEY_B");
    r.label(3, "FAR_EAST");
    EqnStationRecord hill = numbered_station(1, kHeightGiven, 1, 50.0f, -123456.789, 500.25, "HILL A");
    EqnStationRecord valley = numbered_station(2, kFixed, 0, 20.0f, 0.0, 0.0, "VALLEY B");
    valley.coordinates_flag = 0;
    EqnStationRecord far = numbered_station(3, kHeightGiven, 2, 10000.5f, 1234567.891, 12345678.9, "FAR EAST");
    r.eqn = {hill, valley, far};
    r.zeniths = {zenith_k(1, 2, 0.061f), zenith_k(3, 1, 0.062f)};
    r.solution({0.1f, -0.2f, 5.0f, 99.0f, 99.0f});
    r.iteration(1, 1);
    adjust(r);

    std::vector<std::string> expected = {
        "",
        line132({{1, "HILL_A"}, {15, "HILL A"}, {39, "   50.000"}, {53, "   0.100"}, {66, "   50.100"},
                 {82, "   0.0650"}, {95, "   0.0050"}, {107, "   0.0700"}, {120, " 0.500"}}),
        "",
        line132({{1, "VALLEY_B"}, {15, "VALLEY B"}, {39, "FIXED STATION"}, {66, "   20.000"}}),
        "",
        line132({{1, "FAR_EAST"}, {15, "FAR EAST"}, {39, "10000.500"}, {53, "  -0.200"}, {66, "10000.300"}}),
        line132({{5, "*** STATION FILE: NORTHING, HEIGHT OF STATION FAR_EAST TOO WIDE FOR ITS COLUMNS, LEFT "
                     "BLANK ***"}}),
    };
    EXPECT_EQ(r.after(kCaption), expected);
    EXPECT_FLOAT_EQ(ctx.rec01.default_refraction, 0.07f);
    EXPECT_FLOAT_EQ(r.zenith_on_file(1).k, 0.07f);
    EXPECT_FLOAT_EQ(r.zenith_on_file(2).k, 0.07f);
    EXPECT_EQ(ctx.files.unit15.records_on_file(), 1);
    EXPECT_FLOAT_EQ(misclosure(ctx.files.unit15, 1), -5.0f);

    ctx.files.unit16.commit(); // as the driver does once the run has succeeded
    EXPECT_EQ(read_lines("NET1.stn"),
              (std::vector<std::string>{
                  line70({{1, "grd"}, {5, "HILL_A"}, {18, "HILL A"}, {38, "-123456.789"}, {49, "    500.250"},
                          {61, "  50.100"}}),
                  line70({{1, "grd"}, {5, "VALLEY_B"}, {18, "VALLEY B"}, {61, "  20.000"}, {69, "*"}}),
                  line70({{1, "grd"}, {5, "FAR_EAST"}, {18, "FAR EAST"}, {38, "1234567.891"}}),
              }));
}

// Refraction option 2: one K per refraction set. An observation of the set
// before the station's first set keeps its K; the second of a reciprocal
// pair starts no set.
TEST(Finalv, OneCoefficientPerRefractionSet) {
    AnalysisRun r;
    auto& ctx = r.c();
    ctx.option.refraction_option = 2;
    r.eqn = {numbered_station(5, kHeightGiven, 1, 10.0f, 100.0, 100.0, "FIVE"),
             numbered_station(6, kFixed, 0, 12.0f, 200.0, 100.0, "SIX")};
    r.zeniths = {zenith_k(5, 6, 0.060f, 0, 0), zenith_k(5, 6, 0.061f, 0, 1), zenith_k(5, 6, 0.062f, 0, 0),
                 zenith_k(5, 6, 0.063f, 1, 2), zenith_k(5, 6, 0.064f, 0, 1)};
    r.solution({0.01f, 1.0f, -2.0f});
    r.iteration(1, 1);
    adjust(r);

    std::vector<std::string> expected = {
        "",
        line132({{1, "  5"}, {7, "FIVE"}, {39, "   10.000"}, {53, "   0.010"}, {66, "   10.010"},
                 {82, "   0.0610"}, {95, "   0.0010"}, {107, "   0.0620"}, {120, " 0.100"}}),
        "",
        line132({{82, "   0.0640"}, {95, "  -0.0020"}, {107, "   0.0620"}, {120, "-0.200"}}),
        "",
        line132({{1, "  6"}, {7, "SIX"}, {39, "FIXED STATION"}, {66, "   12.000"}}),
    };
    EXPECT_EQ(r.after(kCaption), expected);
    EXPECT_EQ(r.zenith_on_file(1).k, 0.060f);
    for (int s = 2; s <= 5; ++s) EXPECT_FLOAT_EQ(r.zenith_on_file(s).k, 0.062f) << s;
    EXPECT_EQ(ctx.files.unit15.records_on_file(), 2);
    EXPECT_FLOAT_EQ(misclosure(ctx.files.unit15, 1), -1.0f);
    EXPECT_FLOAT_EQ(misclosure(ctx.files.unit15, 2), 2.0f);
}

// Refraction option 3: one K per observation, shown with its number; the
// second of a reciprocal pair is left as it is.
TEST(Finalv, OneCoefficientPerObservation) {
    NumberNetwork r(3);
    // Station 10: K 1; station 20: height 2, K 3 (obs 3), K 4 (obs 4);
    // station 30: height 5.
    r.eqn[2].first_unknown = 5;
    r.solution({2.5f, 0.0123f, -1.5f, 3.0f, -0.0456f});
    r.iteration(1, 1);
    adjust(r);
    auto lines = r.after(kCaption);
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[1], line132({{1, " 10"}, {7, "ALPHA"}, {39, "FIXED STATION"}, {66, "  100.000"},
                                 {82, "   0.0650"}, {95, "   0.0025"}, {107, "   0.0675"}, {120, " 0.250"},
                                 {128, "   1"}}));
    EXPECT_EQ(lines[3], line132({{1, " 20"}, {7, "BRAVO (P)"}, {31, "1234"}, {39, "  105.250"}, {53, "   0.012"},
                                 {66, "  105.262"}, {82, "   0.0660"}, {95, "  -0.0015"}, {107, "   0.0645"},
                                 {120, "-0.150"}, {128, "   3"}}));
    EXPECT_EQ(lines[5], line132({{82, "   0.0670"}, {95, "   0.0030"}, {107, "   0.0700"}, {120, " 0.300"},
                                 {128, "   4"}}));
    EXPECT_EQ(lines[7], line132({{1, " 30"}, {7, "CHARLIE"}, {39, "   98.125"}, {53, "  -0.046"},
                                 {66, "   98.079"}}));
    EXPECT_EQ(r.zenith_on_file(2).k, 0.070f);
    EXPECT_FLOAT_EQ(r.zenith_on_file(4).k, 0.070f);
    EXPECT_EQ(r.c().files.unit15.records_on_file(), 3);
    EXPECT_FLOAT_EQ(misclosure(r.c().files.unit15, 3), -3.0f);
}

// Analysis option 4: the solution is not a solved one. Nothing is printed
// or corrected, but the next iteration finds its misclosure records, the
// station work file holds the stations in use only, and the station file
// is left alone.
TEST(Finalv, AnalysisOptionFourPreparesTheNextIteration) {
    NumberNetwork r;
    auto& ctx = r.c();
    ctx.option.run_status = 5;
    ctx.option.station_file_option = 1;
    write_file("NET1.stn", "old\n");
    // A station dropped by the first iteration still stands between the
    // stations in use on the observation work file.
    r.rejected = 1;
    r.lay_out();
    write_station(ctx.files.unit9, 2, station(15, kNotObserved, 1.0f));
    write_station(ctx.files.unit9, 3, station(20, kHeightGiven, 1.0f));
    write_station(ctx.files.unit9, 4, station(30, kHeightGiven, 2.0f));
    r.solution({7.0f, 7.0f, 7.0f, 7.0f});
    r.iteration(1, 2);
    begin_section(ctx, "TLHED5");
    finalv(ctx);

    EXPECT_TRUE(r.run.report().empty());
    for (int i = 1; i <= 3; ++i) {
        StationRecord s = read_station(ctx.files.unit9, i);
        EXPECT_EQ(s.number, r.eqn[static_cast<std::size_t>(i - 1)].number) << i;
        EXPECT_EQ(s.height, r.eqn[static_cast<std::size_t>(i - 1)].height) << i;
    }
    EXPECT_EQ(r.zenith_on_file(1).k, 0.065f);
    EXPECT_EQ(r.zenith_on_file(4).k, 0.067f);
    EXPECT_EQ(ctx.files.unit14.records_on_file(), 1);
    EXPECT_EQ(misclosure(ctx.files.unit14, 1), 0.0f);
    EXPECT_EQ(ctx.files.unit15.records_on_file(), 2);
    EXPECT_EQ(misclosure(ctx.files.unit15, 2), 0.0f);
    EXPECT_EQ(read_file("NET1.stn"), "old\n");
}

// A run that stops while the station file is being written leaves the old
// file as it was and no temporary file behind.
TEST(Finalv, StationFileOfAStoppedRunIsNotKept) {
    NumberNetwork r;
    auto& ctx = r.c();
    ctx.option.station_file_option = 1;
    write_file("NET1.stn", "old\n");
    r.iteration(1, 1);
    r.lay_out();
    // The third station's first unknown lies beyond every table.
    EqnStationRecord bad = r.eqn[2];
    bad.first_unknown = 5000;
    write_eqn_station(ctx.files.unit1, 3, bad);
    r.c().numbrs.matrix_size = 5000;
    EXPECT_THROW(finalv(ctx), FatalStop);
    EXPECT_EQ(read_file("NET1.stn"), "old\n");
    EXPECT_FALSE(file_exists(SeqFile::staged_name("NET1.stn")));
}
