// Placing fields into the print line, and reading records and fixed-column
// fields of the input.
#pragma once

#include "core/context.h"

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
void ioc03(RunContext& ctx, long long value, int col, int width, int zero_flag);
// Real in a field of `width` columns with `decimals` decimals (-1: rounded
// integer, 0: integer with a trailing point, above 8: blank).
void ioc05(RunContext& ctx, double value, int col, int width, int decimals);
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
// Angle field of the input record rules; status 0, 1, 2 (negative) or -1.
double read_angle_field(std::string_view text, int col, int width, int& status);

// Columns col..col+len-1 of a line, blank-padded.
std::string columns(std::string_view line, int col, int len);
// A line cut or blank-padded to n characters.
std::string pad_line(std::string_view line, std::size_t n);

} // namespace quarlo
