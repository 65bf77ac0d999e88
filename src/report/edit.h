// Fixed-column edit rules shared by the report fields and the fixed-format
// file lines (station file, height file, zenith-distance file): integer and
// fixed-point fields right-aligned in their width, rounded to the decimals
// asked for, asterisks across the whole field when the value does not fit.
#pragma once

#include <cmath>
#include <cstddef>
#include <cstdint>
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
// nothing and returns nullptr. Defined below: the report writes hundreds
// of thousands of fields a run, mostly of a width and number of decimals
// known where they are placed.
inline char* int_chars(char* end, long long value);
inline char* fixed_chars(char* end, double value, int d);

// nX: n blanks.
std::string blanks(int n);

// A: the text cut or blank-padded to exactly n characters.
std::string text_field(const std::string& text, int n);

namespace detail {

inline constexpr std::uint64_t kPow10[] = {1ULL,          10ULL,          100ULL,          1000ULL,
                                           10000ULL,      100000ULL,      1000000ULL,      10000000ULL,
                                           100000000ULL,  1000000000ULL,  10000000000ULL};

// The two digits of 0 .. 99, for writing numbers two digits at a time.
inline constexpr char kDigitPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

// Decimal digits of v written backwards ending just before `end`; returns
// the position of the first digit. At least `min_digits` digits.
[[gnu::always_inline]] inline char* digits_before(char* end, std::uint64_t v, int min_digits) {
    char* p = end;
    while (v >= 100) {
        const std::size_t pair = static_cast<std::size_t>(v % 100) * 2;
        v /= 100;
        *--p = kDigitPairs[pair + 1];
        *--p = kDigitPairs[pair];
    }
    if (v >= 10) {
        const std::size_t pair = static_cast<std::size_t>(v) * 2;
        *--p = kDigitPairs[pair + 1];
        *--p = kDigitPairs[pair];
    } else {
        *--p = static_cast<char>('0' + v);
    }
    while (end - p < min_digits) *--p = '0';
    return p;
}

// |value| * 10^d rounded to the nearest integer, ties to even, worked on the
// exact binary value. Only for |value| < 1e10 and 0 <= d <= 8, where the
// result stays below 1e18.
std::uint64_t exact_scaled_magnitude(double value, int d);

// The same rounding, mostly in one multiplication: below 2^40 the product
// in double precision is within 2^-14 of the exact one, so unless its
// fraction lies within 2^-12 of a half the nearest integer of the two is
// the same. Near a half the exact working decides.
[[gnu::always_inline]] inline std::uint64_t scaled_magnitude(double value, int d) {
    const double y = std::fabs(value) * static_cast<double>(kPow10[d]);
    if (y < 0x1p40) {
        const auto whole = static_cast<std::int64_t>(y); // y < 2^40: the signed conversion is exact
        const double fraction = y - static_cast<double>(whole);
        if (std::fabs(fraction - 0.5) > 0x1p-12) return static_cast<std::uint64_t>(whole) + (fraction > 0.5 ? 1 : 0);
    }
    return exact_scaled_magnitude(value, d);
}

// Exactly D digits of v < 10^D, written backwards ending just before `end`.
template <int D>
[[gnu::always_inline]] inline char* fixed_digits(char* end, std::uint32_t v) {
    char* p = end;
    for (int i = 0; i < D / 2; ++i) {
        const std::size_t pair = static_cast<std::size_t>(v % 100) * 2;
        v /= 100;
        *--p = kDigitPairs[pair + 1];
        *--p = kDigitPairs[pair];
    }
    if constexpr (D % 2 != 0) *--p = static_cast<char>('0' + v);
    return p;
}

// n, a number of units of 10^-D, as digits with D of them after a point,
// written backwards ending just before `end` (divisions by a constant).
template <int D>
[[gnu::always_inline]] inline char* point_digits(char* end, std::uint64_t n) {
    constexpr std::uint64_t unit = kPow10[D];
    char* p = end;
    if constexpr (D > 0) {
        p = fixed_digits<D>(p, static_cast<std::uint32_t>(n % unit));
        *--p = '.';
    }
    return digits_before(p, n / unit, 1);
}

} // namespace detail

[[gnu::always_inline]] inline char* int_chars(char* end, long long value) {
    const std::uint64_t mag = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    char* p = detail::digits_before(end, mag, 1);
    if (value < 0) *--p = '-';
    return p;
}

[[gnu::always_inline]] inline char* fixed_chars(char* end, double value, int d) {
    if (d < 0 || d > 8 || !(std::fabs(value) < 1e10)) return nullptr;
    const std::uint64_t n = detail::scaled_magnitude(value, d);
    char* p = nullptr;
    switch (d) {
    case 0: p = detail::point_digits<0>(end, n); break;
    case 1: p = detail::point_digits<1>(end, n); break;
    case 2: p = detail::point_digits<2>(end, n); break;
    case 3: p = detail::point_digits<3>(end, n); break;
    case 4: p = detail::point_digits<4>(end, n); break;
    case 5: p = detail::point_digits<5>(end, n); break;
    case 6: p = detail::point_digits<6>(end, n); break;
    case 7: p = detail::point_digits<7>(end, n); break;
    default: p = detail::point_digits<8>(end, n); break;
    }
    if (std::signbit(value) && n != 0) *--p = '-';
    return p;
}

} // namespace quarlo::edit
