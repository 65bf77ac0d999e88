// Final station lists: the name sort, the adjusted and held-fixed lists and
// the height file, from station records laid out by hand.
#include "results/station_lists.h"

#include "../adjust/adjust_fixture.h"

#include <cstring>
#include <filesystem>
#include <numeric>
#include <random>

#include <gtest/gtest.h>

using namespace quarlo;
using namespace quarlo::test;

namespace {

std::string sp(int n) { return std::string(static_cast<std::size_t>(n), ' '); }

struct ListRun : AdjustRun {
    // Station records on quarlo09.wrk and, with the same names, the station
    // records of the equation work file that the sort reads.
    void lay_out(const std::vector<StationRecord>& list) {
        stations = list;
        write();
        for (std::size_t i = 0; i < list.size(); ++i) {
            EqnStationRecord e;
            e.status = list[i].status;
            e.number = list[i].number;
            e.name = list[i].name;
            e.height = list[i].height;
            write_eqn_station(c().files.unit1, static_cast<int>(i) + 1, e);
        }
    }

    std::vector<int> sorted() {
        tnamsrt(c());
        std::vector<int> order;
        for (int k = 1; k <= c().numbrs.number_of_stations; ++k) order.push_back(c().arrays.name_order(k));
        return order;
    }

    // The records of the list under the heading with this title, from the
    // blank record after its column captions to the end of its page.
    std::vector<std::string> list(const std::string& title) {
        auto rep = run.report();
        std::size_t k = 0;
        while (k < rep.size() && !(rep[k].find("LIST OF STATIONS") == 18 && cols(rep[k], 36, static_cast<int>(title.size())) == title)) ++k;
        while (k < rep.size() && cols(rep[k], 5, 7) != "STATION") ++k;
        std::vector<std::string> out;
        for (++k; k < rep.size() && rep[k] != "\f"; ++k) out.push_back(rep[k]);
        return out;
    }
};

StationRecord with(StationRecord s, int registration, float apriori_sd, float adjusted_sd, int pillar = 0) {
    s.registration = registration;
    s.height_sd = apriori_sd;
    s.adjusted_sd = adjusted_sd;
    s.pillar = pillar;
    s.geoid = 0.5f;
    return s;
}

// Positions 1-7: adjusted and fixed stations, with and without registration
// numbers, a-priori and adjusted standard deviations.
std::vector<StationRecord> network() {
    return {with(station(5, 1, 123.4567f, 0, 0, "MOUNT VIEW"), 0, 0.0f, 0.0123f),
            with(station(2, 0, 10.0f, 0, 0, "BASE"), -1234, 0.0f, 0.0f),
            with(station(7, 1, 99.9995f, 0, 0, "ALPHA"), 4321, 0.0f, 0.0f),
            with(station(3, 1, 400.0f, 0, 0, "ZULU"), 0, 0.05f, 0.0025f),
            with(station(9, 0, 250.5f, 0, 0, "BEACON"), 0, 0.0f, 0.0f),
            with(station(1, 1, -12.25f, 0, 0, "alpha"), 0, 0.0f, 0.0f, 1),
            with(station(8, 1, 55.0f, 0, 0, "OBSERVED"), 0, 0.02f, 0.0f)};
}

} // namespace

// --- Sorting ---------------------------------------------------------------

// Character codes decide, over all 20 columns; equal names keep the order
// the diminishing increments leave them in.
TEST(NameSort, ByCharacterCodes) {
    struct Case {
        std::vector<std::string> names; // positions 1, 2, ...
        std::vector<int> order;
    };
    const Case cases[] = {
        {{}, {}},
        {{"ONLY"}, {1}},
        // All blanks, a leading blank, digits, upper case, a shorter name
        // before a longer one, lower case.
        {{"abc", "ABC1", " ", "ABC", " Z", "9 NINE"}, {3, 5, 6, 4, 2, 1}},
        // Late columns, and a code above 127 after every letter.
        {{"STATION NUMBER 0002", "STATION NUMBER 0001", "STATION NAME", "\xC9TANG", "zone", "STATION NUMBER 00011"},
         {3, 2, 6, 1, 5, 4}},
        // Gaps 3 then 1: the first pass exchanges entries 1 and 4, which
        // carries the second "A" ahead of the first.
        {{"B", "A", "C", "A"}, {4, 2, 1, 3}},
    };
    for (const Case& c : cases) {
        ListRun r;
        std::vector<StationRecord> stations;
        for (std::size_t k = 0; k < c.names.size(); ++k)
            stations.push_back(station(static_cast<int>(k) + 1, 1, 1.0f, 0, 0, c.names[k]));
        r.lay_out(stations);
        EXPECT_EQ(r.sorted(), c.order) << c.names.size();
    }
    // The sorted table holds the names blank-filled to 20 columns.
    ListRun r;
    r.lay_out({station(1, 1, 1.0f, 0, 0, "abc"), station(2, 1, 1.0f, 0, 0, " ")});
    EXPECT_EQ(r.sorted(), (std::vector<int>{2, 1}));
    EXPECT_EQ(r.c().arrays.sort_name(1).str(), sp(20));
    EXPECT_EQ(r.c().arrays.sort_name(2).str(), "abc" + sp(17));
}

// Many equal names: the order is the one of the diminishing increments
// walked each time to the start of the table, as worked here name by name
// (as unsigned character codes).
TEST(NameSort, EqualNamesEndAsAWalkToTheStartLeavesThem) {
    std::mt19937 random(6);
    for (int n : {2, 3, 17, 64, 300}) {
        std::vector<std::string> names;
        std::vector<StationRecord> stations;
        for (int k = 1; k <= n; ++k) {
            std::string name(1 + random() % 3, ' ');
            for (char& ch : name) ch = "AB b\xC9"[random() % 5];
            names.push_back(name + sp(20 - static_cast<int>(name.size())));
            stations.push_back(station(k % 1000, 1, 1.0f, 0, 0, name));
        }
        std::vector<int> order(static_cast<std::size_t>(n));
        std::iota(order.begin(), order.end(), 1);
        int m = 1;
        while (m <= n) m *= 2;
        for (int gap = (m - 1) / 2; gap > 0; gap /= 2)
            for (int j = 1; j <= n - gap; ++j)
                for (int i = j; i > 0; i -= gap) {
                    const auto a = static_cast<std::size_t>(i - 1), b = static_cast<std::size_t>(i + gap - 1);
                    if (std::memcmp(names[a].data(), names[b].data(), 20) > 0) {
                        std::swap(names[a], names[b]);
                        std::swap(order[a], order[b]);
                    }
                }
        ListRun r;
        r.lay_out(stations);
        EXPECT_EQ(r.sorted(), order) << n;
    }
}

// --- Lists -------------------------------------------------------------------

// Name order ALPHA, BASE, BEACON, MOUNT VIEW, OBSERVED, ZULU, alpha. Without
// a computed standard deviation (ALPHA, alpha, and OBSERVED whose a-priori
// value is not shown) the 95% column stays blank.
TEST(StationLists, AdjustedAndHeldFixedInNameOrder) {
    ListRun r;
    r.c().reginf.final_list_number = 12;
    r.lay_out(network());
    tnamsrt(r.c());
    trlist(r.c());

    EXPECT_EQ(r.list("ADJUSTED"),
              (std::vector<std::string>{" ", line132({{3, "ALPHA"}, {32, "4321"}, {47, "  99.999"}}),
                                        line132({{3, "MOUNT VIEW"}, {47, " 123.457"}, {67, "0.024"}}),
                                        line132({{3, "OBSERVED"}, {47, "  55.000"}}),
                                        line132({{3, "ZULU"}, {47, " 400.000"}, {67, "0.005"}}),
                                        line132({{3, "alpha (P)"}, {47, " -12.250"}})}));
    EXPECT_EQ(r.list("HELD FIXED"), (std::vector<std::string>{" ", line132({{3, "BASE"}, {32, "1234"}, {47, "  10.000"}}),
                                                              line132({{3, "BEACON"}, {47, " 250.500"}})}));
    // Each list begins a page under its own heading.
    auto rep = r.run.report();
    EXPECT_EQ(std::count(rep.begin(), rep.end(), "\f"), 2);
    EXPECT_EQ(r.lines_with("IN ORV V 12").size(), 2u);
}

TEST(StationLists, LabelModePrintsTheLabel) {
    ListRun r;
    r.c().rec01.label_mode = 1;
    r.label(1, "NORTH-1");
    r.label(2, "SOUTH-2");
    r.lay_out({with(station(1, 0, 20.0f, 0, 0, "B NAME"), 0, 0.0f, 0.0f, 1),
               with(station(2, 1, 30.0f, 0, 0, "A NAME"), 0, 0.0f, 0.1f, 1)});
    tnamsrt(r.c());
    trlist(r.c());
    EXPECT_EQ(r.list("ADJUSTED"),
              (std::vector<std::string>{" ", line132({{3, "SOUTH-2"}, {47, "  30.000"}, {67, "0.196"}})}));
    EXPECT_EQ(r.list("HELD FIXED"), (std::vector<std::string>{" ", line132({{3, "NORTH-1"}, {47, "  20.000"}})}));
}

// Lists without lines still show their headings.
TEST(StationLists, EmptyListsShowTheirHeadings) {
    ListRun r;
    r.lay_out({});
    tnamsrt(r.c());
    trlist(r.c());
    EXPECT_EQ(r.list("ADJUSTED"), (std::vector<std::string>{" "}));
    EXPECT_EQ(r.list("HELD FIXED"), (std::vector<std::string>{" "}));
}

// --- Height file -------------------------------------------------------------

namespace {

std::string height_record(const std::string& name, const std::string& reg5, const std::string& num3,
                          const std::string& height8, const std::string& list6) {
    std::string name20 = name + sp(20 - static_cast<int>(name.size()));
    return "12" + name20 + " " + reg5 + " " + num3 + sp(27) + height8 + sp(5) + list6 + sp(2);
}

} // namespace

// Final list number 0 is written as -999 and a negative sub-number as
// positive. Fixed stations and stations whose height was also observed
// carry no final list number, whether or not a standard deviation was
// computed for them.
TEST(HeightFile, RecordsInNameOrder) {
    ListRun r;
    r.c().reginf.final_list_number = 0;
    r.c().reginf.final_list_sub_number = -3;
    ASSERT_TRUE(r.c().files.unit10.open("net.hgt", SeqFile::Mode::Staged));
    r.lay_out(network());
    tnamsrt(r.c());
    trlev4(r.c());
    r.c().files.unit10.commit(); // as the driver does once the run has succeeded

    EXPECT_EQ(read_lines("net.hgt"),
              (std::vector<std::string>{height_record("ALPHA", " 4321", "  7", "  99.999", "-999 3"),
                                        height_record("BASE", "-1234", "  2", "  10.000", sp(6)),
                                        height_record("BEACON", sp(5), "  9", " 250.500", sp(6)),
                                        height_record("MOUNT VIEW", sp(5), "  5", " 123.457", "-999 3"),
                                        height_record("OBSERVED", sp(5), "  8", "  55.000", sp(6)),
                                        height_record("ZULU", sp(5), "  3", " 400.000", sp(6)),
                                        height_record("alpha", sp(5), "  1", " -12.250", "-999 3"), "99", "99"}));
    EXPECT_FALSE(std::filesystem::exists("net.hgt.tmp"));
}

// A sub-number above 9 takes columns 77-78; a value that does not fit its
// field is left blank and the report names it.
TEST(HeightFile, WideValuesNeverWriteAsterisks) {
    ListRun r;
    r.c().reginf.final_list_number = 12;
    r.c().reginf.final_list_sub_number = 15;
    ASSERT_TRUE(r.c().files.unit10.open("net.hgt", SeqFile::Mode::Staged));
    r.lay_out({with(station(5, 1, 12345.678f, 0, 0, "HIGH"), 123456, 0.0f, 0.0f),
               with(station(6, 1, 9999.999f, 0, 0, "LOW"), 99999, 0.0f, 0.0f)});
    tnamsrt(r.c());
    trlev4(r.c());
    r.c().files.unit10.commit(); // as the driver does once the run has succeeded

    EXPECT_EQ(read_lines("net.hgt"),
              (std::vector<std::string>{height_record("HIGH", sp(5), "  5", sp(8), "  1215"),
                                        height_record("LOW", "99999", "  6", "9999.999", "  1215"), "99", "99"}));
    auto warnings = r.lines_with("*** HEIGHT FILE:");
    ASSERT_EQ(warnings.size(), 2u);
    EXPECT_EQ(warnings[0],
              line132({{20, "*** HEIGHT FILE: REGISTRATION NUMBER OF STATION 5 DOES NOT FIT ITS FIELD AND IS LEFT "
                            "BLANK ***"}}));
    EXPECT_EQ(warnings[1],
              line132({{20, "*** HEIGHT FILE: HEIGHT OF STATION 5 DOES NOT FIT ITS FIELD AND IS LEFT BLANK ***"}}));
}

// --- Replacing the height file ------------------------------------------------

namespace {

// A control record asking for stage 4, with the zone field given.
std::string stage4_control(const std::string& zone) { return "01" + zone + sp(51 - static_cast<int>(zone.size())) + "4"; }

} // namespace

// A run that fails leaves the height file of an earlier run as it was.
TEST(HeightFileReplacement, FailedRunKeepsTheOldFile) {
    TempDir dir;
    write_file("net.hgt", "OLD\n");
    write_file("net.dat",
               stage4_control(" 999") + "\n10   1  1000.000  2000.000 A                           10.000*\n99\n");
    EXPECT_EQ(run_program({"net.dat"}).status, 1);
    EXPECT_EQ(read_file("net.hgt"), "OLD\n");
    EXPECT_EQ(dir.files(), (std::vector<std::string>{"net.dat", "net.hgt", "net.prt"}));
}

// A completed run replaces it: a network without stations has only the two
// closing records.
TEST(HeightFileReplacement, CompletedRunReplacesTheOldFile) {
    TempDir dir;
    write_file("net.hgt", "OLD\n");
    write_file("net.dat", stage4_control("") + "\n99\n");
    EXPECT_EQ(run_program({"net.dat"}).status, 0);
    EXPECT_EQ(read_file("net.hgt"), "99\n99\n");
    EXPECT_EQ(dir.files(), (std::vector<std::string>{"net.dat", "net.hgt", "net.prt"}));
}
