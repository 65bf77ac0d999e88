// Observation reading: the work-file records of every record kind, the
// carried values, the record-order rule and the run limits.
#include "driver/filasn.h"
#include "core/records.h"
#include "geodesy/geodcat.h"
#include "geodesy/stnadd.h"
#include "input/tcntrl.h"
#include "input/treform.h"
#include "input/trlev1.h"
#include "report/iocat3.h"
#include "support/test_util.h"

#include <gtest/gtest.h>

#include <algorithm>

using namespace quarlo;
using quarlo::test::line132;
using quarlo::test::TempDir;
using quarlo::test::TestRun;

namespace {

constexpr double kRadPerSecond = 4848.136811095 / 1e9;

// An 80-column input record with texts placed at their columns.
std::string rec(std::initializer_list<std::pair<int, std::string>> fields) {
    std::string line(80, ' ');
    for (const auto& [col, text] : fields) line.replace(static_cast<std::size_t>(col - 1), text.size(), text);
    return line;
}

class ObsReading : public ::testing::Test {
protected:
    TempDir dir;
    TestRun run;

    RunContext& ctx() { return run.c(); }

    void SetUp() override {
        run.open_report();
        ctx().rec01.zenith_sd_factor = 1.0f;
        ctx().option.eccentric_data_present = 1;
        ASSERT_TRUE(ctx().files.unit9.open("quarlo09.wrk", kObsRecordLength));
    }

    void read_input(const std::vector<std::string>& lines) {
        std::string text;
        for (const auto& l : lines) text += l + "\n";
        quarlo::test::write_file("input.dat", text);
        ASSERT_TRUE(ctx().files.unit4.open("input.dat", SeqFile::Mode::Old));
        trlev1(ctx());
    }

    StationRecord station(int r) { return read_station(ctx().files.unit9, r); }
    ZenithRecord zenith(int r) { return read_zenith(ctx().files.unit9, r); }
    HeightDiffRecord height_diff(int r) { return read_height_diff(ctx().files.unit9, r); }

    // Index of the report line equal to `line`, or -1.
    int find(const std::vector<std::string>& report, const std::string& line) {
        auto it = std::find(report.begin(), report.end(), line);
        return it == report.end() ? -1 : static_cast<int>(it - report.begin());
    }
};

// --- Stations -------------------------------------------------------------

TEST_F(ObsReading, GridStationRecordFieldByField) {
    read_input({rec({{1, "10"}, {4, "  1"}, {8, " 301234.567"}, {19, "6123456.789"}, {31, "HILL TOP"},
                     {52, "12345"}, {59, " 123.456"}, {69, "0.020"}}),
                rec({{1, "99"}})});
    StationRecord s = station(1);
    EXPECT_EQ(s.number, 1);
    EXPECT_EQ(s.status, kHeightGiven);
    EXPECT_EQ(s.easting, 301234.567);
    EXPECT_EQ(s.northing, 6123456.789);
    EXPECT_EQ(s.name.str(), "HILL TOP            ");
    EXPECT_EQ(s.height, 123.456f);
    EXPECT_EQ(s.registration, 12345);
    EXPECT_EQ(s.height_sd, 0.02f);
    EXPECT_EQ(s.pillar, 0);
    EXPECT_EQ(s.coordinates_flag, 1);
    EXPECT_EQ(s.geoid, 0.0f);
    const auto& nb = ctx().numbrs;
    EXPECT_EQ(nb.number_of_stations, 1);
    EXPECT_EQ(nb.number_of_fixed_stations, 0);
    EXPECT_EQ(nb.number_of_height_observations, 1);
    EXPECT_EQ(nb.next_record_number, 2);
    EXPECT_EQ(ctx().option.provisional_heights_required, 0);
    EXPECT_EQ(ctx().reginf.data_error_flag, 0);
}

TEST_F(ObsReading, StationCodesFixedRedefinitionAndNoHeight) {
    ctx().option.geoid_model_option = 0;
    read_input({
        // "*" in column 7: fixed, and its standard deviation is not read.
        rec({{1, "10"}, {4, "  2"}, {7, "*"}, {8, "1000.0"}, {19, "2000.0"}, {59, "  50.0"}, {69, "0.500"}}),
        // Blank easting and height: no co-ordinates, no height.
        rec({{1, "10"}, {4, "  3"}, {19, "2000.0"}, {31, "NO COORDS"}}),
        // "#": a redefinition; "E" takes 5000 m off the height.
        rec({{1, "10"}, {4, "  2"}, {7, "#"}, {8, "1000.0"}, {19, "2000.0"}, {58, "E"}, {59, "5100.5"}}),
        // "-" in column 67: fixed.
        rec({{1, "10"}, {4, "  4"}, {8, "1.0"}, {19, "2.0"}, {59, "7.25"}, {67, "-"}, {69, "0.1"}}),
        rec({{1, "99"}}),
    });
    StationRecord s2 = station(1);
    EXPECT_EQ(s2.status, kFixed);
    EXPECT_EQ(s2.height, 50.0f);
    EXPECT_EQ(s2.height_sd, 0.0f);

    StationRecord s3 = station(2);
    EXPECT_EQ(s3.status, kNoHeight);
    EXPECT_EQ(s3.coordinates_flag, 0);
    EXPECT_EQ(s3.easting, 0.0);
    EXPECT_EQ(s3.northing, 2000.0);
    EXPECT_EQ(s3.height, 0.0f);

    StationRecord r = station(3);
    EXPECT_EQ(r.number, 2);
    EXPECT_EQ(r.status, kRedefinition);
    EXPECT_EQ(r.height, 100.5f);

    StationRecord s4 = station(4);
    EXPECT_EQ(s4.status, kFixed);
    EXPECT_EQ(s4.height_sd, 0.0f);

    const auto& nb = ctx().numbrs;
    EXPECT_EQ(nb.number_of_stations, 4);
    EXPECT_EQ(nb.number_of_fixed_stations, 2);
    EXPECT_EQ(nb.number_of_height_observations, 0);
    EXPECT_EQ(ctx().option.provisional_heights_required, 1);
}

TEST_F(ObsReading, EMarkerKeptWhenTheGeoidModelIsInUse) {
    ctx().option.geoid_model_option = 1;
    read_input({rec({{1, "10"}, {4, "  1"}, {58, "E"}, {59, "5100.5"}}), rec({{1, "99"}})});
    EXPECT_EQ(station(1).height, 5100.5f);
}

TEST_F(ObsReading, TypeEighteenIsAGridStationWithItsRegistrationNumber) {
    read_input({rec({{1, "18"}, {4, "  6"}, {8, "500.0"}, {19, "600.0"}, {31, "TRIG TS1234"}, {53, "1234"},
                     {59, "10.0"}}),
                rec({{1, "99"}})});
    ASSERT_EQ(ctx().numbrs.number_of_stations, 1);
    StationRecord s = station(1);
    EXPECT_EQ(s.number, 6);
    EXPECT_EQ(s.registration, 1234);
    EXPECT_EQ(s.easting, 500.0);
    EXPECT_EQ(s.name.str(), "TRIG TS1234         ");
    EXPECT_EQ(s.status, kHeightGiven);
}

TEST_F(ObsReading, LabelModeTakesTheGeoidSeparationOfTheLabelFile) {
    ASSERT_TRUE(ctx().files.unit18.open("quarlo18.wrk", kLabelRecordLength));
    write_label(ctx().files.unit18, 1, FixedText<12>("ALPHA"), 12.5f);
    write_label(ctx().files.unit18, 2, FixedText<12>("BETA"), -3.25f);
    ctx().rec01.label_mode = 1;
    ctx().option.geoid_model_option = 1;
    read_input({rec({{1, "10"}, {4, "  2"}}), rec({{1, "10"}, {4, "  1"}}), rec({{1, "10"}, {4, "  0"}}),
                rec({{1, "99"}})});
    EXPECT_EQ(station(1).geoid, -3.25f);
    EXPECT_EQ(station(2).geoid, 12.5f);
    EXPECT_EQ(station(3).geoid, 0.0f); // no label record 0
}

TEST_F(ObsReading, GeographicStationWithoutMapZoneHasNoCoordinates) {
    read_input({rec({{1, "11"}, {4, "  7"}, {8, " 333015.25"}, {22, "1511230"}, {36, "GEO STATION"},
                     {59, "  88.125"}}),
                rec({{1, "99"}})});
    StationRecord s = station(1);
    EXPECT_EQ(s.number, 7);
    EXPECT_EQ(s.name.str(), "GEO STATION         ");
    EXPECT_EQ(s.registration, 0);
    EXPECT_EQ(s.coordinates_flag, 0);
    EXPECT_EQ(s.easting, 0.0);
    EXPECT_EQ(s.height, 88.125f);
    auto report = run.report();
    int i = find(report, line132({{40, "*** NO MAP ZONE - GEOGRAPHIC CO-ORDINATES NOT USED ***"}}));
    ASSERT_GE(i, 2);
    EXPECT_EQ(report[static_cast<std::size_t>(i - 2)].substr(26, 13), "11   7 -33301");
}

TEST_F(ObsReading, GeographicStationWithUnreadableLatitude) {
    ctx().tmvals.zone_code = 56;
    ASSERT_TRUE(geod00(ctx()));
    read_input({rec({{1, "11"}, {4, "  7"}, {8, " 336015"}, {22, "1511230"}}), rec({{1, "99"}})});
    EXPECT_EQ(station(1).coordinates_flag, 0);
    EXPECT_EQ(station(1).northing, 0.0);
    auto report = run.report();
    EXPECT_GE(find(report, line132({{40, "*** GEOGRAPHIC CO-ORDINATES NOT READABLE ***"}})), 0);
}

TEST_F(ObsReading, GeographicStationProjectedOnTheMapZone) {
    ctx().tmvals.zone_code = 56;
    ASSERT_TRUE(geod00(ctx()));
    read_input({rec({{1, "11"}, {4, "  7"}, {8, " 333015.25"}, {22, "1511230"}, {36, "SOUTH"}}),
                rec({{1, "11"}, {4, "  8"}, {8, "S333015.25"}, {22, "1511230"}}),
                rec({{1, "11"}, {4, "  9"}, {8, "+333015.25"}, {22, "1511230"}}), rec({{1, "99"}})});
    // Exact Transverse Mercator on the same figure (independent series).
    StationRecord s = station(1);
    EXPECT_EQ(s.coordinates_flag, 1);
    EXPECT_NEAR(s.easting, 333577.1926, 0.001);
    EXPECT_NEAR(s.northing, 6291361.6490, 0.001);
    EXPECT_EQ(s.name.str(), "SOUTH               ");
    EXPECT_EQ(station(2).northing, s.northing);
    // North of the equator: the mirror image about the false northing.
    EXPECT_NEAR(station(3).northing, 13708638.3510, 0.001);
    EXPECT_NEAR(station(3).easting, 333577.1926, 0.001);
    EXPECT_EQ(quarlo::test::read_lines("test.prt").size(), 0u); // nothing printed
}

// --- Zenith distances -----------------------------------------------------

TEST_F(ObsReading, ZenithRecordFieldByField) {
    ctx().rec01.zenith_sd_factor = 1.5f;
    read_input({rec({{1, "10"}, {4, "  1"}}),
                rec({{1, "23"}, {4, "   1"}, {9, "  2"}, {13, " 893015.5"}, {23, "   5.0"}, {29, "  1234.567"},
                     {39, "S"}, {40, " 45"}, {44, " 0.13"}, {50, "1.500"}, {56, " 2.000"}, {63, " 0.100"},
                     {70, " 0.200"}, {78, "1"}, {80, "2"}}),
                rec({{1, "99"}})});
    ZenithRecord z = zenith(2);
    EXPECT_EQ(z.from, 1);
    EXPECT_EQ(z.to, 2);
    EXPECT_NEAR(z.zenith, 322215.5 * kRadPerSecond, 1e-15);
    EXPECT_EQ(z.sd, 7.5f);
    EXPECT_EQ(z.distance, 1234.567);
    EXPECT_EQ(z.azimuth, 45.0);
    EXPECT_EQ(z.k, 0.13f);
    EXPECT_EQ(z.reciprocal, 0);
    EXPECT_EQ(z.refraction_set, 1);
    EXPECT_EQ(z.instrument_height, 1.5f);
    EXPECT_EQ(z.target_height, 2.0f);
    EXPECT_EQ(z.occupied_eccentric_height, 0.1f);
    EXPECT_EQ(z.observed_eccentric_height, 0.2f);
    EXPECT_EQ(z.occupied_eccentric_code, 1);
    EXPECT_EQ(z.observed_eccentric_code, 2);
    EXPECT_EQ(z.distance_type, 'S');
    EXPECT_EQ(z.distance_supplied, 1);
    const auto& nb = ctx().numbrs;
    EXPECT_EQ(nb.number_of_zenith_distances, 1);
    EXPECT_EQ(nb.number_of_observations, 1);
    EXPECT_EQ(ctx().option.eccentric_data_present, 1);
}

TEST_F(ObsReading, ZenithAnglesAboveHalfCircleAndVerticalAngles) {
    read_input({rec({{1, "23"}, {4, "   1"}, {9, "  2"}, {13, "2710000"}}),
                rec({{1, "23"}, {4, "   1"}, {9, "  3"}, {12, "V"}, {13, "  2"}}),
                rec({{1, "23"}, {4, "   1"}, {9, "  4"}, {12, "V"}, {13, " -03000"}}), rec({{1, "99"}})});
    EXPECT_NEAR(zenith(1).zenith, 6.283185307179586 - 975600.0 * kRadPerSecond, 1e-14);
    EXPECT_NEAR(zenith(2).zenith, 3.141592653589793 / 2.0 - 7200.0 * kRadPerSecond, 1e-14);
    EXPECT_NEAR(zenith(3).zenith, 3.141592653589793 / 2.0 + 1800.0 * kRadPerSecond, 1e-14);
    // No eccentric code anywhere.
    EXPECT_EQ(ctx().option.eccentric_data_present, 0);
}

TEST_F(ObsReading, VerticalAngleOptionConvertsEveryAngle) {
    ctx().option.vertical_angle_conversion = 1;
    read_input({rec({{1, "23"}, {4, "   1"}, {9, "  2"}, {13, "  2"}}), rec({{1, "99"}})});
    EXPECT_NEAR(zenith(1).zenith, 88.0 * 3600.0 * kRadPerSecond, 1e-12);
}

TEST_F(ObsReading, RefractionHalvedThenDefaulted) {
    ctx().option.refraction_conversion = 1;
    ctx().rec01.default_refraction = 0.07f;
    read_input({rec({{1, "23"}, {4, "   1"}, {9, "  2"}, {44, " 0.26"}}),
                rec({{1, "23"}, {4, "   1"}, {9, "  3"}}), rec({{1, "99"}})});
    EXPECT_EQ(zenith(1).k, 0.26f / 2.0f);
    EXPECT_EQ(zenith(2).k, 0.07f);
}

TEST_F(ObsReading, ZenithCarriedValuesSetUpsAndReciprocals) {
    ctx().option.refraction_option = 3;
    read_input({
        // 1: a new set-up at station 1.
        rec({{1, "23"}, {4, "   1"}, {9, "  2"}, {23, "   5.0"}, {29, "     500.0"}, {39, "H"}, {50, "1.500"}}),
        // 2: same set-up; blank sd, blank instrument height, blank distance.
        rec({{1, "23"}, {4, "   1"}, {9, "  3"}}),
        // 3: "S" from station 3 after an observation to 3: reciprocal.
        rec({{1, "23"}, {3, "S"}, {4, "   3"}, {9, "  1"}}),
        // 4: same station and set-up as 3, instrument height blank.
        rec({{1, "23"}, {4, "   3"}, {9, "  4"}, {29, "     800.0"}, {39, "S"}}),
        // 5: station 3 again with set-up digit 1: a new set.
        rec({{1, "23"}, {4, "1003"}, {9, "  5"}, {50, "1.650"}}),
        // 6: "S" from station 7, but the last observation went to 5.
        rec({{1, "23"}, {3, "S"}, {4, "   7"}, {9, "  3"}}),
        rec({{1, "99"}}),
    });
    ZenithRecord z1 = zenith(1), z2 = zenith(2), z3 = zenith(3), z4 = zenith(4), z5 = zenith(5), z6 = zenith(6);
    EXPECT_EQ(z1.refraction_set, 1);
    EXPECT_EQ(z1.distance_supplied, 1);

    EXPECT_EQ(z2.sd, 5.0f);
    EXPECT_EQ(z2.instrument_height, 1.5f);
    EXPECT_EQ(z2.refraction_set, 0);
    EXPECT_EQ(z2.distance, 0.0);
    EXPECT_EQ(z2.distance_supplied, 0);
    EXPECT_EQ(z2.distance_type, ' ');

    // The "S" record has no distance of its own: it takes the previous
    // record's, which was blank (0), so it stays not supplied.
    EXPECT_EQ(z3.reciprocal, 1);
    EXPECT_EQ(z3.refraction_set, 2);
    EXPECT_EQ(z3.distance, 0.0);
    EXPECT_EQ(z3.distance_supplied, 0);
    EXPECT_EQ(z3.sd, 5.0f);

    EXPECT_EQ(z4.refraction_set, 0);
    EXPECT_EQ(z4.instrument_height, 0.0f); // the set-up's height was 0
    EXPECT_EQ(z4.reciprocal, 0);

    EXPECT_EQ(z5.from, 1003);
    EXPECT_EQ(z5.refraction_set, 1);
    EXPECT_EQ(z5.instrument_height, 1.65f);

    EXPECT_EQ(z6.reciprocal, -1);
    EXPECT_EQ(z6.refraction_set, 1);
    // Blank distance and type of the "S" record: the previous record's.
    EXPECT_EQ(z6.distance, 0.0);
}

TEST_F(ObsReading, ReciprocalTakesThePartnersDistanceAndType) {
    read_input({rec({{1, "23"}, {4, "   1"}, {9, "  2"}, {29, "    1500.0"}, {39, "S"}}),
                rec({{1, "23"}, {3, "S"}, {4, "   2"}, {9, "  1"}}), rec({{1, "99"}})});
    ZenithRecord z = zenith(2);
    EXPECT_EQ(z.reciprocal, 0); // refraction option 0: no shared K
    EXPECT_EQ(z.distance, 1500.0);
    EXPECT_EQ(z.distance_type, 'S');
    EXPECT_EQ(z.distance_supplied, 1);
    EXPECT_EQ(z.refraction_set, 1);
}

// --- Height and coordinate differences ------------------------------------

TEST_F(ObsReading, HeightDifferencesAndTheirCarriedValues) {
    ctx().option.refraction_option = 1;
    read_input({
        rec({{1, "24"}, {4, "2001"}, {9, "  2"}, {13, "  -12.345"}, {23, " 0.005"}, {30, "  1000.0"},
             {50, "1.200"}, {56, " 1.300"}, {78, "3"}}),
        rec({{1, "24"}, {4, "   2"}, {9, "  3"}, {13, "    1.5"}}),
        rec({{1, "24"}, {4, "   3"}, {9, "  4"}, {13, "    2.5"}, {23, " 0.010"}, {50, "  0.0"}}),
        rec({{1, "24"}, {4, "   4"}, {9, "  5"}}),
        rec({{1, "99"}}),
    });
    HeightDiffRecord h1 = height_diff(1), h2 = height_diff(2), h3 = height_diff(3), h4 = height_diff(4);
    EXPECT_EQ(h1.from, 2001);
    EXPECT_EQ(h1.to, 2);
    EXPECT_EQ(h1.dh, -12.345f);
    EXPECT_EQ(h1.sd, 0.005f);
    EXPECT_EQ(h1.occupied_eccentric_code, 3);
    EXPECT_EQ(h1.observed_eccentric_code, 0);
    EXPECT_EQ(h1.instrument_height, 1.2f);
    EXPECT_EQ(h1.target_height, 1.3f);
    EXPECT_EQ(h1.distance, 1000.0);

    EXPECT_EQ(h2.sd, 0.005f);
    EXPECT_EQ(h2.instrument_height, 1.2f);
    EXPECT_EQ(h2.target_height, 0.0f);
    EXPECT_EQ(h2.distance, 0.0);

    EXPECT_EQ(h3.sd, 0.01f);
    EXPECT_EQ(h3.instrument_height, 0.0f); // an explicit 0 is carried too

    EXPECT_EQ(h4.sd, 0.01f);
    EXPECT_EQ(h4.instrument_height, 0.0f);

    const auto& nb = ctx().numbrs;
    EXPECT_EQ(nb.number_of_height_differences, 4);
    EXPECT_EQ(nb.number_of_observations, 4);
    // Height differences only: one K is meaningless.
    EXPECT_EQ(ctx().option.refraction_option, 0);
}

TEST_F(ObsReading, RefractionOptionKeptWithZenithDistances) {
    ctx().option.refraction_option = 2;
    read_input({rec({{1, "23"}, {4, "   1"}, {9, "  2"}}), rec({{1, "24"}, {4, "   1"}, {9, "  2"}}),
                rec({{1, "99"}})});
    EXPECT_EQ(ctx().option.refraction_option, 2);
}

TEST_F(ObsReading, CoordinateDifferencesGoToTheirOwnFile) {
    ctx().option.geoid_model_option = 0;
    ctx().files.unit11_name = "quarlo11.wrk";
    read_input({
        rec({{1, "24"}, {4, "   1"}, {9, "  2"}, {13, "    1.0"}}),
        rec({{1, "26"}, {5, "  1"}, {9, "  2"}, {12, "  100.1234"}, {23, " -200.5678"}, {34, "    30.25"},
             {66, "1.500"}, {72, "1.600"}}),
        rec({{1, "26"}, {5, "  2"}, {9, "  3"}, {12, "1.0"}, {23, "2.0"}, {34, "3.0"}, {61, "0.02"}, {80, "4"}}),
        rec({{1, "26"}, {5, "  3"}, {9, "  1"}}),
        rec({{1, "99"}}),
    });
    ASSERT_TRUE(ctx().files.unit11.is_open());
    EXPECT_EQ(ctx().files.unit11.record_length(), kCoordRecordLength);
    CoordDiffRecord c1 = read_coord_diff(ctx().files.unit11, 1);
    EXPECT_EQ(c1.first, 1);
    EXPECT_EQ(c1.second, 2);
    EXPECT_EQ(c1.dx, 100.1234);
    EXPECT_EQ(c1.dy, -200.5678);
    EXPECT_EQ(c1.dz, 30.25);
    EXPECT_EQ(read_coord_diff(ctx().files.unit11, 2).dz, 3.0);

    HeightDiffRecord h2 = height_diff(2), h3 = height_diff(3), h4 = height_diff(4);
    EXPECT_EQ(h2.from, 1);
    EXPECT_EQ(h2.to, 2);
    EXPECT_EQ(h2.dh, 10001.0f);
    EXPECT_EQ(h2.sd, 0.05f);
    EXPECT_EQ(h2.instrument_height, 1.5f);
    EXPECT_EQ(h2.target_height, 1.6f);
    EXPECT_EQ(h2.distance, 0.0);
    EXPECT_EQ(h3.dh, 10002.0f);
    EXPECT_EQ(h3.sd, 0.02f);
    EXPECT_EQ(h3.observed_eccentric_code, 4);
    EXPECT_EQ(h4.dh, 10003.0f);
    EXPECT_EQ(h4.sd, 0.02f);
    EXPECT_EQ(h4.instrument_height, 0.0f);

    EXPECT_EQ(ctx().option.geoid_model_option, 1);
    EXPECT_EQ(ctx().numbrs.number_of_height_differences, 4);
    EXPECT_EQ(ctx().numbrs.number_of_observations, 4);
    // The coordinate difference carried an eccentric code.
    EXPECT_EQ(ctx().option.eccentric_data_present, 1);
    // The file is deleted with the other work files at the end of the run.
    EXPECT_NE(std::find(ctx().files.work_paths.begin(), ctx().files.work_paths.end(), "quarlo11.wrk"),
              ctx().files.work_paths.end());
}

TEST_F(ObsReading, GeoidOptionTwoIsResetAfterReading) {
    ctx().option.geoid_model_option = 2;
    read_input({rec({{1, "99"}})});
    EXPECT_EQ(ctx().option.geoid_model_option, 0);
}

// --- Record order and unknown records ----------------------------------------

TEST_F(ObsReading, RecordsOutOfOrderAreListedAndSkipped) {
    std::string late_station = rec({{1, "10"}, {4, "  9"}, {8, "100.0"}, {31, "LATE"}});
    std::string late_zenith = rec({{1, "23"}, {4, "   1"}, {9, "  9"}});
    std::string unknown = rec({{1, "30"}, {4, "abc"}});
    read_input({
        rec({{1, "20"}, {4, "ignored"}}),
        rec({{1, "10"}, {4, "  1"}}),
        rec({{1, "95"}}),
        rec({{1, "23"}, {4, "   1"}, {9, "  2"}}),
        late_station,
        rec({{1, "24"}, {4, "   1"}, {9, "  2"}}),
        late_zenith,
        unknown,
        rec({{1, "99"}}),
        rec({{1, "10"}, {4, "  5"}}), // after the end of data
    });
    const auto& nb = ctx().numbrs;
    EXPECT_EQ(nb.number_of_stations, 1);
    EXPECT_EQ(nb.number_of_zenith_distances, 1);
    EXPECT_EQ(nb.number_of_height_differences, 1);
    EXPECT_EQ(nb.next_record_number, 4);
    EXPECT_EQ(ctx().reginf.data_error_flag, 0);

    auto report = run.report();
    const std::string message = line132({{40, "*** ERROR IN RECORD TYPE OR RECORD OUT OF ORDER ***"}});
    for (const std::string& bad : {late_station, late_zenith, unknown}) {
        int i = find(report, line132({{27, bad}}));
        ASSERT_GE(i, 2) << bad;
        EXPECT_EQ(report[static_cast<std::size_t>(i - 2)], " ");
        EXPECT_EQ(report[static_cast<std::size_t>(i - 1)], " ");
        ASSERT_LT(static_cast<std::size_t>(i + 2), report.size());
        EXPECT_EQ(report[static_cast<std::size_t>(i + 1)], " ");
        EXPECT_EQ(report[static_cast<std::size_t>(i + 2)], message);
    }
    EXPECT_EQ(std::count(report.begin(), report.end(), message), 3);
}

TEST_F(ObsReading, EndOfFileEndsTheReadingLikeCode99) {
    read_input({rec({{1, "10"}, {4, "  1"}}), rec({{1, "24"}, {4, "   1"}, {9, "  2"}})});
    EXPECT_EQ(ctx().numbrs.number_of_stations, 1);
    EXPECT_EQ(ctx().numbrs.number_of_observations, 1);
}

TEST_F(ObsReading, UnreadableFieldsReadAsZero) {
    std::string junk(80, 'x');
    junk.replace(0, 2, "23");
    std::string junk24 = junk;
    junk24.replace(0, 2, "24");
    std::string junk10 = junk;
    junk10.replace(0, 2, "10");
    read_input({junk10, junk, junk24, rec({{1, "99"}})});
    StationRecord s = station(1);
    EXPECT_EQ(s.number, 0);
    EXPECT_EQ(s.easting, 0.0);
    EXPECT_EQ(s.coordinates_flag, 1); // the easting field is not blank
    EXPECT_EQ(s.height, 0.0f);
    ZenithRecord z = zenith(2);
    EXPECT_EQ(z.from, 0);
    EXPECT_EQ(z.zenith, 0.0);
    EXPECT_EQ(z.sd, 10.0f);
    EXPECT_EQ(z.distance, 0.0);
    EXPECT_EQ(z.distance_supplied, 0);
    EXPECT_EQ(z.distance_type, 'x');
    HeightDiffRecord h = height_diff(3);
    EXPECT_EQ(h.dh, 0.0f);
    EXPECT_EQ(h.sd, 0.1f);
}

// --- Limits -------------------------------------------------------------------

TEST_F(ObsReading, TooManyObservations) {
    std::vector<std::string> lines;
    for (int i = 0; i < 6001; ++i) lines.push_back(rec({{1, "24"}, {4, "   1"}, {9, "  2"}}));
    lines.push_back(rec({{1, "99"}}));
    read_input(lines);
    EXPECT_EQ(ctx().numbrs.number_of_observations, 6001);
    EXPECT_EQ(ctx().reginf.data_error_flag, -1);
    auto report = run.report();
    int i = find(report, line132({{40, "*** TOO MANY OBSERVATIONS ***"}}));
    ASSERT_GE(i, 2);
    EXPECT_EQ(report[static_cast<std::size_t>(i - 1)], " ");
    EXPECT_EQ(find(report, line132({{40, "*** TOO MANY STATIONS ***"}})), -1);
}

TEST_F(ObsReading, SixThousandObservationsAndAThousandStationsAreAllowed) {
    std::vector<std::string> lines;
    for (int i = 1; i <= 1000; ++i) lines.push_back(rec({{1, "10"}, {4, "  1"}}));
    for (int i = 0; i < 6000; ++i) lines.push_back(rec({{1, "24"}, {4, "   1"}, {9, "  2"}}));
    read_input(lines);
    EXPECT_EQ(ctx().reginf.data_error_flag, 0);
}

TEST_F(ObsReading, TooManyStations) {
    std::vector<std::string> lines;
    for (int i = 1; i <= 1001; ++i) lines.push_back(rec({{1, "10"}, {4, "  1"}}));
    read_input(lines);
    EXPECT_EQ(ctx().numbrs.number_of_stations, 1001);
    EXPECT_EQ(ctx().reginf.data_error_flag, -1);
    auto report = run.report();
    EXPECT_GE(find(report, line132({{40, "*** TOO MANY STATIONS ***"}})), 0);
}

TEST(ObsReadingProgram, TooManyObservationsEndsWithErrorsInData) {
    TempDir dir;
    std::string text = rec({{1, "01"}}) + "\n" + rec({{1, "10"}, {4, "  1"}, {59, "10.0"}, {67, "*"}}) + "\n";
    for (int i = 0; i < 6001; ++i) text += rec({{1, "24"}, {4, "   1"}, {9, "  2"}, {13, "1.0"}}) + "\n";
    text += "99\n";
    quarlo::test::write_file("big.dat", text);
    auto result = quarlo::test::run_program({"big.dat"});
    EXPECT_NE(result.console.find("\n Errors in data\n"), std::string::npos) << result.console;
    auto report = quarlo::test::read_lines("big.prt");
    EXPECT_NE(std::find(report.begin(), report.end(), line132({{40, "*** TOO MANY OBSERVATIONS ***"}})),
              report.end());
}

// --- Reading and station assembly of whole inputs ---------------------------

// File assignment, control record, input conversion, observation reading and
// station assembly of one input, as the main driver runs them.
struct Pipeline {
    TempDir dir;
    TestRun run;
    RunContext& ctx() { return run.c(); }

    void start(const std::vector<std::string>& body) {
        std::string text = "92 PIPELINE\n01\n";
        for (const auto& l : body) text += l + "\n";
        quarlo::test::write_file("net.dat", text);
        filasn(ctx(), {"-o", "net.dat"});
        ASSERT_NE(ctx().option.run_status, -9);
        tcntrl(ctx());
        treform(ctx());
        trlev1(ctx());
        ASSERT_EQ(ctx().reginf.data_error_flag, 0);
        stnadd(ctx());
    }
    StationRecord station(int r) { return read_station(ctx().files.unit9, r); }
    std::vector<std::string> report() {
        ctx().files.unit3.flush();
        return quarlo::test::read_lines("net.prt");
    }
};

// A keyword line of 105 columns.
std::string kw(std::initializer_list<std::pair<int, std::string>> fields) {
    std::string line(105, ' ');
    for (const auto& [col, text] : fields) line.replace(static_cast<std::size_t>(col - 1), text.size(), text);
    return line;
}

TEST(ObsReadingPipeline, KeywordInputThroughReadingAndStationAssembly) {
    Pipeline p;
    quarlo::test::write_file("stations.dat",
                             kw({{1, "GRD"}, {5, "CHARLIE"}, {18, "CHARLIE FROM FILE"}, {38, "   1200.000"},
                                 {49, "   2900.000"}, {61, "  95.500"}}) + "\n");
    p.start({
        kw({{1, "GRD"}, {5, "ALPHA"}, {18, "ALPHA NAME"}, {38, "   1000.000"}, {49, "   2000.000"},
            {61, " 100.000"}, {69, "*"}}),
        kw({{1, "GRD"}, {5, "BRAVO"}, {18, "BRAVO NAME"}, {38, "   1500.000"}, {49, "   2500.000"}}),
        kw({{1, "ZEN"}, {5, "ALPHA"}, {19, "BRAVO"}, {32, " 893000"}, {42, "   5.0"}, {49, "  707.107"},
            {58, "S"}, {69, "1.500"}}),
        kw({{1, "ZEN"}, {19, "CHARLIE"}, {32, " 900000"}}),
        kw({{1, "DIF"}, {5, "BRAVO"}, {19, "DELTA"}, {33, "    1.234"}, {43, " 0.010"}}),
    });
    RunContext& ctx = p.ctx();
    ASSERT_EQ(ctx.rec01.label_mode, 1);
    EXPECT_EQ(ctx.numbrs.number_of_stations, 4);
    EXPECT_EQ(ctx.numbrs.number_of_fixed_stations, 1);
    EXPECT_EQ(ctx.numbrs.number_of_observations, 3);
    EXPECT_EQ(ctx.option.provisional_heights_required, 1);

    StationRecord a = p.station(1);
    EXPECT_EQ(a.number, 1);
    EXPECT_EQ(a.status, kFixed);
    EXPECT_EQ(a.height, 100.0f);
    EXPECT_EQ(a.name.str(), "ALPHA NAME          ");
    EXPECT_EQ(p.station(2).status, kNoHeight);
    StationRecord c = p.station(3);
    EXPECT_EQ(c.number, 3);
    EXPECT_EQ(c.name.str(), "CHARLIE FROM FILE   ");
    EXPECT_EQ(c.height, 95.5f);
    EXPECT_EQ(c.easting, 1200.0);
    EXPECT_EQ(c.coordinates_flag, 1);
    StationRecord d = p.station(4);
    EXPECT_EQ(d.number, 4);
    EXPECT_EQ(d.name.str(), std::string(20, ' '));
    EXPECT_EQ(d.height, 9999.0f);
    EXPECT_EQ(station_label(ctx, 4).str(), "DELTA       ");

    ZenithRecord z1 = read_zenith(ctx.files.unit9, 5), z2 = read_zenith(ctx.files.unit9, 6);
    EXPECT_EQ(z1.from, 1);
    EXPECT_EQ(z1.to, 2);
    EXPECT_NEAR(z1.zenith, (89 * 3600 + 30 * 60) * kRadPerSecond, 1e-14);
    EXPECT_EQ(z1.distance, 707.107);
    EXPECT_EQ(z1.distance_type, 'S');
    EXPECT_EQ(z2.from, 1); // the blank first label repeats ALPHA
    EXPECT_EQ(z2.to, 3);
    EXPECT_EQ(z2.instrument_height, 1.5f);
    EXPECT_EQ(z2.refraction_set, 0);
    HeightDiffRecord h = read_height_diff(ctx.files.unit9, 7);
    EXPECT_EQ(h.from, 2);
    EXPECT_EQ(h.to, 4);
    EXPECT_EQ(h.dh, 1.234f);
    EXPECT_EQ(h.sd, 0.01f);

    auto report = p.report();
    for (const auto& l : report) {
        EXPECT_EQ(l.find("ERROR"), std::string::npos) << l;
        EXPECT_EQ(l.find("TOO MANY"), std::string::npos) << l;
    }
}

TEST(ObsReadingPipeline, RecordCodeInputThroughReadingAndStationAssembly) {
    Pipeline p;
    quarlo::test::write_file("net.stn", rec({{1, "10"}, {4, " 12"}, {8, "  5000.000"}, {19, "  6000.000"},
                                             {31, "TWELVE"}, {59, "  10.000"}}) + "\n");
    std::string late = rec({{1, "10"}, {4, "  8"}});
    p.start({
        rec({{1, "10"}, {4, "  1"}, {8, "   1000.000"}, {19, "   2000.000"}, {31, "ONE"}, {59, "  50.000"},
             {67, "*"}}),
        rec({{1, "23"}, {4, "   1"}, {9, " 12"}, {13, " 900000"}, {29, "    1000.0"}}),
        rec({{1, "23"}, {4, "   1"}, {9, "  5"}, {13, " 900000"}, {29, "    1000.0"}}),
        late,
        rec({{1, "24"}, {4, "   5"}, {9, "  1"}, {13, "    2.500"}}),
        rec({{1, "99"}}),
    });
    RunContext& ctx = p.ctx();
    ASSERT_EQ(ctx.rec01.label_mode, 0);
    EXPECT_EQ(ctx.numbrs.number_of_stations, 3);
    StationRecord s12 = p.station(2);
    EXPECT_EQ(s12.number, 12);
    EXPECT_EQ(s12.name.str(), "TWELVE              ");
    EXPECT_EQ(s12.height, 10.0f);
    EXPECT_EQ(s12.status, kHeightGiven);
    StationRecord s5 = p.station(3);
    EXPECT_EQ(s5.number, 5);
    EXPECT_EQ(s5.name.str(), "STATION   5         ");
    EXPECT_EQ(read_zenith(ctx.files.unit9, 4).to, 12);
    EXPECT_EQ(read_height_diff(ctx.files.unit9, 6).dh, 2.5f);

    auto report = p.report();
    int i = static_cast<int>(std::find(report.begin(), report.end(), line132({{27, late}})) - report.begin());
    ASSERT_LT(static_cast<std::size_t>(i + 2), report.size());
    EXPECT_EQ(report[static_cast<std::size_t>(i + 2)],
              line132({{40, "*** ERROR IN RECORD TYPE OR RECORD OUT OF ORDER ***"}}));
}

// --- Error messages ---------------------------------------------------------------

TEST(ObsErrorMessages, EveryMessageAtColumnForty) {
    TempDir dir;
    TestRun run;
    run.open_report();
    const char* expected[] = {
        "*** ERROR IN OBSERVED ZENITH DISTANCE ***",
        "*** STATIONS HAVE THE SAME CO-ORDINATES ***",
        "*** (C-O) VALUE TOO LARGE ***",
        "*** NO ECCENTRIC DATA ON FILE FOR OCCUPIED STATION **",
        "*** OCCUPIED ECCENTRIC HEIGHT NOT AVAILABLE ***",
        "*** NO ECCENTRIC DATA ON FILE FOR OBSERVED STATION **",
        "*** OBSERVED ECCENTRIC HEIGHT NOT AVAILABLE ***",
        "*** DISTANCE BETWEEN STATIONS NOT SUPPLIED ***",
        "*** RECIPROCAL OBSERVATION NOT INCLUDED - \"S\" IGNORED  ***",
        "*** OCCUPIED STATION NOT FOUND ***",
        "*** OBSERVED STATION NOT FOUND ***",
        "*** COORDINATES NOT ENTERED FOR COORDINATE DIFFERENCE DATA ***",
    };
    for (int code = 1; code <= 12; ++code) tlerr1(run.c(), code);
    tlerr1(run.c(), 0);
    tlerr1(run.c(), 14);
    auto report = run.report();
    // Page heading (6 lines), then each message after two blank lines.
    ASSERT_EQ(report.size(), 6u + 14u * 3u);
    for (int code = 1; code <= 14; ++code) {
        std::size_t at = 6 + static_cast<std::size_t>(code - 1) * 3;
        EXPECT_EQ(report[at], " ");
        EXPECT_EQ(report[at + 1], " ");
        const char* text = code <= 12 ? expected[code - 1] : expected[0];
        EXPECT_EQ(report[at + 2], line132({{40, text}})) << code;
    }
}

TEST(ObsErrorMessages, RecordOutOfOrderShowsTheRecordFirst) {
    TempDir dir;
    TestRun run;
    run.open_report();
    std::string card = rec({{1, "77"}, {10, "SOME TEXT"}, {80, "Z"}});
    run.c().ioarea.card.set(card);
    tlerr1(run.c(), 13);
    auto report = run.report();
    ASSERT_EQ(report.size(), 6u + 5u);
    EXPECT_EQ(report[6], " ");
    EXPECT_EQ(report[7], " ");
    EXPECT_EQ(report[8], line132({{27, card}}));
    EXPECT_EQ(report[8].substr(105, 1), "Z");
    EXPECT_EQ(report[9], " ");
    EXPECT_EQ(report[10], line132({{40, "*** ERROR IN RECORD TYPE OR RECORD OUT OF ORDER ***"}}));
}

} // namespace
