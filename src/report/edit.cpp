#include "report/edit.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace quarlo::edit {

namespace {

constexpr std::uint64_t kPow10[] = {1ULL,
                                    10ULL,
                                    100ULL,
                                    1000ULL,
                                    10000ULL,
                                    100000ULL,
                                    1000000ULL,
                                    10000000ULL,
                                    100000000ULL,
                                    1000000000ULL,
                                    10000000000ULL};

// The two digits of 0 .. 99, for writing numbers two digits at a time.
constexpr char kDigitPairs[] =
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
std::uint64_t exact_scaled_magnitude(double value, int d) {
    std::uint64_t bits = std::bit_cast<std::uint64_t>(value);
    int biased = static_cast<int>((bits >> 52) & 0x7ff);
    std::uint64_t m = bits & ((1ULL << 52) - 1);
    if (biased == 0) {
        if (m == 0) return 0;
        biased = 1; // subnormal
    } else {
        m |= 1ULL << 52;
    }
    int e = biased - 1075; // |value| = m * 2^e
    using u128 = unsigned __int128;
    u128 p = static_cast<u128>(m) * kPow10[d];
    if (e >= 0) return static_cast<std::uint64_t>(p << e); // e <= 33 below 1e10
    int s = -e;
    if (s > 100) return 0; // p < 2^84, well under half a unit
    u128 q = p >> s;
    u128 r = p - (q << s);
    u128 half = static_cast<u128>(1) << (s - 1);
    if (r > half || (r == half && (q & 1) != 0)) ++q;
    return static_cast<std::uint64_t>(q);
}

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

// n, a number of units of 10^-D, as digits with D of them after a point,
// written backwards ending just before `end` (divisions by a constant).
template <int D>
[[gnu::always_inline]] inline char* point_digits(char* end, std::uint64_t n) {
    constexpr std::uint64_t unit = kPow10[D];
    char* p = end;
    if constexpr (D > 0) {
        p = digits_before(p, n % unit, D);
        *--p = '.';
    }
    return digits_before(p, n / unit, 1);
}

// n characters of c, or n characters from `from`: fields are a few
// characters wide, too short to be worth a call of the C library.
void fill(char* out, char c, int n) {
    for (int i = 0; i < n; ++i) out[i] = c;
}
void copy(char* out, const char* from, int n) {
    for (int i = 0; i < n; ++i) out[i] = from[i];
}

// The printf-based form for values outside the range of the integer path.
int put_fixed_wide(char* out, double value, int w, int d) {
    char buf[400];
    int n = std::snprintf(buf, sizeof buf, "%.*f", d, value);
    if (n < 0 || n >= static_cast<int>(sizeof buf)) {
        std::memset(out, '*', static_cast<std::size_t>(w));
        return w;
    }
    char* s = buf;
    // A value that rounds to zero carries no minus sign.
    if (s[0] == '-') {
        bool all_zero = true;
        for (int i = 1; i < n; ++i)
            if (s[i] != '0' && s[i] != '.') all_zero = false;
        if (all_zero) {
            ++s;
            --n;
        }
    }
    if (n > w) {
        // The optional zero before the point goes first when room is short.
        if (d > 0 && s[0] == '0' && s[1] == '.') {
            ++s;
            --n;
        } else if (d > 0 && s[0] == '-' && s[1] == '0' && s[2] == '.') {
            s[1] = '-';
            ++s;
            --n;
        }
        if (n > w) {
            std::memset(out, '*', static_cast<std::size_t>(w));
            return w;
        }
    }
    std::memset(out, ' ', static_cast<std::size_t>(w - n));
    std::memcpy(out + (w - n), s, static_cast<std::size_t>(n));
    return n;
}

} // namespace

char* int_chars(char* end, long long value) {
    std::uint64_t mag = value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    char* p = digits_before(end, mag, 1);
    if (value < 0) *--p = '-';
    return p;
}

char* fixed_chars(char* end, double value, int d) {
    if (d < 0 || d > 8 || !(std::fabs(value) < 1e10)) return nullptr;
    const std::uint64_t n = scaled_magnitude(value, d);
    char* p = nullptr;
    switch (d) {
    case 0: p = point_digits<0>(end, n); break;
    case 1: p = point_digits<1>(end, n); break;
    case 2: p = point_digits<2>(end, n); break;
    case 3: p = point_digits<3>(end, n); break;
    case 4: p = point_digits<4>(end, n); break;
    case 5: p = point_digits<5>(end, n); break;
    case 6: p = point_digits<6>(end, n); break;
    case 7: p = point_digits<7>(end, n); break;
    default: p = point_digits<8>(end, n); break;
    }
    if (std::signbit(value) && n != 0) *--p = '-';
    return p;
}

void put_int(char* out, long long value, int w) {
    char buf[24];
    char* end = buf + sizeof buf;
    char* p = int_chars(end, value);
    int n = static_cast<int>(end - p);
    if (n > w) {
        fill(out, '*', w);
        return;
    }
    fill(out, ' ', w - n);
    copy(out + (w - n), p, n);
}

int put_fixed(char* out, double value, int w, int d) {
    if (d < 0) d = 0;
    if (!std::isfinite(value) || std::fabs(value) >= 1e30) { // wider than any field
        std::memset(out, '*', static_cast<std::size_t>(w));
        return w;
    }
    char buf[32];
    char* end = buf + sizeof buf;
    char* p = fixed_chars(end, value, d);
    if (!p) return put_fixed_wide(out, value, w, d);
    int len = static_cast<int>(end - p);
    // The zero before the point is optional: it goes first when room is short.
    if (len > w && d > 0) {
        if (p[0] == '0') {
            ++p;
            --len;
        } else if (p[0] == '-' && p[1] == '0' && p[2] == '.') {
            p[1] = '-';
            ++p;
            --len;
        }
    }
    if (len > w) {
        fill(out, '*', w);
        return w;
    }
    fill(out, ' ', w - len);
    copy(out + (w - len), p, len);
    return len;
}

std::string int_field(long long value, int w) {
    if (w < 1) return {};
    std::string s(static_cast<std::size_t>(w), ' ');
    put_int(s.data(), value, w);
    return s;
}

std::string fixed_text(double value, int d) {
    std::string text = fixed_field(value, 40, d);
    return text.substr(std::min(text.find_first_not_of(' '), text.size()));
}

std::string fixed_field(double value, int w, int d) {
    if (w < 1) return {};
    std::string s(static_cast<std::size_t>(w), ' ');
    put_fixed(s.data(), value, w, d);
    return s;
}

std::string blanks(int n) { return n > 0 ? std::string(static_cast<std::size_t>(n), ' ') : std::string(); }

std::string text_field(const std::string& text, int n) {
    if (n <= 0) return {};
    std::string out = text.substr(0, static_cast<std::size_t>(n));
    out.resize(static_cast<std::size_t>(n), ' ');
    return out;
}

} // namespace quarlo::edit
