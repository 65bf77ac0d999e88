// Station assembly: stations named only by observations, the station-file
// searches of both modes, the defaults, and the small station lookups.
#include "core/records.h"
#include "geodesy/geodcat.h"
#include "geodesy/stnadd.h"
#include "support/test_util.h"

#include <gtest/gtest.h>

#include <filesystem>

using namespace quarlo;
using quarlo::test::line132;
using quarlo::test::TempDir;
using quarlo::test::TestRun;
using quarlo::test::write_file;

namespace {

// A text line with texts placed at their columns.
std::string line(std::initializer_list<std::pair<int, std::string>> fields) {
    std::string l;
    for (const auto& [col, text] : fields) {
        std::size_t end = static_cast<std::size_t>(col - 1) + text.size();
        if (l.size() < end) l.resize(end, ' ');
        l.replace(static_cast<std::size_t>(col - 1), text.size(), text);
    }
    return l;
}

std::string lines(std::initializer_list<std::string> ls) {
    std::string text;
    for (const auto& l : ls) text += l + "\n";
    return text;
}

class StationAssembly : public ::testing::Test {
protected:
    TempDir dir;
    TestRun run;
    int next = 1;

    RunContext& ctx() { return run.c(); }
    DirectFile& work() { return ctx().files.unit9; }

    void SetUp() override {
        run.open_report();
        ctx().names.job_name.set("job");
        ASSERT_TRUE(work().open("quarlo09.wrk", kObsRecordLength));
    }

    void add_station(int number, const std::string& name = "INPUT") {
        StationRecord s;
        s.number = number;
        s.status = kHeightGiven;
        s.name.set(name);
        s.height = 100.0f;
        s.coordinates_flag = 1;
        write_station(work(), next++, s);
        ++ctx().numbrs.number_of_stations;
    }
    void add_zenith(int from, int to, double zd = 1.5) {
        ZenithRecord z;
        z.from = from;
        z.to = to;
        z.zenith = zd;
        z.distance_type = 'S';
        write_zenith(work(), next++, z);
        ++ctx().numbrs.number_of_zenith_distances;
        ++ctx().numbrs.number_of_observations;
    }
    void add_height_diff(int from, int to, float dh = 1.25f) {
        HeightDiffRecord h;
        h.from = from;
        h.to = to;
        h.dh = dh;
        write_height_diff(work(), next++, h);
        ++ctx().numbrs.number_of_height_differences;
        ++ctx().numbrs.number_of_observations;
    }
    StationRecord station(int r) { return read_station(work(), r); }

    void use_labels(std::initializer_list<const char*> labels) {
        ASSERT_TRUE(ctx().files.unit18.open("quarlo18.wrk", kLabelRecordLength));
        int n = 0;
        for (const char* l : labels) write_label(ctx().files.unit18, ++n, FixedText<12>(l), 0.0f);
        ctx().rec01.label_mode = 1;
    }

    void expect_default(int r, int number, const std::string& name) {
        StationRecord s = station(r);
        EXPECT_EQ(s.number, number) << r;
        EXPECT_EQ(s.status, kNoHeight) << r;
        EXPECT_EQ(s.easting, 0.0) << r;
        EXPECT_EQ(s.northing, 0.0) << r;
        EXPECT_EQ(s.name.str(), name) << r;
        EXPECT_EQ(s.height, 9999.0f) << r;
        EXPECT_EQ(s.registration, 0) << r;
        EXPECT_EQ(s.height_sd, 0.0f) << r;
        EXPECT_EQ(s.pillar, 0) << r;
        EXPECT_EQ(s.coordinates_flag, 0) << r;
        EXPECT_EQ(s.geoid, 0.0f) << r;
    }
};

TEST_F(StationAssembly, NothingAddedWhenEveryStationHasARecord) {
    add_station(1);
    add_station(2);
    add_zenith(1, 2);
    add_zenith(1002, 1);
    add_height_diff(2, 1);
    stnadd(ctx());
    EXPECT_EQ(ctx().numbrs.number_of_stations, 2);
    EXPECT_EQ(ctx().option.provisional_heights_required, 0);
    EXPECT_EQ(work().records_on_file(), 5);
    EXPECT_EQ(read_zenith(work(), 3).to, 2);
}

TEST_F(StationAssembly, NoObservationsNothingToDo) {
    add_station(1);
    stnadd(ctx());
    EXPECT_EQ(ctx().numbrs.number_of_stations, 1);
    EXPECT_EQ(work().records_on_file(), 1);
}

TEST_F(StationAssembly, StationsAddedInOrderOfFirstAppearance) {
    // A -> B, C -> A, D -> E with only A on a station record.
    add_station(1);
    add_zenith(1, 2, 1.25);
    add_height_diff(3, 1, 7.5f);
    add_height_diff(4, 5, -2.0f);
    stnadd(ctx());
    EXPECT_EQ(ctx().numbrs.number_of_stations, 5);
    EXPECT_EQ(ctx().option.provisional_heights_required, 1);
    EXPECT_EQ(station(1).name.str(), "INPUT               ");
    expect_default(2, 2, "STATION   2         ");
    expect_default(3, 3, "STATION   3         ");
    expect_default(4, 4, "STATION   4         ");
    expect_default(5, 5, "STATION   5         ");
    // The observations follow, unchanged.
    ZenithRecord z = read_zenith(work(), 6);
    EXPECT_EQ(z.from, 1);
    EXPECT_EQ(z.to, 2);
    EXPECT_EQ(z.zenith, 1.25);
    EXPECT_EQ(z.distance_type, 'S');
    HeightDiffRecord h1 = read_height_diff(work(), 7), h2 = read_height_diff(work(), 8);
    EXPECT_EQ(h1.from, 3);
    EXPECT_EQ(h1.dh, 7.5f);
    EXPECT_EQ(h2.to, 5);
    EXPECT_EQ(h2.dh, -2.0f);
    EXPECT_EQ(work().records_on_file(), 8);
}

TEST_F(StationAssembly, SetUpDigitFromStationIsNotAddedButAToStationIs) {
    add_station(1);
    add_zenith(1005, 1);
    add_height_diff(1, 1005);
    add_height_diff(12, 1);
    stnadd(ctx());
    ASSERT_EQ(ctx().numbrs.number_of_stations, 3);
    expect_default(2, 1005, "STATION ***         ");
    expect_default(3, 12, "STATION  12         ");
}

TEST_F(StationAssembly, NumberModeStationFileOfTheJob) {
    write_file("job.stn",
               lines({
                   line({{1, "10"}, {4, "  7"}, {8, "999.0"}, {19, "999.0"}, {31, "OTHER"}}),
                   line({{1, "10"}, {4, "  2"}, {8, " 301234.567"}, {19, "6123456.789"}, {31, "FOUND TWO"},
                         {59, " 123.456"}}),
                   // A tiny easting on the northing axis, no height: co-ordinates,
                   // height unknown.
                   line({{1, "10"}, {4, "  4"}, {8, "0.00005"}, {19, "5000.0"}, {31, "FOUR"}}),
                   // Unreadable height: unknown, not 0.
                   line({{1, "10"}, {4, "  6"}, {8, "10.0"}, {19, "20.0"}, {31, "SIX"}, {59, "12.x"}}),
                   // Negative co-ordinates are co-ordinates; zeros in both, or a
                   // blank field, are none.
                   line({{1, "10"}, {4, "  8"}, {8, "-250.5"}, {19, "-1200.25"}, {31, "EIGHT"}}),
                   line({{1, "10"}, {4, "  9"}, {8, "0.000"}, {19, "-0.00004"}, {31, "NINE"}}),
                   line({{1, "10"}, {4, " 11"}, {19, "500.0"}, {31, "ELEVEN"}}),
               }));
    add_station(1);
    add_height_diff(1, 2);
    add_height_diff(1, 3);
    add_height_diff(1, 4);
    add_height_diff(1, 6);
    for (int n : {8, 9, 11}) add_height_diff(1, n);
    stnadd(ctx());
    ASSERT_EQ(ctx().numbrs.number_of_stations, 8);
    StationRecord s8 = station(6), s9 = station(7), s11 = station(8);
    EXPECT_EQ(s8.coordinates_flag, 1);
    EXPECT_EQ(s8.easting, -250.5);
    EXPECT_EQ(s8.northing, -1200.25);
    EXPECT_EQ(s9.coordinates_flag, 0);
    EXPECT_EQ(s11.coordinates_flag, 0);
    StationRecord s2 = station(2);
    EXPECT_EQ(s2.number, 2);
    EXPECT_EQ(s2.status, kHeightGiven);
    EXPECT_EQ(s2.easting, 301234.567);
    EXPECT_EQ(s2.northing, 6123456.789);
    EXPECT_EQ(s2.name.str(), "FOUND TWO           ");
    EXPECT_EQ(s2.height, 123.456f);
    EXPECT_EQ(s2.coordinates_flag, 1);
    EXPECT_EQ(s2.height_sd, 0.0f);
    EXPECT_EQ(s2.geoid, 0.0f);
    // Found with co-ordinates, then one not found: nothing carries over.
    expect_default(3, 3, "STATION   3         ");
    StationRecord s4 = station(4);
    EXPECT_EQ(s4.status, kNoHeight);
    EXPECT_EQ(s4.height, 9999.0f);
    EXPECT_EQ(s4.coordinates_flag, 1);
    EXPECT_EQ(s4.northing, 5000.0);
    EXPECT_EQ(s4.name.str(), "FOUR                ");
    StationRecord s6 = station(5);
    EXPECT_EQ(s6.status, kNoHeight);
    EXPECT_EQ(s6.height, 9999.0f);
    EXPECT_EQ(s6.coordinates_flag, 1);
    EXPECT_EQ(ctx().numbrs.number_of_fixed_stations, 0);
    EXPECT_FALSE(ctx().files.unit23.is_open());
    EXPECT_EQ(ctx().ioarea.prtlin.str(), std::string(132, ' '));
}

TEST_F(StationAssembly, NumberModeLineThatIsNotTenStopsTheFile) {
    write_file("job.stn", lines({
                              line({{1, "11"}, {4, "  2"}, {31, "GEOGRAPHIC"}}),
                              line({{1, "10"}, {4, "  3"}, {8, "100.0"}, {19, "200.0"}, {31, "THREE"}}),
                          }));
    add_station(1);
    add_height_diff(1, 3);
    add_height_diff(1, 2);
    add_height_diff(1, 3);
    add_height_diff(2, 3);
    add_height_diff(2, 1);
    ASSERT_EQ(ctx().numbrs.number_of_observations, 5);
    // Station 3 comes first and is found; station 2 meets the "11" line.
    stnadd(ctx());
    EXPECT_EQ(station(2).name.str(), "THREE               ");
    expect_default(3, 2, "STATION   2         ");
}

TEST_F(StationAssembly, NumberModeStationsDatInTheWorkingDirectoryOnly) {
    std::filesystem::create_directory("data");
    write_file("quarlo.opt", "DATA=data\n");
    write_file("data/stations.dat", line({{1, "10"}, {4, "  2"}, {31, "FROM DATA"}}) + "\n");
    write_file("stations.dat", line({{1, "10"}, {4, "  2"}, {31, "FROM HERE"}}) + "\n");
    add_station(1);
    add_height_diff(1, 2);
    stnadd(ctx());
    EXPECT_EQ(station(2).name.str(), "FROM HERE           ");
}

TEST_F(StationAssembly, LabelModeGridAndGeographicLines) {
    ctx().tmvals.zone_code = 56;
    ASSERT_TRUE(geod00(ctx()));
    use_labels({"ALPHA", "BRAVO", "CHARLIE", "DELTA", "ECHO", "FOXTROT"});
    std::filesystem::create_directory("data");
    write_file("quarlo.opt", "DATA=data\n");
    write_file("data/stations.dat",
               lines({
                   line({{1, "grd"}, {5, "BRAVO"}, {18, "BRAVO NAME"}, {38, " 301234.567"}, {49, "6123456.789"},
                         {69, "*"}}),
                   line({{1, "GEO"}, {5, "CHARLIE"}, {18, "CHARLIE NAME"}, {38, "-27"}, {42, "28"}, {45, "12.5"},
                         {54, "153"}, {58, " 1"}, {61, "   30.25"}, {71, "  45.678"}, {93, "0.015"},
                         {99, " 41.234"}}),
                   line({{1, "GRD"}, {5, "DELTA"}, {18, "DELTA NAME"}, {38, "-1000.0"}, {49, "2000.0"},
                         {61, "  12.500"}}),
                   line({{1, "stn"}, {5, "ECHO"}, {18, "ECHO NAME"}}),
                   line({{1, "geo"}, {5, "FOXTROT"}, {18, "FOX"}, {38, "s27"}, {54, "153"}, {71, "  0.0005"},
                         {79, "-"}}),
               }));
    add_station(1);
    add_zenith(1, 2);
    add_zenith(1, 3);
    add_height_diff(4, 5);
    add_height_diff(6, 1);
    stnadd(ctx());
    ASSERT_EQ(ctx().numbrs.number_of_stations, 6);

    StationRecord b = station(2);
    EXPECT_EQ(b.number, 2);
    EXPECT_EQ(b.status, kFixed);
    EXPECT_EQ(b.height, 9999.0f);
    EXPECT_EQ(b.easting, 301234.567);
    EXPECT_EQ(b.northing, 6123456.789);
    EXPECT_EQ(b.coordinates_flag, 1);
    EXPECT_EQ(b.name.str(), "BRAVO NAME          ");

    StationRecord c = station(3);
    EXPECT_EQ(c.status, kHeightGiven);
    EXPECT_EQ(c.height, 45.678f);
    EXPECT_EQ(c.height_sd, 0.015f);
    EXPECT_EQ(c.geoid, 41.234f);
    EXPECT_EQ(c.coordinates_flag, 1);
    EXPECT_EQ(c.name.str(), "CHARLIE NAME        ");
    // Exact Transverse Mercator on the zone's figure (independent series).
    EXPECT_NEAR(c.easting, 502476.8515, 0.001);
    EXPECT_NEAR(c.northing, 6961480.0399, 0.001);

    StationRecord d = station(4);
    EXPECT_EQ(d.status, kHeightGiven);
    EXPECT_EQ(d.height, 12.5f);
    EXPECT_EQ(d.easting, -1000.0); // a local grid's negative easting
    EXPECT_EQ(d.coordinates_flag, 1);

    expect_default(5, 5, std::string(20, ' ')); // "stn" is no station-file code

    StationRecord f = station(6);
    EXPECT_EQ(f.status, kFixed);
    EXPECT_EQ(f.height, 9999.0f);
    EXPECT_EQ(f.coordinates_flag, 1);
    EXPECT_LT(f.northing, 10000000.0);

    EXPECT_EQ(ctx().numbrs.number_of_fixed_stations, 2);
}

TEST_F(StationAssembly, LabelModeGeographicLineWithoutMapZoneHasNoCoordinates) {
    use_labels({"ALPHA", "BRAVO"});
    write_file("stations.dat", line({{1, "GEO"}, {5, "BRAVO"}, {18, "B"}, {38, "-27"}, {54, "153"},
                                     {71, "  10.000"}}) + "\n");
    add_station(1);
    add_height_diff(1, 2);
    stnadd(ctx());
    StationRecord b = station(2);
    EXPECT_EQ(b.coordinates_flag, 0);
    EXPECT_EQ(b.easting, 0.0);
    EXPECT_EQ(b.status, kHeightGiven);
    EXPECT_EQ(b.height, 10.0f);
}

TEST_F(StationAssembly, LabelModeJobFileBeforeStationsDat) {
    use_labels({"ALPHA", "BRAVO"});
    write_file("job.stn", line({{1, "GRD"}, {5, "BRAVO"}, {18, "FROM JOB"}}) + "\n");
    write_file("stations.dat", line({{1, "GRD"}, {5, "BRAVO"}, {18, "FROM STATIONS.DAT"}}) + "\n");
    add_station(1);
    add_height_diff(2, 1);
    stnadd(ctx());
    EXPECT_EQ(station(2).name.str(), "FROM JOB            ");
    EXPECT_EQ(station(2).coordinates_flag, 0);
}

TEST_F(StationAssembly, LabelModeStationWithoutLabelIsNotLookedUp) {
    use_labels({"ALPHA"});
    // A line with blank label columns must not be taken for station 0.
    write_file("stations.dat", line({{1, "GRD"}, {18, "NO LABEL"}, {61, "5.0"}}) + "\n");
    add_station(1);
    add_height_diff(1, 0);
    stnadd(ctx());
    expect_default(2, 0, std::string(20, ' '));
}

TEST_F(StationAssembly, TooManyStationsIsADataError) {
    for (int i = 1; i <= 999; ++i) add_station(i);
    add_height_diff(1, 1000);
    add_height_diff(2, 1001);
    stnadd(ctx());
    EXPECT_EQ(ctx().reginf.data_error_flag, -1);
    EXPECT_EQ(ctx().numbrs.number_of_stations, 999);
    // The work file is left as it was.
    EXPECT_EQ(read_height_diff(work(), 1001).to, 1001);
    auto report = run.report();
    EXPECT_NE(std::find(report.begin(), report.end(),
                        line132({{40, "*** TOO MANY STATIONS - INPUT AND OBSERVED STATIONS EXCEED 1000 ***"}})),
              report.end());
}

TEST_F(StationAssembly, ExactlyAThousandStationsFit) {
    for (int i = 1; i <= 999; ++i) add_station(i);
    add_height_diff(1, 1000);
    stnadd(ctx());
    EXPECT_EQ(ctx().reginf.data_error_flag, 0);
    EXPECT_EQ(ctx().numbrs.number_of_stations, 1000);
    EXPECT_EQ(station(1000).number, 1000);
    EXPECT_EQ(read_height_diff(work(), 1001).to, 1000);
}

// --- Labels and lookups ------------------------------------------------------

TEST(StationLookups, LabelsIntoThePrintLine) {
    TempDir dir;
    TestRun run;
    RunContext& ctx = run.c();
    ASSERT_TRUE(ctx.files.unit18.open("quarlo18.wrk", kLabelRecordLength));
    write_label(ctx.files.unit18, 1, FixedText<12>("TRIG 1234AB"), 0.0f);
    write_label(ctx.files.unit18, 3, FixedText<12>("THIRD"), 0.0f);
    EXPECT_EQ(station_label(ctx, 1).str(), "TRIG 1234AB ");
    EXPECT_EQ(station_label(ctx, 2).str(), std::string(12, ' ')); // never written
    EXPECT_EQ(station_label(ctx, 0).str(), std::string(12, ' '));
    EXPECT_EQ(station_label(ctx, 1005).str(), std::string(12, ' '));
    getlab(ctx, 1, 5);
    getlab(ctx, 3, 125);
    getlab(ctx, 3, 0);
    getlab(ctx, 3, 133);
    EXPECT_EQ(ctx.ioarea.prtlin.str(), line132({{5, "TRIG 1234AB"}, {125, "THIRD  "}}));
}

TEST(StationLookups, PositionOfAStationNumber) {
    TempDir dir;
    TestRun run;
    RunContext& ctx = run.c();
    ctx.stnfst.station_number(1) = 40;
    ctx.stnfst.station_number(2) = 7;
    ctx.stnfst.station_number(3) = 12;
    ctx.stnfst.station_number(4) = 99; // beyond the stations in use
    ctx.numbrs.number_of_stations = 3;
    int n = 12;
    ctx.ioarea.lookup_status1 = 5;
    tgetnum(ctx, n);
    EXPECT_EQ(n, 3);
    EXPECT_EQ(ctx.ioarea.lookup_status1, 0);
    n = 99;
    tgetnum(ctx, n);
    EXPECT_EQ(n, 99);
    EXPECT_EQ(ctx.ioarea.lookup_status1, -1);
    EXPECT_EQ(ctx.ioarea.lookup_status2, -1);
    ctx.numbrs.number_of_stations = 5000; // never past the table
    n = 12;
    tgetnum(ctx, n);
    EXPECT_EQ(n, 3);
}

TEST(StationLookups, FindInATable) {
    Table<std::int16_t, 10> table;
    EXPECT_EQ(ifind(0, table, 0), 0);
    table(1) = 5;
    table(2) = 9;
    table(3) = 5;
    EXPECT_EQ(ifind(5, table, 3), 1);
    EXPECT_EQ(ifind(9, table, 3), 2);
    EXPECT_EQ(ifind(9, table, 1), 0);
    EXPECT_EQ(ifind(0, table, 25), 4);
    EXPECT_EQ(ifind(9, table, -1), 0);
}

} // namespace
