// Decoding and listing of the control record.
#include "input/tcntrl.h"
#include "support/test_util.h"

#include <gtest/gtest.h>

using namespace quarlo;
using quarlo::test::line132;
using quarlo::test::TempDir;
using quarlo::test::TestRun;

namespace {

std::vector<std::string> run_control(TestRun& r, const std::string& control) {
    r.open_report();
    r.c().ioarea.card.set(control);
    tcntrl(r.c());
    auto rep = r.report();
    // Page heading (6 records) and the blank before the first line.
    EXPECT_GE(rep.size(), 8u);
    EXPECT_EQ(rep[2], line132({{1, "PROGRAM:"}, {10, "QUARLO G77-2.6"}, {26, "24-04-2014"}, {122, " 8-Dec-2026"}}));
    EXPECT_EQ(rep[6], " ");
    EXPECT_EQ(rep[7], line132({{54, "*** OPTIONS SELECTED ***"}}));
    return std::vector<std::string>(rep.begin() + 8, rep.end());
}

std::string control(std::initializer_list<std::pair<int, std::string>> fields) {
    return line132(fields).substr(0, 80);
}

} // namespace

TEST(ControlRecord, AllBlankRecordGivesTheDefaults) {
    TempDir dir;
    TestRun r;
    auto lines = run_control(r, "01");
    std::vector<std::string> expected = {
        " ",
        " ",
        line132({{54, "Zone number is"}, {74, "Local system"}}),
        line132({{48, "Refraction option is"}, {70, "0"}}),
        line132({{38, "Zenith distance (C-O) limit is"}, {70, "600"}, {75, "seconds"}}),
        line132({{36, "Height difference (C-O) limit is"}, {70, "10"}, {75, "metres"}}),
        line132({{37, "Default value for refraction is"}, {70, "0.0650"}}),
        line132({{36, "Refraction standard deviation is"}, {70, "0.0100"}}),
        line132({{37, "Required stage of processing is"}, {70, "1"}}),
    };
    EXPECT_EQ(lines, expected);
    auto& c = r.c();
    EXPECT_EQ(c.option.run_status, 1);
    EXPECT_EQ(c.rec01.iterations_left, 1);
    EXPECT_EQ(c.rec01.required_stage, 1);
    EXPECT_EQ(c.tmvals.zone_code, 0);
    EXPECT_EQ(c.numbrs.projection_type, 1);
    EXPECT_FLOAT_EQ(c.rec01.zenith_co_limit, 600.0f);
    EXPECT_FLOAT_EQ(c.rec01.height_difference_co_limit, 10.0f);
    EXPECT_FLOAT_EQ(c.rec01.default_refraction, 0.065f);
    EXPECT_FLOAT_EQ(c.rec01.refraction_standard_deviation, 10.0f);
    EXPECT_FLOAT_EQ(c.rec01.zenith_sd_factor, 1.0f);
    EXPECT_EQ(c.option.eccentric_data_present, 1);
    EXPECT_EQ(c.option.banded_inverse_switch, 1);
    // The version date is shown only while the options are listed.
    EXPECT_EQ(c.ioarea.progid.str().substr(16, 10), std::string(10, ' '));
}

TEST(ControlRecord, FullRecordListsEveryOption) {
    TempDir dir;
    TestRun r;
    auto lines = run_control(r, control({{1, "01"},
                                         {5, "56"},
                                         {8, "1"},
                                         {12, "300."},
                                         {16, "5.0"},
                                         {20, "1234"},
                                         {25, "12"},
                                         {28, "2.3"},
                                         {32, "1"},
                                         {34, "1"},
                                         {36, "1"},
                                         {38, "0.070"},
                                         {44, "0.020"},
                                         {51, "33"},
                                         {54, "3"},
                                         {56, "1"},
                                         {58, "3"},
                                         {60, "1.5"},
                                         {64, "2"},
                                         {66, "1"},
                                         {68, "0.5"},
                                         {74, "1"},
                                         {76, "1"},
                                         {78, "1"},
                                         {80, "1"}}));
    std::vector<std::string> expected = {
        " ",
        " ",
        line132({{54, "Zone number is"}, {70, "56"}}),
        line132({{52, "Mean latitude is"}, {70, "33"}}),
        line132({{48, "Refraction option is"}, {70, "1"}}),
        line132({{38, "Zenith distance (C-O) limit is"}, {70, "300."}, {75, "seconds"}}),
        line132({{36, "Height difference (C-O) limit is"}, {70, "5.0"}, {75, "metres"}}),
        line132({{34, "Height difference weight factor is"}, {70, " 2.3"}, {75, "ppm"}}),
        line132({{36, "Use of geoid separation model is required"}}),
        line132({{37, "Default value for refraction is"}, {70, "0.0700"}}),
        line132({{36, "Refraction standard deviation is"}, {70, "0.0200"}}),
        line132({{37, "Required stage of processing is"}, {70, "3"}}),
        line132({{45, "Number of iterations is"}, {70, "3"}}),
        line132({{50, "Analysis option is"}, {70, "2"}}),
        line132({{38, "Observation equation output is required"}}),
        line132({{34, "Normal equation solution output is required"}}),
        line132({{37, "Centering standard deviation is"}, {69, " 0.5"}, {74, "centimetres"}}),
        line132({{23, "Rotation parameters for height differences are included"}}),
        line132({{24, "Conversion of vertical angle observations is required"}}),
        line132({{22, "Conversion of refraction coefficient values is required"}}),
        line132({{24, "Zenith distance standard deviation factor is"}, {70, "1.5"}}),
    };
    EXPECT_EQ(lines, expected);
    auto& c = r.c();
    EXPECT_EQ(c.tmvals.zone_code, 856);
    EXPECT_EQ(c.numbrs.projection_type, 6);
    EXPECT_EQ(c.option.refraction_option, 1);
    EXPECT_FLOAT_EQ(c.rec01.zenith_co_limit, 300.0f);
    EXPECT_FLOAT_EQ(c.rec01.height_difference_co_limit, 5.0f);
    EXPECT_EQ(c.reginf.final_list_number, 1234);
    EXPECT_EQ(c.reginf.final_list_sub_number, 12);
    // 2.3 held in single precision is 2.2999999523; ten times that truncates to 22.
    EXPECT_EQ(c.option.weight_factor, 22);
    EXPECT_EQ(c.option.equation_output, 1);
    EXPECT_EQ(c.option.solution_output, 1);
    EXPECT_EQ(c.option.geoid_model_option, 1);
    EXPECT_FLOAT_EQ(c.rec01.default_refraction, 0.07f);
    EXPECT_FLOAT_EQ(c.rec01.refraction_standard_deviation, 20.0f);
    EXPECT_EQ(c.numbrs.mean_latitude, 33);
    EXPECT_EQ(c.rec01.required_stage, 3);
    EXPECT_EQ(c.option.station_file_option, 1);
    EXPECT_EQ(c.rec01.iterations_left, 3);
    EXPECT_FLOAT_EQ(c.rec01.zenith_sd_factor, 1.5f);
    EXPECT_EQ(c.option.run_status, 3);
    EXPECT_EQ(c.option.precision_option, 1);
    EXPECT_EQ(c.option.centring_sd, 50);
    EXPECT_EQ(c.option.rotation_option, 1);
    EXPECT_EQ(c.option.zenith_distance_switch, 1);
    EXPECT_EQ(c.option.vertical_angle_conversion, 1);
    EXPECT_EQ(c.option.refraction_conversion, 1);
}

TEST(ControlRecord, ZoneNormalisation) {
    struct Case {
        std::string columns4to6;
        int zone;
        int projection;
        std::string printed; // at print column 70
    };
    const Case cases[] = {
        {"55 ", 855, 6, "55"}, {" 55", 855, 6, "55"}, {"655", 55, 3, " 55"}, {" 56", 856, 6, "56"},
        {"656", 56, 3, " 56"}, {"  2", 2, 1, "  2"},  {"561", 561, 4, "561"}, {"755", 755, 5, "755"},
        {"2  ", 82, 3, "2"},
    };
    for (const auto& k : cases) {
        TempDir dir;
        TestRun r;
        auto lines = run_control(r, "01 " + k.columns4to6);
        EXPECT_EQ(r.c().tmvals.zone_code, k.zone) << k.columns4to6;
        EXPECT_EQ(r.c().numbrs.projection_type, k.projection) << k.columns4to6;
        EXPECT_EQ(lines[2], line132({{54, "Zone number is"}, {70, k.printed}})) << k.columns4to6;
    }
}

TEST(ControlRecord, UnreadableZoneGivesLocalCodeWithoutTheText) {
    TempDir dir;
    TestRun r;
    auto lines = run_control(r, "01 5X5");
    EXPECT_EQ(r.c().tmvals.zone_code, 0);
    EXPECT_EQ(lines[2], line132({{54, "Zone number is"}, {70, "5X5"}}));
}

TEST(ControlRecord, AnalysisOptionInColumn65AndOutOfRangeRotation) {
    TempDir dir;
    TestRun r;
    auto lines = run_control(r, control({{1, "01"}, {65, "3"}, {74, "5"}, {36, "1"}}));
    EXPECT_EQ(r.c().option.run_status, 4);
    EXPECT_EQ(r.c().option.rotation_option, 0);
    // Without a zone the geoid column is not read.
    EXPECT_EQ(r.c().option.geoid_model_option, 0);
    ASSERT_EQ(lines.size(), 10u);
    EXPECT_EQ(lines[9], line132({{50, "Analysis option is"}, {70, "3"}}));
}

TEST(ControlRecord, GeoidOptionTwoIsStoredWithoutTheMessage) {
    TempDir dir;
    TestRun r;
    auto lines = run_control(r, control({{1, "01"}, {4, "856"}, {36, "2"}}));
    EXPECT_EQ(r.c().option.geoid_model_option, 2);
    for (const auto& l : lines) EXPECT_EQ(l.find("geoid"), std::string::npos);
}
