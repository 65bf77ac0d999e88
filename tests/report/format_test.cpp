// Field placement into the print line: integers, reals, angles, texts.
#include "report/edit.h"
#include "report/iocat3.h"
#include "support/test_util.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>

using namespace quarlo;
using quarlo::test::cols;
using quarlo::test::TestRun;

namespace {

double dms(int d, int m, double s) { return (d + m / 60.0 + s / 3600.0) * kPi / 180.0; }

std::string line(TestRun& r) { return r.c().ioarea.prtlin.str(); }

} // namespace

TEST(EditRules, IntegerFieldRightAlignedWithAsterisksOnOverflow) {
    EXPECT_EQ(edit::int_field(42, 5), "   42");
    EXPECT_EQ(edit::int_field(-7, 3), " -7");
    EXPECT_EQ(edit::int_field(-100, 3), "***");
    EXPECT_EQ(edit::int_field(12345, 4), "****");
    EXPECT_EQ(edit::int_field(0, 1), "0");
}

TEST(EditRules, FixedFieldRoundsAndDropsTheOptionalZeroOnlyWhenShort) {
    EXPECT_EQ(edit::fixed_field(1234.5678, 10, 3), "  1234.568");
    EXPECT_EQ(edit::fixed_field(0.5, 6, 3), " 0.500");
    EXPECT_EQ(edit::fixed_field(0.5, 4, 3), ".500");
    EXPECT_EQ(edit::fixed_field(-0.5, 5, 3), "-.500");
    EXPECT_EQ(edit::fixed_field(0.5, 3, 3), "***");
    EXPECT_EQ(edit::fixed_field(-0.0004, 6, 3), " 0.000");
    // Ties on exactly representable values go to the even digit, as the
    // Fortran run-time library does: 0.125 -> 0.12, 0.375 -> 0.38.
    EXPECT_EQ(edit::fixed_field(0.125, 5, 2), " 0.12");
    EXPECT_EQ(edit::fixed_field(0.375, 5, 2), " 0.38");
    EXPECT_EQ(edit::fixed_field(1.05, 4, 1), " 1.1");
    EXPECT_EQ(edit::fixed_field(std::nan(""), 4, 1), "****");
}

namespace {

// The field as the C library's %.*f prints it, with the sign and the optional
// zero handled as the edit rule says: the yardstick for the integer path.
std::string printf_field(double value, int w, int d) {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", d, value);
    std::string s(buf);
    if (s[0] == '-' && s.find_first_not_of("0.", 1) == std::string::npos) s.erase(0, 1);
    if (static_cast<int>(s.size()) > w && d > 0) {
        if (s.rfind("0.", 0) == 0) s.erase(0, 1);
        else if (s.rfind("-0.", 0) == 0) s.erase(1, 1);
    }
    if (static_cast<int>(s.size()) > w) return std::string(static_cast<std::size_t>(w), '*');
    return std::string(static_cast<std::size_t>(w) - s.size(), ' ') + s;
}

void expect_as_printf(double v) {
    for (int d = 0; d <= 9; ++d)
        for (int w : {1, 2, 3, 4, 5, 6, 8, 10, 12, 15, 20})
            ASSERT_EQ(edit::fixed_field(v, w, d), printf_field(v, w, d)) << v << " F" << w << "." << d;
}

} // namespace

TEST(EditRules, FixedFieldMatchesPrintfOnTiesSignsAndMagnitudes) {
    // Exact binary ties at every decimal count, both signs.
    for (int d = 0; d <= 8; ++d)
        for (int k = 0; k < 200; ++k) {
            double tie = (k + 0.5) / std::pow(10.0, d);
            expect_as_printf(tie);
            expect_as_printf(-tie);
            expect_as_printf(std::nextafter(tie, 0.0));
            expect_as_printf(std::nextafter(tie, 1e9));
        }
    for (double v : {0.0, -0.0, 0.125, -0.125, 2.5, -2.5, 0.0625, 1e-300, -4.9e-324, 9999999999.5, -9999999999.49,
                     1e10, -1e10, 12345678901.25, 1e29, 0.9999999995, -0.99999999949, 99.995, 0.05})
        expect_as_printf(v);
    // Random values over twenty decades.
    std::mt19937_64 gen(20240611);
    std::uniform_real_distribution<double> mant(-10.0, 10.0);
    std::uniform_int_distribution<int> dec(-10, 10);
    for (int i = 0; i < 20000; ++i) expect_as_printf(mant(gen) * std::pow(10.0, dec(gen)));
}

TEST(EditRules, FixedFieldNearHalvesAndLargeScaledValues) {
    // Values whose scaled fraction lies a few ten-thousandths of a unit
    // from a half, on either side of the band the exact working decides,
    // and scaled values around 2^40.
    std::mt19937_64 gen(17);
    std::uniform_int_distribution<long long> whole(0, 999999);
    for (int d = 0; d <= 8; ++d) {
        const double unit = std::pow(10.0, -d);
        for (int i = 0; i < 80; ++i) {
            const double tie = (static_cast<double>(whole(gen)) + 0.5) * unit;
            for (double off : {1e-5, 1.2e-4, 2.3e-4, 2.5e-4, 3e-4, 1e-3})
                for (double v : {tie + off * unit, tie - off * unit}) {
                    expect_as_printf(v);
                    expect_as_printf(-v);
                }
        }
        for (double scaled : {0x1p40 - 1.5, 0x1p40 - 0.5, 0x1p40, 0x1p40 + 0.5, 0x1p40 + 3.0})
            if (scaled * unit < 1e10) expect_as_printf(scaled * unit);
    }
}

TEST(Ioc03, ZeroFlagDecidesWhetherZeroPrints) {
    TestRun r;
    ioc03(r.c(), 0, 10, 3, -1);
    EXPECT_EQ(cols(line(r), 10, 3), "   ");
    ioc03(r.c(), 0, 10, 3, 0);
    EXPECT_EQ(cols(line(r), 10, 3), "  0");
}

TEST(Ioc03, OverflowWideFieldsAndColumnLimits) {
    TestRun r;
    ioc03(r.c(), 12345, 1, 4, 0);
    EXPECT_EQ(cols(line(r), 1, 4), "****");
    ioc11(r.c(), "XXXXXXXXXXXX", 20);
    ioc03(r.c(), 42, 20, 11, 0);
    EXPECT_EQ(cols(line(r), 20, 12), "        42 X");
    ioc03(r.c(), -42, 40, 13, 0); // widths above 12 count as 12
    EXPECT_EQ(cols(line(r), 40, 12), "       -42  ");
    ioc03(r.c(), 7, 0, 3, 0);
    ioc03(r.c(), 7, 133, 3, 0);
    ioc03(r.c(), 7, 60, 0, 0);
    EXPECT_EQ(line(r).find('7'), std::string::npos);
    ioc03(r.c(), 123, 131, 3, 0); // cut at column 132
    EXPECT_EQ(cols(line(r), 130, 3), " 12");
}

TEST(Ioc05, IntegerFormsAddAHalfAndTruncate) {
    TestRun r;
    ioc05(r.c(), 2.5, 1, 6, 0);
    EXPECT_EQ(cols(line(r), 1, 6), "    3.");
    ioc05(r.c(), 2.5, 11, 6, -1);
    EXPECT_EQ(cols(line(r), 11, 6), "     3");
    ioc05(r.c(), -2.7, 21, 4, -1);
    EXPECT_EQ(cols(line(r), 21, 4), "  -2");
    ioc05(r.c(), 99999.6, 31, 5, -1);
    EXPECT_EQ(cols(line(r), 31, 5), "*****");
    ioc05(r.c(), 1e30, 41, 12, -1);
    EXPECT_EQ(cols(line(r), 41, 12), "  **********");
}

TEST(Ioc05, DecimalsRoundingSignsAndOverflow) {
    TestRun r;
    ioc05(r.c(), 0.5, 1, 6, 3);
    EXPECT_EQ(cols(line(r), 1, 6), " 0.500");
    ioc05(r.c(), -0.0004, 11, 6, 3);
    EXPECT_EQ(cols(line(r), 11, 6), " 0.000");
    ioc05(r.c(), 1234.5, 21, 6, 2);
    EXPECT_EQ(cols(line(r), 21, 6), "******");
    ioc05(r.c(), 123.456, 31, 7, 3);
    EXPECT_EQ(cols(line(r), 31, 7), "123.456");
    // The zero before the point is never dropped here: no room means asterisks.
    ioc05(r.c(), 0.5, 41, 4, 3);
    EXPECT_EQ(cols(line(r), 41, 4), "****");
    ioc05(r.c(), -12.3456, 51, 9, 8);
    EXPECT_EQ(cols(line(r), 51, 9), "*********");
    ioc05(r.c(), -1.5, 61, 5, 2);
    EXPECT_EQ(cols(line(r), 61, 5), "-1.50");
}

TEST(Ioc05, DecimalsAboveEightAndColumnRangeLeaveTheLineBlank) {
    TestRun r;
    ioc05(r.c(), 1.25, 1, 6, 9);
    ioc05(r.c(), 1.25, 132, 1, 0);
    ioc05(r.c(), 1.25, 10, 16, 2);
    ioc05(r.c(), 1.25, 10, 0, 2);
    EXPECT_EQ(line(r), std::string(132, ' '));
}

TEST(Ioc05, FieldsWrittenInLineFollowTheGeneralRules) {
    // Rounded integers and fields of one to eight decimals are written in
    // line; the general rules must give the same columns, including
    // overflow, halves and the cut at column 132.
    std::mt19937_64 rng(17);
    std::uniform_real_distribution<double> unit(-1.0, 1.0);
    TestRun fast, general;
    for (int i = 0; i < 40000; ++i) {
        const int decimals = static_cast<int>(rng() % 10) - 1;
        if (decimals == 0) continue;
        const int width = 1 + static_cast<int>(rng() % 15);
        const int col = i % 2 ? 117 + static_cast<int>(rng() % 15) : 1 + static_cast<int>(rng() % 131);
        double value = unit(rng) * std::pow(10.0, static_cast<double>(rng() % 11));
        if (i % 5 == 0) value = std::round(value) + 0.5; // halves
        ioc05(fast.c(), value, col, width, decimals);
        io_detail::ioc05_other(general.c(), value, col, width, decimals);
        ASSERT_EQ(line(fast), line(general)) << value << " col " << col << " width " << width << " decimals " << decimals;
    }
}

TEST(Raddms15, WorkedAnglesAndCarries) {
    EXPECT_EQ(raddms15(dms(0, 30, 0), 1), "  0 30 00.0    ");
    EXPECT_EQ(raddms15(-dms(0, 30, 0), 1), " -0 30 00.0    ");
    EXPECT_EQ(raddms15(dms(359, 59, 59.96), 1), "360 00 00.0    ");
    EXPECT_EQ(raddms15(-dms(1, 0, 0), 1), " -1 00 00.0    ");
    EXPECT_EQ(raddms15(dms(92, 5, 7.3), 1), " 92 05 07.3    ");
    // Seconds rounded to 60 carry into the minutes only.
    EXPECT_EQ(raddms15(dms(10, 20, 59.97), 1), " 10 21 00.0    ");
    // A negative angle under one degree carries into -1.
    EXPECT_EQ(raddms15(-dms(0, 59, 59.97), 1), " -1 00 00.0    ");
    EXPECT_EQ(raddms15(dms(45, 12, 34.5678), 3), " 45 12 34.568  ");
    EXPECT_EQ(raddms15(dms(5, 3, 2.25), 5), "  5 03 02.25000");
}

TEST(Ioc18, CopiesDecimalsPlusElevenColumnsAndWrapsNegativeAngles) {
    TestRun r;
    ioc11(r.c(), std::string(20, 'X'), 1);
    ioc18(r.c(), dms(92, 5, 7.3), 1, 1, -1);
    EXPECT_EQ(cols(line(r), 1, 13), " 92 05 07.3 X");
    double wrapped = ioc18(r.c(), -dms(0, 30, 0), 30, 2, 1);
    EXPECT_EQ(cols(line(r), 30, 13), "359 30 00.00 ");
    EXPECT_NEAR(wrapped, kTwoPi - dms(0, 30, 0), 1e-15);
    ioc18(r.c(), -dms(0, 30, 0), 50, 1, -1);
    EXPECT_EQ(cols(line(r), 50, 12), " -0 30 00.0 ");
}

TEST(Ioc11And12, TextsAndRulesStopAtColumn132) {
    TestRun r;
    ioc11(r.c(), "ABCDEF", 130);
    EXPECT_EQ(cols(line(r), 129, 4), " ABC");
    ioc11(r.c(), "ZZ", 0);
    ioc11(r.c(), "AB", 5, 4);
    EXPECT_EQ(cols(line(r), 5, 5), "AB   ");
    ioc12(r.c(), '-', 10, 5);
    EXPECT_EQ(cols(line(r), 9, 7), " ----- ");
    ioc12(r.c(), '=', 128, 10);
    EXPECT_EQ(cols(line(r), 128, 5), "=====");
    ioc12(r.c(), '#', 20, 0);
    EXPECT_EQ(line(r).find('Z'), std::string::npos);
    EXPECT_EQ(line(r).find('#'), std::string::npos);
}

TEST(Ioc01And10, CopyFromTheInputRecord) {
    TestRun r;
    r.c().ioarea.card.set("23 1001 002 0920507.3");
    ioc01(r.c(), 4, 100, 8);
    EXPECT_EQ(cols(line(r), 100, 8), "1001 002");
    r.c().ioarea.card(80) = 'Q';
    ioc01(r.c(), 79, 10, 5); // stops after input column 80
    EXPECT_EQ(cols(line(r), 10, 3), " Q ");
    ioc01(r.c(), 1, 131, 5); // stops after print column 132
    EXPECT_EQ(cols(line(r), 131, 2), "23");
    std::string text = "unchanged";
    ioc10(r.c(), 13, 9, text);
    EXPECT_EQ(text, "0920507.3");
    ioc10(r.c(), 75, 10, text); // columns past 80 read as blanks
    EXPECT_EQ(text, "     Q    ");
    text = "unchanged";
    ioc10(r.c(), 0, 5, text);
    ioc10(r.c(), 81, 1, text);
    ioc10(r.c(), 1, 81, text);
    EXPECT_EQ(text, "unchanged");
}

TEST(CharacterClass, TableOfClasses) {
    EXPECT_EQ(type(0), -99);
    EXPECT_EQ(type(128), -99);
    EXPECT_EQ(type(1), 0);
    EXPECT_EQ(type(31), 0);
    EXPECT_EQ(type(127), 0);
    EXPECT_EQ(type(' '), -40);
    EXPECT_EQ(type('0'), -20);
    EXPECT_EQ(type('9'), -20);
    EXPECT_EQ(type('A'), -30);
    EXPECT_EQ(type('z'), -30);
    EXPECT_EQ(type('-'), -10);
    EXPECT_EQ(type('~'), -10);
}
