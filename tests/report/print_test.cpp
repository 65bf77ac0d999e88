// Pagination, page headings and section headings of the report.
#include "report/headings.h"
#include "report/iocat3.h"
#include "report/print.h"
#include "support/test_util.h"

#include <gtest/gtest.h>

using namespace quarlo;
using quarlo::test::cols;
using quarlo::test::line132;
using quarlo::test::TempDir;
using quarlo::test::TestRun;

namespace {

const std::string kBlank132(132, ' ');

std::string heading1(int page) {
    std::string l = line132({{1, "TARNWELD"}, {50, "TRIGONOMETRICAL HEIGHT ADJUSTMENT"}});
    if (page < 1000) {
        l.replace(124, 4, "PAGE");
        std::string n = std::to_string(page);
        l.replace(132 - n.size(), n.size(), n);
    } else {
        l.replace(123, 4, "PAGE");
        l.replace(128, 4, std::to_string(page));
    }
    return l;
}

const std::string kHeading2 = line132({{1, "PROGRAM:"}, {10, "QUARLO G77-2.6"}, {122, " 8-Dec-2026"}});

} // namespace

TEST(PrintEngine, FirstPrintStartsPageOneWithTheFiveHeadingLines) {
    TempDir dir;
    TestRun r;
    r.open_report();
    r.c().ioarea.jobtxt[0].set("   FIRST TITLE");
    r.c().ioarea.jobtxt[1].set("SECOND");
    ioc11(r.c(), "HELLO", 3);
    opr00(r.c(), 1);
    auto rep = r.report();
    ASSERT_EQ(rep.size(), 7u);
    EXPECT_EQ(rep[0], "\f");
    EXPECT_EQ(rep[1], heading1(1));
    EXPECT_EQ(rep[2], kHeading2);
    EXPECT_EQ(rep[3], line132({{36, "FIRST TITLE"}}));
    EXPECT_EQ(rep[4], line132({{33, "SECOND"}}));
    EXPECT_EQ(rep[5], kBlank132);
    EXPECT_EQ(rep[6], line132({{3, "HELLO"}}));
    // Heading lines 2 to 4 and the printed line are counted: 60 - 4 - 1.
    EXPECT_EQ(r.c().ioarea.lnleft, 55);
    EXPECT_EQ(r.c().ioarea.pagno, 1);
    EXPECT_EQ(r.c().ioarea.prtlin.str(), kBlank132);
}

TEST(PrintEngine, NewPageWhenTheSpacingWouldFillThePage) {
    TempDir dir;
    TestRun r;
    r.open_report();
    r.c().ioarea.lnleft = 3;
    opr00(r.c(), 2);
    EXPECT_EQ(r.report().size(), 2u); // one blank record and the line
    EXPECT_EQ(r.c().ioarea.lnleft, 1);
    r.c().ioarea.lnleft = 2;
    opr00(r.c(), 2);
    auto rep = r.report();
    ASSERT_EQ(rep.size(), 2u + 6u + 2u);
    EXPECT_EQ(rep[2], "\f");
    EXPECT_EQ(rep[8], " ");
    EXPECT_EQ(r.c().ioarea.lnleft, 54);
}

TEST(PrintEngine, SpacingOfThreeOnAFreshPageGivesTwoBlankRecordsAfterTheHeading) {
    TempDir dir;
    TestRun r;
    r.open_report();
    ioc11(r.c(), "X", 1);
    opr00(r.c(), 3);
    auto rep = r.report();
    ASSERT_EQ(rep.size(), 9u);
    EXPECT_EQ(rep[6], " ");
    EXPECT_EQ(rep[7], " ");
    EXPECT_EQ(rep[8], line132({{1, "X"}}));
}

TEST(PrintEngine, ZeroSpacingPrintsWithoutCountingOrPaging) {
    TempDir dir;
    TestRun r;
    r.open_report();
    ioc11(r.c(), "AT ONCE", 1);
    opr00(r.c(), 0);
    auto rep = r.report();
    ASSERT_EQ(rep.size(), 1u);
    EXPECT_EQ(rep[0], line132({{1, "AT ONCE"}}));
    EXPECT_EQ(r.c().ioarea.lnleft, 0);
}

TEST(PrintEngine, PageNumbersMoveLeftFromPage1000) {
    TempDir dir;
    TestRun r;
    r.open_report();
    r.c().ioarea.pagno = 998;
    set09(r.c());
    set09(r.c());
    auto rep = r.report();
    ASSERT_EQ(rep.size(), 12u);
    EXPECT_EQ(rep[1], heading1(999));
    EXPECT_EQ(cols(rep[1], 125, 8), "PAGE 999");
    EXPECT_EQ(rep[7], heading1(1000));
    EXPECT_EQ(cols(rep[7], 124, 9), "PAGE 1000");
}

TEST(PrintEngine, ComposedLineSurvivesAPageBreak) {
    TempDir dir;
    TestRun r;
    r.open_report();
    set03(r.c(), "PRHEAD", 1);
    ioc11(r.c(), "KEPT LINE", 20);
    opr00(r.c(), 1);
    auto rep = r.report();
    ASSERT_EQ(rep.size(), 6u + 4u + 1u);
    EXPECT_EQ(rep[6], " ");
    EXPECT_EQ(rep[7], line132({{51, "PROVISIONAL HEIGHT COMPUTATION"}}));
    EXPECT_EQ(rep[8], " ");
    EXPECT_EQ(rep[9], " ");
    EXPECT_EQ(rep[10], line132({{20, "KEPT LINE"}}));
}

TEST(PrintEngine, Set99WritesThePendingLineAndAFinalPageBreak) {
    TempDir dir;
    TestRun r;
    r.open_report();
    set99(r.c());
    auto rep = r.report();
    ASSERT_EQ(rep.size(), 2u);
    EXPECT_EQ(rep[0], kBlank132);
    EXPECT_EQ(rep[1], "\f");
}

TEST(PrintEngine, UnknownSectionNamesPrintNoHeading) {
    TempDir dir;
    TestRun r;
    r.open_report();
    set03(r.c(), "NOSUCH", 1);
    opr00(r.c(), 1);
    set03(r.c(), "NOUGHT", 1);
    r.c().ioarea.lnleft = 0;
    opr00(r.c(), 1);
    EXPECT_EQ(r.report().size(), 14u);
}

TEST(PrintEngine, ObservationEquationHeading) {
    TempDir dir;
    TestRun r;
    r.open_report();
    begin_section(r.c(), "OBSHD3");
    opr00(r.c(), 1);
    auto rep = r.report();
    ASSERT_EQ(rep.size(), 6u + 6u + 1u);
    EXPECT_EQ(rep[6], " ");
    EXPECT_EQ(rep[7], line132({{52, "LIST OF OBSERVATION EQUATIONS"}}));
    EXPECT_EQ(rep[8], " ");
    EXPECT_EQ(rep[9], line132({{7, "COLUMN  NUMBERS"}, {51, "COEFFICIENTS"}, {83, "ABSOLUTE"}}));
    EXPECT_EQ(cols(rep[10], 3, 23), "1ST  2ND  3RD  4TH  5TH");
    EXPECT_EQ(cols(rep[10], 112, 4), "  TO");
    EXPECT_EQ(rep[11], " ");
}

TEST(ReportTitles, TitleIsCutAtTheFirstCharacterThatIsNeitherLetterNorBlank) {
    RunContext fresh;
    set02(fresh, std::string("PROG\x01XYZ", 8), "ABC DEF1 GHI");
    EXPECT_EQ(fresh.ioarea.progid.str(), "PROG" + std::string(28, ' '));
    EXPECT_EQ(fresh.ioarea.rtitle.str(), std::string(20, ' ') + "ABC DEF" + std::string(21, ' '));

    RunContext full;
    set02(full, "ID", std::string(48, 'T'));
    EXPECT_EQ(full.ioarea.rtitle.str(), std::string(48, 'T'));
    RunContext odd;
    set02(odd, "ID", std::string(47, 'T'));
    EXPECT_EQ(odd.ioarea.rtitle.str(), std::string(47, 'T') + " ");
}

TEST(ReportTitles, RunDateIsDayMonthFourDigitYear) {
    RunContext ctx;
    set01(ctx);
    std::string d = ctx.ioarea.rundat.str();
    ASSERT_EQ(d.size(), 11u);
    EXPECT_EQ(d[2], '-');
    EXPECT_EQ(d[6], '-');
    EXPECT_EQ(d.substr(7, 2), "20");
    EXPECT_NE(std::string("JanFebMarAprMayJunJulAugSepOctNovDec").find(d.substr(3, 3)), std::string::npos);
    EXPECT_TRUE(d[0] == ' ' || (d[0] >= '1' && d[0] <= '3'));
}

TEST(SectionHeadings, GridDescriptionLines) {
    TempDir dir;
    TestRun r;
    r.open_report();
    auto& c = r.c();
    c.numbrs.projection_type = 4;
    c.tmvals.zone_code = 563;
    tgridhd(c);
    c.numbrs.projection_type = 6;
    c.tmvals.zone_code = 856;
    tgridhd(c);
    c.numbrs.projection_type = 3;
    c.tmvals.zone_code = 56;
    tgridhd(c);
    c.numbrs.projection_type = 1;
    c.tmvals.zone_code = 3;
    tgridhd(c);
    c.numbrs.projection_type = 5;
    c.tmvals.zone_code = 755;
    tgridhd(c);
    auto rep = r.report();
    ASSERT_EQ(rep.size(), 5u);
    EXPECT_EQ(rep[0], line132({{45, "INTEGRATION SURVEYS GRID ZONE 56/3 - METRES"}}));
    EXPECT_EQ(rep[1], line132({{43, "GEOCENTRIC DATUM OF AUSTRALIA  ZONE 56 - METRES"}}));
    EXPECT_EQ(rep[2], line132({{49, "AUSTRALIAN MAP GRID ZONE 56 - METRES"}}));
    EXPECT_EQ(rep[3], line132({{57, "LOCAL GRID - METRES"}}));
    EXPECT_EQ(rep[4], line132({{44, "WORLD GEODETIC SYSTEM 1972  ZONE 55 - METRES"}}));
}

TEST(SectionHeadings, StationListCaptionsFollowTheGeoidDatum) {
    TempDir dir;
    TestRun r;
    r.open_report();
    auto& c = r.c();
    c.numbrs.projection_type = 6;
    c.option.geoid_model_option = 1;
    c.tmvals.zone_code = 800; // neither datum caption
    tlhed1(c);
    c.tmvals.zone_code = 855;
    c.numbrs.number_of_height_observations = 2;
    tlhed1(c);
    c.tmvals.zone_code = 56;
    c.rec01.label_mode = 1;
    tlhed1(c);
    auto rep = r.report();
    ASSERT_EQ(rep.size(), 12u);
    EXPECT_EQ(rep[1], line132({{59, "LIST OF STATIONS"}}));
    EXPECT_EQ(rep[2], " ");
    EXPECT_EQ(rep[3], line132({{17, "NUMBER"}, {38, "NAME"}, {67, "EASTING"}, {84, "NORTHING"}, {99, "HEIGHT"}}));
    EXPECT_EQ(rep[7], line132({{17, "NUMBER"},
                               {38, "NAME"},
                               {67, "EASTING"},
                               {84, "NORTHING"},
                               {99, "HEIGHT"},
                               {114, "SDH"},
                               {124, "N (GRS80)"}}));
    EXPECT_EQ(rep[11], line132({{1, "NUMBER"},
                                {13, "LABEL"},
                                {38, "NAME"},
                                {67, "EASTING"},
                                {84, "NORTHING"},
                                {99, "HEIGHT"},
                                {114, "SDH"},
                                {125, "N (ANS)"}}));
}

TEST(SectionHeadings, HeldFixedStationListMovesTheFinalListNumber) {
    TempDir dir;
    TestRun r;
    r.open_report();
    auto& c = r.c();
    c.reginf.final_list_number = 12;
    c.rec01.pass_countdown = 0;
    tlhed8(c);
    c.rec01.pass_countdown = 1;
    tlhed8(c);
    auto rep = r.report();
    ASSERT_EQ(rep.size(), 12u);
    EXPECT_EQ(rep[1], line132({{19, "LIST OF STATIONS"}, {36, "ADJUSTED"}, {45, "IN ORV V 12"}}));
    EXPECT_EQ(rep[2], line132({{19, std::string(38, '-')}}));
    EXPECT_EQ(rep[4], line132({{5, "STATION"}, {46, "ADJ. HEIGHT"}, {62, "STD DEV (95%)"}}));
    EXPECT_EQ(rep[5], " ");
    EXPECT_EQ(rep[7], line132({{19, "LIST OF STATIONS"}, {36, "HELD FIXED"}, {47, "IN ORV V 12"}}));
    EXPECT_EQ(rep[10], line132({{5, "STATION"}, {48, "HEIGHT"}}));
}

TEST(SectionHeadings, ResidualListCaptionFollowsTheListingMode) {
    TempDir dir;
    TestRun r;
    r.open_report();
    auto& c = r.c();
    c.numbrs.number_of_stations = -5;
    tlhed4(c);
    c.numbrs.number_of_stations = 5;
    tlhed4(c);
    auto rep = r.report();
    ASSERT_EQ(rep.size(), 9u);
    EXPECT_EQ(cols(rep[3], 124, 9), "Z.D. RES.");
    EXPECT_EQ(rep[4], " ");
    EXPECT_EQ(cols(rep[8], 124, 9), " HT. RES.");
}

TEST(SectionHeadings, PrecisionHeadingShowsTheVarianceFactor) {
    TempDir dir;
    TestRun r;
    r.open_report();
    r.c().factor.variance_factor = 0.875f;
    r.c().option.refraction_option = 3;
    tlhed7(r.c());
    auto rep = r.report();
    ASSERT_EQ(rep.size(), 5u);
    EXPECT_EQ(rep[1], line132({{57, "PRECISION  ANALYSIS"}}));
    EXPECT_EQ(rep[2], line132({{5, "VARIANCE FACTOR USED: 0.875"}}));
    EXPECT_EQ(rep[4], line132({{3, "NO."},
                               {15, "NAME"},
                               {52, "ADJ. HEIGHT"},
                               {70, "STD. DEV."},
                               {90, "ADJ. K VALUE"},
                               {108, "STD. DEV."},
                               {124, "OBS."}}));
}
