// The record reader and the fixed-column integer, real and angle fields.
#include "report/iocat3.h"
#include "support/test_util.h"

#include <gtest/gtest.h>

#include <cmath>

using namespace quarlo;
using quarlo::test::TempDir;
using quarlo::test::TestRun;
using quarlo::test::write_file;

namespace {

constexpr double kSecond = 4848.136811095e-9;

void card(TestRun& r, const std::string& text) { r.c().ioarea.card.set(text); }

} // namespace

TEST(FieldReaders, IntegerFields) {
    TestRun r;
    card(r, "  12   -71 2  +5  x9  ");
    EXPECT_EQ(jio01(r.c(), 1, 4), 12);
    EXPECT_EQ(r.c().ioarea.field_status, 1);
    EXPECT_EQ(jio01(r.c(), 5, 5), -7);
    EXPECT_EQ(jio01(r.c(), 10, 4), 12); // blanks inside a field are ignored
    EXPECT_EQ(jio01(r.c(), 14, 4), 5);
    EXPECT_EQ(r.c().ioarea.record_status, 0);
    EXPECT_EQ(jio01(r.c(), 60, 5), 0);
    EXPECT_EQ(r.c().ioarea.field_status, 0); // blank field: absent, not an error
    EXPECT_EQ(r.c().ioarea.record_status, 0);
    EXPECT_EQ(jio01(r.c(), 19, 4), 0);
    EXPECT_EQ(r.c().ioarea.field_status, -1);
    EXPECT_EQ(r.c().ioarea.record_status, -1);
}

TEST(FieldReaders, IntegerFieldOutOfRangeIsUnreadable) {
    TestRun r;
    card(r, "99999999999");
    EXPECT_EQ(jio01(r.c(), 1, 11), 0);
    EXPECT_EQ(r.c().ioarea.field_status, -1);
    card(r, "-2147483648");
    EXPECT_EQ(jio01(r.c(), 1, 11), -2147483647 - 1);
    EXPECT_EQ(r.c().ioarea.field_status, 1);
}

TEST(FieldReaders, RealFieldsHaveNoImpliedDecimals) {
    TestRun r;
    card(r, test::line132({{1, "  12"},
                           {5, "    1.5E2  "},
                           {16, "1 2.5 "},
                           {22, "1.5D-1 "},
                           {29, "1.5+2  "},
                           {36, "  -.25"},
                           {42, "abc "},
                           {46, "1.5E  "}}));
    EXPECT_DOUBLE_EQ(eio00(r.c(), 1, 4), 12.0);
    EXPECT_DOUBLE_EQ(eio00(r.c(), 5, 11), 150.0);
    EXPECT_DOUBLE_EQ(eio00(r.c(), 16, 6), 12.5);
    EXPECT_DOUBLE_EQ(eio00(r.c(), 22, 7), 0.15);
    EXPECT_DOUBLE_EQ(eio00(r.c(), 29, 7), 150.0);
    EXPECT_DOUBLE_EQ(eio00(r.c(), 36, 6), -0.25);
    EXPECT_EQ(r.c().ioarea.field_status, 1);
    EXPECT_DOUBLE_EQ(eio00(r.c(), 42, 4), 0.0);
    EXPECT_EQ(r.c().ioarea.field_status, -1);
    EXPECT_EQ(r.c().ioarea.record_status, 0); // only integer fields mark the record
    EXPECT_DOUBLE_EQ(eio00(r.c(), 46, 6), 0.0);
    EXPECT_EQ(r.c().ioarea.field_status, -1);
    EXPECT_DOUBLE_EQ(eio00(r.c(), 70, 5), 0.0);
    EXPECT_EQ(r.c().ioarea.field_status, 0);
}

TEST(FieldReaders, WideFieldsKeepTheirFirstTwentyCharacters) {
    TestRun r;
    card(r, "1234567890123456789099");
    EXPECT_DOUBLE_EQ(eio00(r.c(), 1, 22), 12345678901234567890.0);
}

TEST(AngleReaders, DegreesMinutesSeconds) {
    TestRun r;
    card(r, test::line132({{1, "12345 6"}, {9, "0920507"}, {17, " -0300000"}}));
    EXPECT_NEAR(esu00(r.c(), 9), (92 * 3600 + 5 * 60 + 7) * kSecond, 1e-15);
    EXPECT_EQ(r.c().ioarea.field_status, 1);
    // A minus sign among the leading blanks makes the angle negative.
    EXPECT_NEAR(esu00(r.c(), 17), -30 * 60 * kSecond, 1e-15);
    EXPECT_EQ(r.c().ioarea.field_status, 2);
}

TEST(AngleReaders, AbsentAndOutOfRangeParts) {
    TestRun r;
    card(r, test::line132({{1, "   -+  "}, {8, "3600000"}, {16, "0596000"}, {24, "0006000"}}));
    EXPECT_EQ(esu00(r.c(), 1), 0.0);
    EXPECT_EQ(r.c().ioarea.field_status, 0);
    EXPECT_EQ(esu00(r.c(), 8), 0.0); // 360 degrees
    EXPECT_EQ(r.c().ioarea.field_status, -1);
    EXPECT_EQ(esu00(r.c(), 16), 0.0); // 60 seconds
    EXPECT_EQ(r.c().ioarea.field_status, -1);
    EXPECT_EQ(esu00(r.c(), 24), 0.0); // 60 minutes
    EXPECT_EQ(r.c().ioarea.field_status, -1);
}

TEST(AngleReaders, FractionOfASecond) {
    TestRun r;
    card(r, test::line132({{1, "0920507.5"}, {11, "0920507.5E1"}, {23, "0920507 5"}, {33, "S33300000.25"}}));
    EXPECT_NEAR(esu05(r.c(), 1, 9), (92 * 3600 + 5 * 60 + 7.5) * kSecond, 1e-15);
    EXPECT_EQ(r.c().ioarea.field_status, 1);
    EXPECT_EQ(esu05(r.c(), 11, 11), 0.0); // a fraction of 5 seconds is an error
    EXPECT_EQ(r.c().ioarea.field_status, -1);
    // Without a point after the seconds the rest is not read.
    EXPECT_NEAR(esu05(r.c(), 23, 9), (92 * 3600 + 5 * 60 + 7) * kSecond, 1e-15);
    // A letter in the sign column makes the degrees unreadable.
    EXPECT_EQ(esu05(r.c(), 33, 13), 0.0);
    EXPECT_EQ(r.c().ioarea.field_status, -1);
    card(r, "-333000.25");
    EXPECT_NEAR(esu05(r.c(), 1, 12), -(33 * 3600 + 30 * 60 + 0.25) * kSecond, 1e-15);
    EXPECT_EQ(r.c().ioarea.field_status, 2);
}

TEST(RecordReader, SkipsBlankAndUncodedLinesAndCountsThem) {
    TempDir dir;
    write_file("in.dat", "\n  blank code columns\nGRD keyword line\n23 1001 002\n1\n99");
    TestRun r;
    ASSERT_TRUE(r.c().files.unit4.open("in.dat", SeqFile::Mode::Old));
    icr00(r.c());
    EXPECT_EQ(r.c().ioarea.record_status, 0);
    EXPECT_EQ(r.c().ioarea.record_code, 23);
    EXPECT_EQ(r.c().ioarea.card.str(), test::cols("23 1001 002", 1, 80));
    // The empty line and the line with blank columns 1-2 are not counted.
    EXPECT_EQ(r.c().ioarea.record_count, 2);
    icr00(r.c());
    EXPECT_EQ(r.c().ioarea.record_code, 99); // "1" alone is not two digits: skipped
    EXPECT_EQ(r.c().ioarea.record_count, 4);
    icr00(r.c());
    EXPECT_EQ(r.c().ioarea.record_status, -2);
}
