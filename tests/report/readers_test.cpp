// The record reader and the fixed-column integer, real and angle fields.
#include "report/iocat3.h"
#include "core/workfile.h"
#include "input/record_layout.h"
#include "support/test_util.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <string_view>
#include <vector>

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

namespace {

// The number a field stands for, converted by the C library: blanks
// squeezed out, an exponent letter D or Q, or a bare sign after the
// mantissa, made an E.
double converted(std::string_view text, int col, int width) {
    std::string s;
    for (int i = 0; i < std::min(width, 20); ++i) {
        const std::size_t at = static_cast<std::size_t>(col - 1 + i);
        const char c = at < text.size() ? text[at] : ' ';
        const bool after_mantissa = !s.empty() && (std::isdigit(static_cast<unsigned char>(s.back())) || s.back() == '.');
        if (c == ' ') continue;
        if (std::strchr("DdQq", c) || ((c == '+' || c == '-') && after_mantissa && s.find_first_of("eE") == std::string::npos))
            s.push_back('e');
        if (!std::strchr("DdQq", c)) s.push_back(c);
    }
    return std::strtod(s.c_str(), nullptr);
}

// The one-pass readers of plain numbers must give the status and the value,
// bit for bit, of the full rules; and a field read is the number the C
// library makes of it.
void expect_as_the_full_rules(const std::string& text, int col, int width) {
    int status = 0, full = 0;
    const int i = read_int_field(text, col, width, status);
    ASSERT_EQ(i, io_detail::read_int_field_general(text, col, width, full)) << "integer \"" << text << "\"";
    ASSERT_EQ(status, full) << "integer \"" << text << "\" " << col << "/" << width;
    if (status == 1) {
        ASSERT_EQ(i, converted(text, col, width)) << "integer \"" << text << "\"";
    }
    const double r = read_real_field(text, col, width, status);
    const double g = io_detail::read_real_field_general(text, col, width, full);
    ASSERT_EQ(status, full) << "real \"" << text << "\" " << col << "/" << width;
    ASSERT_EQ(std::bit_cast<std::uint64_t>(r), std::bit_cast<std::uint64_t>(g)) << "real \"" << text << "\"";
    if (status == 1) {
        ASSERT_EQ(std::bit_cast<std::uint64_t>(r), std::bit_cast<std::uint64_t>(converted(text, col, width)))
            << "real \"" << text << "\" " << col << "/" << width << ": " << r;
    }
}

} // namespace

TEST(FieldReaders, PlainNumbersAsTheFullRulesAndTheCLibrary) {
    for (const char* text :
         {"0", "-0", "+0", "-", "+", ".", "-.", "+.5", "5.", "-.25", "1.5+2", "1.5-2", "1D-1", "2q3", "1.5E", "1.5E+",
          "12.5.3", "1 2 .5", "0.1", "0.3", "2.675", "1e22", "1e23", "9e22", "1e-22", "1e-23", "123456789012345",
          "1234567890123456", "12345678901234567", "9007199254740993", "0.000000000000000000001", "1E-320", "1E-400",
          "1E308", "1E309", "-1E400", "99999999999999999999", "0000000000000000001.", "4.9406564584124654E-324",
          "2.2250738585072011E-308", "152.354", "-7.5284", "10000.000", "0.002", "1.7976931348623157E308",
          "2147483647", "2147483648", "-2147483648", "-2147483649", "00000000000000000012", "1E0000000000000005"})
        for (int width : {1, 3, 10, 20, 25}) expect_as_the_full_rules(text, 1, width);

    // Random fields of digits, blanks, signs, points and exponent letters,
    // short and long, and numbers of the input's own shapes.
    std::mt19937 gen(2024);
    const std::string alphabet = "0123456789       +-..EeDdQx";
    std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
    std::uniform_int_distribution<int> length(1, 24);
    for (int i = 0; i < 200000; ++i) {
        std::string text;
        for (int n = length(gen); n > 0; --n) text.push_back(alphabet[pick(gen)]);
        expect_as_the_full_rules(text, 1 + i % 3, static_cast<int>(text.size()) + (i % 5) - 2);
    }
    std::uniform_int_distribution<long long> mantissa(0, 999999999999999999LL);
    std::uniform_int_distribution<int> digits(1, 18), point(0, 18), exponent(-40, 40);
    for (int i = 0; i < 100000; ++i) {
        std::string m = std::to_string(mantissa(gen)).substr(0, static_cast<std::size_t>(digits(gen)));
        const auto at = static_cast<std::ptrdiff_t>(std::min(m.size(), static_cast<std::size_t>(point(gen))));
        m.insert(m.begin() + at, '.');
        if (i % 2) m.append("E").append(std::to_string(exponent(gen)));
        if (i % 3 == 0) m.insert(0, 1, '-');
        expect_as_the_full_rules(m, 1, 20);
    }
}

// Lines are read from the stream's buffer a run at a time: they must come
// out as the text split at its line ends, across the buffer's refills, with
// over-long lines cut to their first SeqFile::kMaxLine characters, a "\r"
// before the line end dropped and the line starts kept for a step back.
TEST(LineReader, LinesAcrossBufferRefillsAndLimits) {
    TempDir dir;
    std::mt19937 gen(17);
    std::uniform_int_distribution<int> kind(0, 9), length(0, 200), letter(0, 25);
    std::string content;
    for (int i = 0; content.size() < 300000; ++i) {
        const int k = kind(gen);
        std::string line;
        if (k == 0) line.assign(SeqFile::kMaxLine + static_cast<std::size_t>(length(gen)) - 100, 'L');
        else for (int n = length(gen); n > 0; --n) line.push_back(static_cast<char>('a' + letter(gen)));
        if (k == 1) line.push_back('\r');
        if (k == 2) line.push_back('\0');
        if (k == 0 && length(gen) % 2 == 0 && line.size() >= SeqFile::kMaxLine) line[SeqFile::kMaxLine - 1] = '\r';
        content += line + "\n";
    }
    content += "last line without an end\r";
    write_file("lines.txt", content);

    // The expected lines, split by hand.
    std::vector<std::string> expected;
    std::vector<long> starts;
    for (std::size_t at = 0; at < content.size();) {
        std::size_t nl = content.find('\n', at);
        std::size_t stop = nl == std::string::npos ? content.size() : nl;
        std::string line = content.substr(at, std::min(stop - at, SeqFile::kMaxLine));
        if (!line.empty() && line.back() == '\r') line.pop_back();
        expected.push_back(line);
        starts.push_back(static_cast<long>(at));
        at = nl == std::string::npos ? content.size() : nl + 1;
    }

    SeqFile f;
    ASSERT_TRUE(f.open("lines.txt", SeqFile::Mode::Old));
    std::string line;
    for (std::size_t i = 0; i < expected.size(); ++i) {
        ASSERT_TRUE(f.read_line(line)) << "line " << i + 1;
        ASSERT_EQ(line, expected[i]) << "line " << i + 1;
        ASSERT_EQ(f.line_start(), starts[i]) << "line " << i + 1;
        ASSERT_EQ(f.line_number(), static_cast<int>(i) + 1);
        if (i % 97 == 0) {
            // Stepping back reads the same line again.
            f.backspace();
            ASSERT_TRUE(f.read_line(line));
            ASSERT_EQ(line, expected[i]);
        }
    }
    EXPECT_FALSE(f.read_line(line));
    EXPECT_TRUE(line.empty());
}

// The columns check looks at eight columns at a time: it must find text in
// an unused column exactly where a column-by-column look does, in every
// record layout, at every line length up to the layout's width.
TEST(ColumnCheck, UnusedColumnsFoundAsColumnByColumn) {
    std::mt19937 gen(26);
    std::uniform_int_distribution<int> blank(0, 15);
    for (int code : {1, 10, 11, 18, 23, 24, 26, 92}) {
        const ColumnUse* use = record::columns_of(code);
        ASSERT_NE(use, nullptr);
        for (int i = 0; i < 4000; ++i) {
            const std::size_t n = static_cast<std::size_t>(i) % (static_cast<std::size_t>(use->width()) + 1);
            // Mostly blanks where unused, so that both answers occur.
            std::string text(n, ' ');
            for (std::size_t c = 0; c < n; ++c)
                if (use->used(static_cast<int>(c) + 1) ? blank(gen) < 8 : blank(gen) == 0) text[c] = '7';
            bool clean = true;
            for (std::size_t c = 0; c < n; ++c)
                if (text[c] != ' ' && !use->used(static_cast<int>(c) + 1)) clean = false;
            ASSERT_EQ(use->blank_where_unused(text.data(), n), clean) << code << ": \"" << text << "\"";
        }
    }
}
