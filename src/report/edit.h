// Fixed-column edit rules shared by the report fields and the fixed-format
// file lines (station file, height file, zenith-distance file): integer and
// fixed-point fields right-aligned in their width, rounded to the decimals
// asked for, asterisks across the whole field when the value does not fit.
#pragma once

#include <string>

namespace quarlo::edit {

// Iw: integer right-aligned in w columns, a minus sign for negatives,
// asterisks when it does not fit. w < 1 gives an empty string.
std::string int_field(long long value, int w);

// Fw.d: value rounded to d decimals (the nearest decimal of the exact binary
// value, ties to even), right-aligned in w columns; "0" before the point when
// there is room; no minus sign on a value that rounds to zero; asterisks when
// it does not fit.
std::string fixed_field(double value, int w, int d);

// The value rounded to d decimals as Fw.d writes it, without leading blanks.
std::string fixed_text(double value, int d);

// The same two fields written into exactly w characters at out (w >= 1),
// without building a string: the print line is filled in place. put_fixed
// returns the width of the number without its leading blanks (w for
// asterisks).
void put_int(char* out, long long value, int w);
int put_fixed(char* out, double value, int w, int d);

// The integer, and the real rounded to d decimals (0 <= d <= 8, with the
// zero before the point), written backwards ending just before `end`, as
// few characters as they take (at most 20): returns where they start. For
// a real of 1e10 or more in size, or not finite, fixed_chars writes
// nothing and returns nullptr.
char* int_chars(char* end, long long value);
char* fixed_chars(char* end, double value, int d);

// nX: n blanks.
std::string blanks(int n);

// A: the text cut or blank-padded to exactly n characters.
std::string text_field(const std::string& text, int n);

} // namespace quarlo::edit
