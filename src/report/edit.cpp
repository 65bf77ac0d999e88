#include "report/edit.h"

#include <algorithm>
#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>

namespace quarlo::edit {

std::uint64_t detail::exact_scaled_magnitude(double value, int d) {
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
    u128 p = static_cast<u128>(m) * detail::kPow10[d];
    if (e >= 0) return static_cast<std::uint64_t>(p << e); // e <= 33 below 1e10
    int s = -e;
    if (s > 100) return 0; // p < 2^84, well under half a unit
    u128 q = p >> s;
    u128 r = p - (q << s);
    u128 half = static_cast<u128>(1) << (s - 1);
    if (r > half || (r == half && (q & 1) != 0)) ++q;
    return static_cast<std::uint64_t>(q);
}

namespace {

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
