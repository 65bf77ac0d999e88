#include "report/edit.h"

#include <cmath>
#include <cstdio>

namespace quarlo::edit {

std::string int_field(long long value, int w) {
    if (w < 1) return {};
    std::string digits = std::to_string(value);
    if (static_cast<int>(digits.size()) > w) return std::string(static_cast<std::size_t>(w), '*');
    return std::string(static_cast<std::size_t>(w) - digits.size(), ' ') + digits;
}

std::string fixed_field(double value, int w, int d) {
    if (w < 1) return {};
    if (d < 0) d = 0;
    std::string stars(static_cast<std::size_t>(w), '*');
    if (!std::isfinite(value)) return stars;
    if (std::fabs(value) >= 1e30) return stars; // wider than any field
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", d, value);
    std::string s(buf);
    // A value that rounds to zero carries no minus sign.
    if (!s.empty() && s[0] == '-') {
        bool all_zero = true;
        for (std::size_t i = 1; i < s.size(); ++i)
            if (s[i] != '0' && s[i] != '.') all_zero = false;
        if (all_zero) s.erase(0, 1);
    }
    if (static_cast<int>(s.size()) > w) {
        // The optional zero before the point goes first when room is short.
        if (s.rfind("0.", 0) == 0 && d > 0)
            s.erase(0, 1);
        else if (s.rfind("-0.", 0) == 0 && d > 0)
            s.erase(1, 1);
        if (static_cast<int>(s.size()) > w) return stars;
    }
    return std::string(static_cast<std::size_t>(w) - s.size(), ' ') + s;
}

std::string blanks(int n) { return n > 0 ? std::string(static_cast<std::size_t>(n), ' ') : std::string(); }

std::string text_field(const std::string& text, int n) {
    if (n <= 0) return {};
    std::string out = text.substr(0, static_cast<std::size_t>(n));
    out.resize(static_cast<std::size_t>(n), ' ');
    return out;
}

} // namespace quarlo::edit
