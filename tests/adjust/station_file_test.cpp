// Station-file lines in the layout station assembly reads back.
#include "adjust/station_file.h"
#include "adjust_fixture.h"
#include "report/iocat3.h"

#include <gtest/gtest.h>

using namespace quarlo;
using quarlo::test::line70;

namespace {

StationFileEntry entry() {
    StationFileEntry e;
    e.number = 7;
    e.label = FixedText<12>("HILL_TOP");
    e.easting = 323456.7894;
    e.northing = 6543210.1236;
    e.name = FixedText<20>("TRIG BEACON");
    e.height = 45.678f;
    return e;
}

double field(const std::string& line, int col, int width) {
    int status = 0;
    return read_real_field(line, col, width, status);
}

} // namespace

TEST(StationFileLine, NumberModeWithoutRegistration) {
    std::string l = station_file_line(entry(), false).str();
    EXPECT_EQ(l, line70({{1, "10"}, {4, "  7"}, {8, "323456.789"}, {19, "6543210.124"}, {31, "TRIG BEACON"},
                         {59, "  45.678"}}));
}

TEST(StationFileLine, NumberModeRegistrationAndFixedMark) {
    StationFileEntry e = entry();
    e.registration = 1234;
    e.fixed = true;
    e.height = -3.5f;
    std::string l = station_file_line(e, false).str();
    EXPECT_EQ(l, line70({{1, "10"}, {4, "  7"}, {8, "323456.789"}, {19, "6543210.124"}, {31, "TRIG BEACON"},
                         {52, "1234"}, {59, "  -3.500"}, {67, "*"}}));
}

TEST(StationFileLine, LabelModeGridLineWithAndWithoutCoordinates) {
    StationFileEntry e = entry();
    e.fixed = true;
    EXPECT_EQ(station_file_line(e, true).str(), line70({{1, "grd"}, {5, "HILL_TOP"}, {18, "TRIG BEACON"},
                                                  {38, "323456.789"}, {49, "6543210.124"}, {61, "  45.678"},
                                                  {69, "*"}}));
    e.fixed = false;
    e.with_coordinates = false;
    EXPECT_EQ(station_file_line(e, true).str(),
              line70({{1, "grd"}, {5, "HILL_TOP"}, {18, "TRIG BEACON"}, {61, "  45.678"}}));
}

TEST(StationFileLine, UnknownHeightLeavesTheHeightColumnsBlank) {
    StationFileEntry e = entry();
    e.height = 9999.0f;
    e.height_known = false;
    EXPECT_EQ(station_file_line(e, false).str().substr(58, 8), "        ");
    EXPECT_EQ(station_file_line(e, true).str().substr(60, 8), "        ");
}

TEST(StationFileLine, ReadsBackInTheStationFileColumns) {
    StationFileEntry e = entry();
    e.registration = 55;
    std::string n = station_file_line(e, false).str();
    EXPECT_EQ(n.substr(0, 2), "10");
    EXPECT_EQ(n.substr(3, 3), "  7");
    EXPECT_NEAR(field(n, 8, 11), 323456.789, 1e-9);
    EXPECT_NEAR(field(n, 19, 11), 6543210.124, 1e-9);
    EXPECT_EQ(n.substr(30, 20), "TRIG BEACON         ");
    EXPECT_NEAR(field(n, 59, 8), 45.678, 1e-9);
    std::string g = station_file_line(e, true).str();
    EXPECT_EQ(g.substr(4, 12), "HILL_TOP    ");
    EXPECT_EQ(g.substr(17, 20), "TRIG BEACON         ");
    EXPECT_NEAR(field(g, 38, 11), 323456.789, 1e-9);
    EXPECT_NEAR(field(g, 49, 11), 6543210.124, 1e-9);
    EXPECT_NEAR(field(g, 61, 8), 45.678, 1e-9);
}

// Values too wide for their fields take the blank column beside them where
// the reader's field includes it; otherwise they are left blank and named.
TEST(StationFileLine, WideValuesTakeTheBlankColumnOrStayBlank) {
    StationFileEntry e = entry();
    e.easting = -123456.789;
    e.registration = 12345;
    std::string blanked = "stale";
    std::string l = station_file_line(e, false, &blanked).str();
    EXPECT_EQ(l, line70({{1, "10"}, {4, "  7"}, {8, "-123456.789"}, {19, "6543210.124"}, {31, "TRIG BEACON"},
                         {51, "12345"}, {59, "  45.678"}}));
    EXPECT_EQ(blanked, "");
    EXPECT_NEAR(field(l, 8, 11), -123456.789, 1e-9);

    e.easting = 12345678.0;
    e.northing = 10000000.0;
    e.registration = 123456;
    e.height = -1000.5f;
    l = station_file_line(e, false, &blanked).str();
    EXPECT_EQ(l, line70({{1, "10"}, {4, "  7"}, {31, "TRIG BEACON"}}));
    EXPECT_EQ(blanked, "EASTING, NORTHING, REG. NO., HEIGHT");

    e.easting = 1000000.0;
    e.northing = 9999999.9994;
    e.height = 9999.9994f;
    l = station_file_line(e, true, &blanked).str();
    EXPECT_EQ(l, line70({{1, "grd"}, {5, "HILL_TOP"}, {18, "TRIG BEACON"}, {38, "1000000.000"}, {49, "9999999.999"},
                         {61, "9999.999"}}));
    EXPECT_EQ(blanked, "");
}
