// Iteration set-up: checks of the first iteration, numbering of the unknowns,
// geoid separations, the list of stations and the stage-1 station file.
#include "adjust/trlev2.h"
#include "adjust_fixture.h"
#include "geodesy/geodcat.h"
#include "geodesy/geoid.h"
#include "report/edit.h"

#include <filesystem>

#include <gtest/gtest.h>

using namespace quarlo;
using namespace quarlo::test;

namespace {

struct SetupRun : AdjustRun {
    SetupRun() { c().names.job_name.set("NET1"); }
    void set_up() {
        write();
        trlev2(c());
    }
    // The list lines: every record of the report after the column captions
    // that is not blank.
    std::vector<std::string> list() {
        std::vector<std::string> out;
        bool started = false;
        for (const auto& l : run.report()) {
            if (!started) {
                started = l.find("NORTHING") != std::string::npos;
                continue;
            }
            if (l.find_first_not_of(' ') != std::string::npos && l != "\f") out.push_back(l);
        }
        return out;
    }
};

StationRecord with(StationRecord s, int registration, float sd) {
    s.registration = registration;
    s.height_sd = sd;
    return s;
}

} // namespace

// Every status of the first iteration, listed column by column.
TEST(Trlev2List, EveryStatusNumberMode) {
    SetupRun r;
    r.stations = {with(station(1, 0, 100.0f, 500000.0, 6000000.0, "FIXED ONE"), 12345, 0.0f),
                  with(station(2, 1, 101.5f, 500100.5, 6000200.25, "FREE TWO"), 0, 0.05f),
                  station(3, 2, 9999.0f, 500300.0, 6000300.0, "NO HEIGHT"),
                  station(4, 1, 40.0f, 0, 0, "LONELY"),
                  station(2, 1, 55.0f, 0, 0, "SAME NUMBER"),
                  station(6, 5, 60.0f, 0, 0, "REDEFINED"),
                  with(station(7, 1, 70.0f, 0, 0, "WEIGHTED"), 0, 0.05f)};
    r.zeniths = {zenith(1, 2, deg(90, 0, 0), 100.0)};
    r.differences = {height_diff(1, 2, 1.5f), height_diff(1003, 3, 1.0f)};
    r.set_up();

    auto list = r.list();
    ASSERT_EQ(list.size(), 7u);
    EXPECT_EQ(list[0], line132({{17, "  1"}, {30, "FIXED ONE"}, {54, "12345"}, {65, " 500000.000"},
                                {82, "6000000.000"}, {98, " 100.000"}, {111, "FIXED"}}));
    EXPECT_EQ(list[1], line132({{17, "  2"}, {30, "FREE TWO"}, {65, " 500100.500"}, {82, "6000200.250"},
                                {98, " 101.500"}, {112, " 0.050"}}));
    // The status text at column 66 is placed over the coordinates.
    EXPECT_EQ(list[2], line132({{17, "  3"}, {30, "NO HEIGHT"}, {65, " UNABLE TO COMPUTE HEIGHT000"},
                                {111, "*** OMITTED ***"}}));
    EXPECT_EQ(list[3], line132({{17, "  4"}, {30, "LONELY"}, {53, "STATION NOT FOUND IN AN OBSERVATION"},
                                {98, "  40.000"}, {111, "*** OMITTED ***"}}));
    EXPECT_EQ(list[4], line132({{17, "  2"}, {30, "SAME NUMBER"}, {53, "STATION NUMBER HAS ALREADY BEEN USED"},
                                {98, "  55.000"}, {111, "*** OMITTED ***"}}));
    EXPECT_EQ(list[5], line132({{17, "  6"}, {30, "REDEFINED"}, {53, "REPEATED LABEL WITH DIFFERENT STATION DATA"},
                                {98, "  60.000"}, {111, "*** OMITTED ***"}}));
    EXPECT_EQ(list[6], line132({{17, "  7"}, {30, "WEIGHTED"}, {98, "  70.000"}, {112, " 0.050"}}));

    // Stations in use 1, 2, 7; the network K makes the third unknown.
    auto& n = r.c().numbrs;
    EXPECT_EQ(n.matrix_size, 3);
    EXPECT_EQ(n.number_of_stations, 3);
    EXPECT_EQ(n.rejected_station_count, 4);
    EqnStationRecord b1 = r.eqn_station(1), b2 = r.eqn_station(2), b3 = r.eqn_station(3);
    EXPECT_EQ(b1.number, 1);
    EXPECT_EQ(b1.status, 0);
    EXPECT_EQ(b1.first_unknown, 0);
    EXPECT_EQ(b1.registration, 12345);
    EXPECT_EQ(b2.number, 2);
    EXPECT_EQ(b2.first_unknown, 1);
    EXPECT_DOUBLE_EQ(b2.northing, 6000200.25);
    EXPECT_EQ(b2.name.str(), "FREE TWO            ");
    EXPECT_EQ(b3.number, 7);
    EXPECT_EQ(b3.first_unknown, 2);
    EXPECT_FLOAT_EQ(b3.height_sd, 0.05f);
    auto& t = r.c().stnfst;
    EXPECT_EQ(t.station_number(1), 1);
    EXPECT_EQ(t.station_number(2), 2);
    EXPECT_EQ(t.station_number(3), 7);
    EXPECT_EQ(t.refraction_register(1), -1); // fixed, no unknowns
    EXPECT_EQ(t.refraction_register(2), 1);
    EXPECT_EQ(t.refraction_register(3), 2);
}

TEST(Trlev2List, Stage1StationFileInNumberMode) {
    SetupRun r;
    r.c().option.station_file_option = 1;
    r.stations = {with(station(1, 0, 100.0f, 500000.0, 6000000.0, "FIXED ONE"), 12, 0.0f),
                  station(2, 1, 101.5f, 500100.5, 6000200.25, "FREE TWO"),
                  station(3, 2, 9999.0f, 0, 0, "STATION  3")};
    r.differences = {height_diff(1, 2, 1.5f), height_diff(2, 3, 1.0f)};
    r.set_up();
    r.c().files.unit16.commit(); // as the driver does once the run has succeeded
    auto lines = read_lines("NET1.stn");
    ASSERT_EQ(lines.size(), 3u);
    EXPECT_EQ(lines[0], line70({{1, "10"}, {4, "  1"}, {8, "500000.000"}, {19, "6000000.000"}, {31, "FIXED ONE"},
                                {52, "  12"}, {59, " 100.000"}, {67, "*"}}));
    EXPECT_EQ(lines[1], line70({{1, "10"}, {4, "  2"}, {8, "500100.500"}, {19, "6000200.250"}, {31, "FREE TWO"},
                                {59, " 101.500"}}));
    // No height and no co-ordinates: their columns stay blank so that it
    // reads back without them.
    EXPECT_EQ(lines[2], line70({{1, "10"}, {4, "  3"}, {31, "STATION  3"}}));
}

TEST(Trlev2List, NoStationFileBeyondStage1) {
    SetupRun r;
    r.c().option.station_file_option = 1;
    r.c().rec01.required_stage = 2;
    r.stations = {station(1, 0, 100.0f)};
    r.set_up();
    EXPECT_FALSE(file_exists("NET1.stn"));
}

TEST(Trlev2List, LabelModeListAndGridStationFile) {
    SetupRun r;
    r.c().rec01.label_mode = 1;
    r.c().option.station_file_option = 1;
    r.label(1, "BASE");
    r.label(2, "TOWER_NORTH");
    r.stations = {station(1, 0, 12.5f, 0, 0, "BASE MARK"), station(2, 1, 20.0f, 501000.25, 6001000.5, "TOWER")};
    r.differences = {height_diff(1, 2, 7.5f)};
    r.set_up();
    r.c().files.unit16.commit(); // as the driver does once the run has succeeded
    auto list = r.list();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0], line132({{1, "  1"}, {9, "BASE"}, {30, "BASE MARK"}, {98, "  12.500"}, {111, "FIXED"}}));
    EXPECT_EQ(list[1], line132({{1, "  2"}, {9, "TOWER_NORTH"}, {30, "TOWER"}, {65, " 501000.250"},
                                {82, "6001000.500"}, {98, "  20.000"}}));
    auto lines = read_lines("NET1.stn");
    ASSERT_EQ(lines.size(), 2u);
    EXPECT_EQ(lines[0], line70({{1, "grd"}, {5, "BASE"}, {18, "BASE MARK"}, {61, "  12.500"}, {69, "*"}}));
    EXPECT_EQ(lines[1], line70({{1, "grd"}, {5, "TOWER_NORTH"}, {18, "TOWER"}, {38, "501000.250"},
                                {49, "6001000.500"}, {61, "  20.000"}}));
}

// Refraction option 1: one coefficient per station that occupies a counted
// zenith distance, however many it has.
TEST(Trlev2Unknowns, RefractionOption1OneCoefficientPerStation) {
    SetupRun r;
    r.c().option.refraction_option = 1;
    r.stations = {station(1, 0, 10.0f), station(2, 1, 20.0f), station(3, 1, 30.0f)};
    r.zeniths = {zenith(2, 1, deg(90, 0, 0), 100.0), zenith(1002, 3, deg(90, 0, 0), 100.0),
                 zenith(1, 2, deg(90, 0, 0), 100.0)};
    r.set_up();
    // 1: fixed with one K (unknown 1); 2: height and K (2, 3); 3: height (4).
    EXPECT_EQ(r.c().numbrs.matrix_size, 4);
    EXPECT_EQ(r.eqn_station(1).first_unknown, 1);
    EXPECT_EQ(r.eqn_station(2).first_unknown, 2);
    EXPECT_EQ(r.eqn_station(3).first_unknown, 4);
    EXPECT_EQ(r.c().stnfst.refraction_register(1), 0); // fixed: first unknown less one
    EXPECT_EQ(r.c().stnfst.refraction_register(2), 2);
    EXPECT_EQ(r.c().stnfst.refraction_register(3), 4);
}

TEST(Trlev2Unknowns, RefractionOption2OnePerSetUp) {
    SetupRun r;
    r.c().option.refraction_option = 2;
    r.stations = {station(1, 0, 10.0f), station(2, 1, 20.0f), station(3, 1, 30.0f)};
    ZenithRecord same_setup = zenith(2, 3, deg(90, 0, 0), 100.0);
    same_setup.refraction_set = 0;
    r.zeniths = {zenith(2, 1, deg(90, 0, 0), 100.0), same_setup, zenith(1002, 1, deg(90, 0, 0), 100.0)};
    r.set_up();
    EXPECT_EQ(r.eqn_station(1).first_unknown, 0);
    EXPECT_EQ(r.eqn_station(2).first_unknown, 1);
    EXPECT_EQ(r.eqn_station(3).first_unknown, 4); // 2 carries its height and two K
    EXPECT_EQ(r.c().numbrs.matrix_size, 4);
}

TEST(Trlev2Unknowns, RefractionOption3OnePerZenithDistanceButNotTheReciprocalPartner) {
    SetupRun r;
    r.c().option.refraction_option = 3;
    r.stations = {station(1, 1, 10.0f), station(2, 1, 20.0f)};
    ZenithRecord partner = zenith(2, 1, deg(90, 0, 0), 100.0);
    partner.reciprocal = 1;
    r.zeniths = {zenith(1, 2, deg(90, 0, 0), 100.0), partner, zenith(1001, 2, deg(90, 0, 0), 100.0)};
    r.set_up();
    EXPECT_EQ(r.eqn_station(1).first_unknown, 1);
    EXPECT_EQ(r.eqn_station(2).first_unknown, 4); // 1: height and two K
    EXPECT_EQ(r.c().numbrs.matrix_size, 4);
}

TEST(Trlev2Unknowns, TenFreeStationsAndTheNetworkCoefficient) {
    SetupRun r;
    r.stations.push_back(station(1, 0, 10.0f));
    for (int i = 2; i <= 11; ++i) r.stations.push_back(station(i, 1, 10.0f + i));
    for (int i = 2; i <= 11; ++i) r.zeniths.push_back(zenith(1, i, deg(90, 0, 0), 100.0));
    r.set_up();
    EXPECT_EQ(r.c().numbrs.matrix_size, 11);
    EXPECT_EQ(r.eqn_station(11).first_unknown, 10);
}

namespace {

// Matrix size of a levelled chain of one fixed and two free stations.
int levelled_chain_unknowns(int refraction_option, int rotation_option) {
    SetupRun r;
    r.c().option.refraction_option = refraction_option;
    r.c().option.rotation_option = rotation_option;
    r.stations = {station(1, 0, 10.0f), station(2, 1, 20.0f), station(3, 1, 30.0f)};
    r.differences = {height_diff(1, 2, 1.0f), height_diff(2, 3, 1.0f)};
    r.set_up();
    return r.c().numbrs.matrix_size;
}

} // namespace

// Two heights, no K, and the two rotation parameters when asked. With a
// refraction option but no zenith distances the unknowns are the heights
// alone: nothing is taken off for a coefficient never counted.
TEST(Trlev2Unknowns, RotationParametersAndNoZenithDistances) {
    EXPECT_EQ(levelled_chain_unknowns(0, 0), 2);
    EXPECT_EQ(levelled_chain_unknowns(0, 1), 4);
    EXPECT_EQ(levelled_chain_unknowns(1, 0), 2);
    EXPECT_EQ(levelled_chain_unknowns(3, 2), 4);
}

TEST(Trlev2Checks, OccupiedStationWithSetUpDigitIsInAnObservation) {
    SetupRun r;
    r.stations = {station(1, 0, 10.0f), station(5, 1, 20.0f)};
    r.differences = {height_diff(2005, 1, 1.0f)};
    r.set_up();
    EXPECT_EQ(r.c().numbrs.number_of_stations, 2);
    EXPECT_EQ(r.c().numbrs.rejected_station_count, 0);
    EXPECT_TRUE(r.lines_with("OMITTED").empty());
}

TEST(Trlev2Checks, LaterIterationKeepsEveryStationAndOnlyRenumbers) {
    SetupRun r;
    r.c().rec01.iteration_total = 3;
    r.c().rec01.pass_countdown = 2;
    r.c().numbrs.rejected_station_count = 2;
    r.stations = {station(1, 0, 10.0f), station(9, 1, 20.0f)}; // 9 is in no observation
    r.write();
    // Observation records follow after the two rejected stations.
    write_height_diff(r.c().files.unit9, 5, height_diff(1, 1, 0.0f));
    r.c().numbrs.number_of_observations = 1;
    r.c().numbrs.number_of_height_differences = 1;
    trlev2(r.c());
    EXPECT_EQ(r.c().numbrs.number_of_stations, 2);
    EXPECT_EQ(r.c().numbrs.rejected_station_count, 2);
    EXPECT_EQ(r.eqn_station(2).number, 9);
    EXPECT_EQ(r.eqn_station(2).first_unknown, 1);
    EXPECT_EQ(r.c().numbrs.matrix_size, 1);
}

// A height given as an ellipsoidal height (-4900 = 100 - 5000) and a geoid
// separation of 20 from the station record: 80 above the geoid.
TEST(Trlev2Geoid, EllipsoidalHeightConverted) {
    SetupRun r;
    r.c().option.geoid_model_option = 1;
    StationRecord s = station(2, 1, -4900.0f, 500000.0, 6000000.0, "ELLIPSOIDAL");
    s.geoid = 20.0f;
    r.stations = {station(1, 0, 10.0f), s};
    r.differences = {height_diff(1, 2, 1.0f)};
    r.set_up();
    EXPECT_EQ(r.eqn_station(2).height, 80.0f);
    EXPECT_EQ(r.eqn_station(2).geoid, 20.0f);
    auto list = r.list();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(cols(list[1], 98, 8), "  80.000");
    EXPECT_EQ(cols(list[1], 125, 7), " 20.000");
    // A station without coordinates gets no separation.
    EXPECT_EQ(cols(list[0], 120, 13), std::string(13, ' '));
}

TEST(Trlev2Geoid, OutsideTheModelIsNotFound) {
    SetupRun r;
    r.c().tmvals.zone_code = 56;
    ASSERT_TRUE(geod00(r.c()));
    r.c().option.geoid_model_option = 1;
    // About 81 degrees south: outside the model's area.
    r.stations = {station(1, 0, 10.0f), station(2, 1, 20.0f, 500000.0, 1000000.0, "FAR SOUTH")};
    r.differences = {height_diff(1, 2, 1.0f)};
    r.set_up();
    auto list = r.list();
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(cols(list[1], 124, 9), "NOT FOUND");
    EXPECT_EQ(r.eqn_station(2).geoid, 0.0f);
}

namespace {

// Label mode in zone 56 with the geoid model option; station 1 fixed without
// coordinates, stations 2 and 3 near 33 S 151 E.
struct GeoidRun : SetupRun {
    double e = 0, n = 0;
    GeoidRun() {
        c().rec01.label_mode = 1;
        c().option.geoid_model_option = 1;
        c().tmvals.zone_code = 56;
        EXPECT_TRUE(geod00(c()));
        double gamma, k;
        geod01(c(), e, n, -33.0 * 0.017453292519943, 151.0 * 0.017453292519943, gamma, k);
        label(1, "BASE");
        label(2, "IN_FILE");
        label(3, "NOT_IN_FILE");
        stations = {station(1, 0, 10.0f), station(2, 1, 20.0f, e, n), station(3, 1, 30.0f, e + 1000.0, n)};
        differences = {height_diff(1, 2, 1.0f), height_diff(1, 3, 1.0f)};
    }
};

} // namespace

TEST(Trlev2Geoid, GeoidFileFirstThenTheModel) {
    GeoidRun r;
    write_file("geoid.dat", "OTHER         99.999\nIN_FILE       21.345  1.000  2.000\n");
    r.set_up();
    float model = 0.0f;
    int ok = 0;
    tgesepa(r.c(), r.e + 1000.0, r.n, model, ok);
    ASSERT_EQ(ok, 1);
    EXPECT_EQ(r.eqn_station(2).geoid, 21.345f);
    EXPECT_EQ(r.eqn_station(3).geoid, model);
    auto list = r.list();
    ASSERT_EQ(list.size(), 3u);
    EXPECT_EQ(cols(list[0], 120, 13), std::string(13, ' ')); // no coordinates
    EXPECT_EQ(cols(list[1], 124, 9), "  21.345 ");
    EXPECT_EQ(cols(list[2], 125, 7), edit::fixed_field(model, 7, 3));
    // The user's geoid file is closed again and left in place.
    EXPECT_FALSE(r.c().files.unit20.is_open());
    EXPECT_TRUE(file_exists("geoid.dat"));
}

TEST(Trlev2Geoid, GeoidFileInTheDataDirectory) {
    GeoidRun r;
    std::filesystem::create_directory("gdata");
    write_file("quarlo.opt", "DATA=gdata/\n");
    write_file("gdata/geoid.dat", "IN_FILE       -1.250\n");
    r.set_up();
    EXPECT_EQ(r.eqn_station(2).geoid, -1.25f);
}

TEST(Trlev2Geoid, SeparationKeptFromTheRecordIsNotLookedUp) {
    GeoidRun r;
    write_file("geoid.dat", "IN_FILE       21.345\n");
    r.stations[1].geoid = 5.5f;
    r.set_up();
    EXPECT_EQ(r.eqn_station(2).geoid, 5.5f);
}
