// Placing fields into the print line, and reading records and fixed-column
// fields of the input.
#pragma once

#include "core/context.h"
#include "report/edit.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <string_view>

namespace quarlo {

constexpr double kSecondsPerRadian = 206264.806247096;
constexpr double kDegToRad = 0.017453292519943;
constexpr double kTwoPi = 6.283185307179586;
constexpr double kPi = 3.141592653589793;

// --- Field placement into the print line --------------------------------

// Text into columns col.. (nothing when col is outside 1-132; cut at 132).
void ioc11(RunContext& ctx, std::string_view text, int col);
// The first `length` characters of text (blank-padded) into columns col..
void ioc11(RunContext& ctx, std::string_view text, int col, int length);
// A run of `count` copies of ch from column col.
void ioc12(RunContext& ctx, char ch, int col, int count);
// Integer in a field of `width` columns; zero_flag < 0 leaves a zero blank.
inline void ioc03(RunContext& ctx, long long value, int col, int width, int zero_flag);
// Real in a field of `width` columns with `decimals` decimals (-1: rounded
// integer, 0: integer with a trailing point, above 8: blank).
inline void ioc05(RunContext& ctx, double value, int col, int width, int decimals);
// Angle as degrees, minutes and seconds with `decimals` decimals; with a
// positive wrap flag a negative angle is first brought into 0-2pi. Returns
// the angle as printed (the wrapped value).
double ioc18(RunContext& ctx, double angle, int col, int decimals, int wrap);
// The angle as a 15-character degrees-minutes-seconds text.
std::string raddms15(double angle, int decimals);
// Input record columns icol.. into print columns pcol..
void ioc01(RunContext& ctx, int icol, int pcol, int count);
// Input record columns icol..icol+n-1 into text (unchanged when out of range).
void ioc10(const RunContext& ctx, int icol, int n, std::string& text);
// Character class: -99 outside 1-127, 0 control, -40 blank, -20 digit,
// -30 letter, -10 other printable.
int type(int code);

// --- Record and field readers -------------------------------------------

// Reads the next record of unit 4 into the current input record.
void icr00(RunContext& ctx);
// Why the record reader skips a line that is not blank: columns 1-2 blank
// or not two digits. Empty for a blank line and for a record.
std::string_view record_skip_reason(std::string_view line);
int jio01(RunContext& ctx, int col, int width);
double eio00(RunContext& ctx, int col, int width);
double esu00(RunContext& ctx, int col);
double esu05(RunContext& ctx, int col, int width);

// The same field rules on any text (columns from 1; short text reads as
// blank-padded). status: 0 blank, 1 read, -1 not readable.
int read_int_field(std::string_view text, int col, int width, int& status);
double read_real_field(std::string_view text, int col, int width, int& status);
namespace io_detail {
// The full rules of the two fields; the readers above take plain numbers
// (blanks, a sign, digits and a point) in one pass and leave the rest to
// these.
int read_int_field_general(std::string_view text, int col, int width, int& status);
double read_real_field_general(std::string_view text, int col, int width, int& status);
} // namespace io_detail
// Angle field of the input record rules; status 0, 1, 2 (negative) or -1.
double read_angle_field(std::string_view text, int col, int width, int& status);

// --- The two number fields, defined here --------------------------------
// Most of the report's fields are numbers of a width and number of
// decimals known where they are placed: written in line, they cost a
// fraction of a call.

namespace io_detail {

// A number's characters, written backwards from the end of a buffer whose
// other characters are blanks: the field of any width up to 16 is then the
// last `width` characters.
struct NumberText {
    char buf[32];
    NumberText() { std::memset(buf, ' ', sizeof buf); }
    char* end() { return buf + sizeof buf; }
};

// Copies n characters (n <= 16) in at most two overlapping moves of a
// fixed size each.
[[gnu::always_inline]] inline void copy_short(char* out, const char* from, int n) {
    if (n >= 8) {
        std::memcpy(out, from, 8);
        std::memcpy(out + n - 8, from + n - 8, 8);
    } else if (n >= 4) {
        std::memcpy(out, from, 4);
        std::memcpy(out + n - 4, from + n - 4, 4);
    } else if (n >= 2) {
        // Not a loop: the compiler would make it a call of the C library.
        std::memcpy(out, from, 2);
        std::memcpy(out + n - 2, from + n - 2, 2);
    } else if (n == 1) {
        out[0] = from[0];
    }
}

// The field of `width` columns (at most 16) from column col (1 <= col <=
// 132): the number that starts at p in t, right-aligned, or asterisks
// across the field when it takes more than the width; cut at column 132.
[[gnu::always_inline]] inline void place_right(RunContext& ctx, int col, int width, NumberText& t, const char* p) {
    char* out = &ctx.ioarea.prtlin(col);
    const int k = std::min(width, 133 - col);
    if (t.end() - p > width) {
        std::memset(out, '*', static_cast<std::size_t>(k));
        return;
    }
    copy_short(out, t.end() - width, k);
}

// An integer field wider than ten columns.
void ioc03_wide(RunContext& ctx, long long value, int col, int width);
// A real field of no decimals, of more than eight, or of a number too
// large for the digit writer.
void ioc05_other(RunContext& ctx, double value, int col, int width, int decimals);

} // namespace io_detail

[[gnu::always_inline]] inline void ioc03(RunContext& ctx, long long value, int col, int width, int zero_flag) {
    if (col < 1 || col > 132 || width < 1) return;
    if (value == 0 && zero_flag < 0) return;
    if (width > 10) {
        io_detail::ioc03_wide(ctx, value, col, width);
        return;
    }
    io_detail::NumberText t;
    io_detail::place_right(ctx, col, width, t, edit::int_chars(t.end(), value));
}

[[gnu::always_inline]] inline void ioc05(RunContext& ctx, double value, int col, int width, int decimals) {
    if (col >= 1 && col <= 131 && width >= 1 && width <= 15 && decimals >= 1 && decimals <= 8) {
        // The number in full, with its zero before the point: it fits the
        // field or the field is asterisks.
        io_detail::NumberText t;
        if (const char* p = edit::fixed_chars(t.end(), value, decimals)) {
            io_detail::place_right(ctx, col, width, t, p);
            return;
        }
    }
    if (decimals == -1 && col >= 1 && col <= 131 && width >= 1 && width <= 10 && std::fabs(value) < 1e9) {
        // A rounded integer: half added, then cut toward zero.
        io_detail::NumberText t;
        const auto whole = static_cast<std::int32_t>(value + 0.5);
        io_detail::place_right(ctx, col, width, t, edit::int_chars(t.end(), whole));
        return;
    }
    io_detail::ioc05_other(ctx, value, col, width, decimals);
}

// Columns col..col+len-1 of a line, blank-padded.
std::string columns(std::string_view line, int col, int len);
// A line cut or blank-padded to n characters.
std::string pad_line(std::string_view line, std::size_t n);

} // namespace quarlo
