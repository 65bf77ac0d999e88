#include "report/iocat3.h"

#include "report/edit.h"

#include <cerrno>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <cstdlib>
#include <limits>

namespace quarlo {

// --- Field placement ----------------------------------------------------

void ioc11(RunContext& ctx, std::string_view text, int col) {
    ioc11(ctx, text, col, static_cast<int>(text.size()));
}

void ioc11(RunContext& ctx, std::string_view text, int col, int length) {
    if (col < 1 || col > 132 || length < 1) return;
    std::size_t n = static_cast<std::size_t>(std::min(length, 133 - col));
    std::size_t k = std::min(n, text.size());
    char* out = &ctx.ioarea.prtlin(col);
    std::memcpy(out, text.data(), k);
    std::memset(out + k, ' ', n - k);
}

void ioc12(RunContext& ctx, char ch, int col, int count) {
    if (col < 1 || col > 132 || count < 1 || count > 132) return;
    std::memset(&ctx.ioarea.prtlin(col), ch, static_cast<std::size_t>(std::min(count, 133 - col)));
}

void io_detail::ioc03_wide(RunContext& ctx, long long value, int col, int width) {
    if (width > 12) width = 12;
    NumberText t;
    const char* p = edit::int_chars(t.end(), value);
    // Ten columns at most; the rest of a wider field is blank.
    place_right(ctx, col, 10, t, p);
    if (col + 10 <= 132) ioc12(ctx, ' ', col + 10, width - 10);
}

void io_detail::ioc05_other(RunContext& ctx, double value, int col, int width, int decimals) {
    if (col < 1 || col > 131 || width < 1 || width > 15) return;
    char work[20];
    std::memset(work, ' ', sizeof work);
    if (decimals <= 0) {
        double v = value + 0.5;
        char* k = decimals < 0 ? work + 10 : work + 9;
        if (std::isfinite(v) && v > -2147483649.0 && v < 2147483648.0)
            edit::put_int(k, static_cast<std::int32_t>(v), 10); // truncation toward zero
        else
            std::memset(k, '*', 10);
        if (decimals == 0) work[19] = '.';
    } else if (decimals <= 8) {
        edit::put_fixed(work, value, 20, decimals);
    }
    char* field = work + (20 - width);
    if (work[19 - width] != ' ') std::memset(field, '*', static_cast<std::size_t>(width));
    ioc11(ctx, std::string_view(field, static_cast<std::size_t>(width)), col);
}

namespace {

// The angle as degrees, minutes and seconds in the 15 characters at t.
void raddms(double angle, int decimals, char* t) {
    int d = decimals < 1 ? 1 : decimals > 5 ? 5 : decimals;
    int sign = angle < 0.0 ? -1 : 1;
    double s = std::fabs(angle * 57.29577951308232 * 3600.0) + 0.000000005;
    std::memset(t, ' ', 15);
    if (!std::isfinite(s) || s > 1e12) {
        std::memset(t, '*', static_cast<std::size_t>(d + 10));
        return;
    }
    long long deg = static_cast<long long>(s) / 3600;
    double r = s - 3600.0 * static_cast<double>(deg);
    long long min = static_cast<long long>(r) / 60;
    double sec = r - 60.0 * static_cast<double>(min);
    // Degrees, minutes and seconds with a blank between them.
    if (sign == -1 && deg == 0)
        std::memcpy(t, " -0", 3);
    else
        edit::put_int(t, deg * sign, 3);
    edit::put_int(t + 4, min, 2);
    edit::put_fixed(t + 7, sec, d + 3, d);
    // Seconds rounded up to 60 carry into the minutes.
    if (t[7] == '6') {
        t[7] = '0';
        t[8] = '0';
        ++min;
        edit::put_int(t + 4, min, 2);
    }
    // Minutes of 60 carry into the degrees, away from zero.
    if (t[4] == '6') {
        t[4] = '0';
        t[5] = '0';
        long long signed_deg = deg * sign + (sign == 1 ? 1 : -1);
        edit::put_int(t, signed_deg, 3);
    }
    for (std::size_t i : {4u, 5u, 7u, 8u})
        if (t[i] == ' ') t[i] = '0';
}

} // namespace

std::string raddms15(double angle, int decimals) {
    char t[15];
    raddms(angle, decimals, t);
    return std::string(t, sizeof t);
}

double ioc18(RunContext& ctx, double angle, int col, int decimals, int wrap) {
    if (wrap > 0 && angle < 0.0) angle += kTwoPi;
    char t[15];
    raddms(angle, decimals, t);
    int n = std::min(std::max(decimals, 1), 5) + 11;
    if (n > 15) n = 15;
    ioc11(ctx, std::string_view(t, static_cast<std::size_t>(n)), col);
    return angle;
}

void ioc01(RunContext& ctx, int icol, int pcol, int count) {
    for (int i = 0; i < count; ++i) {
        int ic = icol + i, pc = pcol + i;
        if (ic > 80 || pc > 132) break;
        if (ic < 1 || pc < 1) continue;
        ctx.ioarea.prtlin(pc) = ctx.ioarea.card(ic);
    }
}

void ioc10(const RunContext& ctx, int icol, int n, std::string& text) {
    if (icol < 1 || icol > 80 || n < 1 || n > 80) return;
    text = ctx.ioarea.card.sub(icol, n);
    text.resize(static_cast<std::size_t>(n), ' ');
}

int type(int code) {
    if (code < 1 || code > 127) return -99;
    if (code < 32 || code == 127) return 0;
    if (code == 32) return -40;
    if (code >= 48 && code <= 57) return -20;
    if ((code >= 65 && code <= 90) || (code >= 97 && code <= 122)) return -30;
    return -10;
}

// --- Readers ------------------------------------------------------------

std::string columns(std::string_view line, int col, int len) {
    std::string out(static_cast<std::size_t>(len > 0 ? len : 0), ' ');
    for (int i = 0; i < len; ++i) {
        long long idx = static_cast<long long>(col) - 1 + i;
        if (idx >= 0 && static_cast<std::size_t>(idx) < line.size()) out[static_cast<std::size_t>(i)] = line[static_cast<std::size_t>(idx)];
    }
    return out;
}

std::string pad_line(std::string_view line, std::size_t n) {
    std::string out(line.substr(0, std::min(n, line.size())));
    out.resize(n, ' ');
    return out;
}

namespace {

bool is_digit(char c) { return c >= '0' && c <= '9'; }

// Column col of a line, a blank beyond its end.
char column_of(std::string_view text, int col) {
    return col >= 1 && static_cast<std::size_t>(col) <= text.size() ? text[static_cast<std::size_t>(col) - 1] : ' ';
}

// The characters of a field that are not blanks, from its first 20
// columns (a field is read as 20 characters with blanks ignored).
struct Squeezed {
    char c[20];
    int n = 0;
    // col >= 1; columns beyond the text are blanks, and blanks are dropped.
    Squeezed(std::string_view text, int col, int width) {
        const std::size_t first = static_cast<std::size_t>(col - 1);
        const std::size_t end = std::min(first + static_cast<std::size_t>(std::min(width, 20)), text.size());
        for (std::size_t i = first; i < end; ++i)
            if (text[i] != ' ') c[n++] = text[i];
    }
};

// Integer edit field read with blanks ignored: optional sign, digits.
bool parse_int(const Squeezed& s, long long& value) {
    int i = 0;
    bool neg = false;
    if (i < s.n && (s.c[i] == '+' || s.c[i] == '-')) {
        neg = s.c[i] == '-';
        ++i;
    }
    long long v = 0;
    for (; i < s.n; ++i) {
        if (!is_digit(s.c[i])) return false;
        v = v * 10 + (s.c[i] - '0');
        if (v > 2147483648LL) return false;
    }
    v = neg ? -v : v;
    if (v > std::numeric_limits<std::int32_t>::max() || v < std::numeric_limits<std::int32_t>::min()) return false;
    value = v;
    return true;
}

// Exact powers of ten in double precision.
constexpr double kExactPow10[] = {1e0,  1e1,  1e2,  1e3,  1e4,  1e5,  1e6,  1e7,  1e8,  1e9,  1e10, 1e11,
                                  1e12, 1e13, 1e14, 1e15, 1e16, 1e17, 1e18, 1e19, 1e20, 1e21, 1e22};

// Real edit field with no implied decimals: optional sign, digits with an
// optional point, optional exponent (E, D or Q with optional sign, or a
// bare sign followed by digits). The value is the nearest double to the
// decimal number: at most 15 digits scaled by at most 10^22 are worked in
// one exact division or multiplication, which rounds as the C library's
// conversion does; anything else is converted by it.
bool parse_real(const Squeezed& s, double& value) {
    int i = 0;
    char norm[48]; // sign, mantissa, "e", exponent: at most 20 + 2
    int len = 0;
    bool negative = false;
    if (i < s.n && (s.c[i] == '+' || s.c[i] == '-')) {
        negative = s.c[i] == '-';
        norm[len++] = s.c[i++];
    }
    bool digits = false, point = false;
    int mantissa_chars = 0;
    std::uint64_t m = 0;
    int significant = 0; // digits in m, leading zeros not counted
    int scale = 0;       // digits after the point
    for (; i < s.n; ++i) {
        const char c = s.c[i];
        if (is_digit(c)) {
            digits = true;
            if (m != 0 || c != '0') ++significant;
            if (significant <= 19) m = m * 10 + static_cast<std::uint64_t>(c - '0');
            if (point) ++scale;
        } else if (c == '.' && !point) {
            point = true;
        } else {
            break;
        }
        norm[len++] = c;
        ++mantissa_chars;
    }
    if (!digits) {
        // A sign alone reads as zero; anything else is not a number.
        if (i == s.n && mantissa_chars == 0) {
            value = 0.0;
            return true;
        }
        return false;
    }
    int exponent = 0;
    if (i < s.n) {
        char c = s.c[i];
        norm[len++] = 'e';
        bool exponent_negative = false;
        if (c == 'E' || c == 'e' || c == 'D' || c == 'd' || c == 'Q' || c == 'q') {
            ++i;
            if (i < s.n && (s.c[i] == '+' || s.c[i] == '-')) {
                exponent_negative = s.c[i] == '-';
                norm[len++] = s.c[i++];
            }
        } else if (c == '+' || c == '-') {
            exponent_negative = c == '-';
            norm[len++] = c;
            ++i;
        } else {
            return false;
        }
        bool edigits = false;
        for (; i < s.n; ++i) {
            if (!is_digit(s.c[i])) return false;
            edigits = true;
            if (exponent < 100000) exponent = exponent * 10 + (s.c[i] - '0');
            norm[len++] = s.c[i];
        }
        if (!edigits) return false;
        if (exponent_negative) exponent = -exponent;
    }
    const int e10 = exponent - scale;
    if (significant <= 15 && e10 >= -22 && e10 <= 22) {
        // m < 10^15 < 2^53 and the power are exact: one rounding.
        double v = static_cast<double>(m);
        v = e10 >= 0 ? v * kExactPow10[e10] : v / kExactPow10[-e10];
        value = negative ? -v : v;
        return true;
    }
    norm[len] = '\0';
    char* end = nullptr;
    double v = std::strtod(norm, &end);
    if (end == norm || !std::isfinite(v)) return false;
    value = v;
    return true;
}

// The fields of nearly every record: blanks, a sign before anything else
// and digits, for a real with at most one point; at most nine digits for an
// integer, fifteen for a real. Read in one pass over the columns, with the
// value and status the full rules give; anything else is left to the full
// rules. col >= 1, width >= 1.
struct PlainNumber {
    bool sign = false, negative = false, point = false;
    int digits = 0; // leading zeros counted too
    int scale = 0;  // digits after the point
    std::uint64_t m = 0;

    // False when the field holds anything but blanks, a leading sign,
    // digits and (when one is allowed) a point.
    bool scan(std::string_view text, int col, int width, bool point_allowed) {
        const std::size_t first = static_cast<std::size_t>(col - 1);
        const std::size_t end = std::min(first + static_cast<std::size_t>(std::min(width, 20)), text.size());
        for (std::size_t i = first; i < end; ++i) {
            const char c = text[i];
            const unsigned d = static_cast<unsigned char>(c) - static_cast<unsigned>('0');
            if (d < 10) {
                ++digits;
                m = m * 10 + d;
                scale += point ? 1 : 0;
            } else if (c == ' ') {
                continue;
            } else if (c == '.' && point_allowed && !point) {
                point = true;
            } else if ((c == '-' || c == '+') && !sign && digits == 0 && !point) {
                sign = true;
                negative = c == '-';
            } else {
                return false;
            }
        }
        // A sign or a point without digits is left to the full rules.
        return digits > 0 || (!sign && !point);
    }
};

bool read_plain_int(std::string_view text, int col, int width, int& value, int& status) {
    PlainNumber n;
    // Nine digits cannot overflow; more are left to the full rules.
    if (!n.scan(text, col, width, false) || n.digits > 9) return false;
    status = n.digits == 0 ? 0 : 1;
    const int magnitude = static_cast<int>(n.m);
    value = n.negative ? -magnitude : magnitude;
    return true;
}

bool read_plain_real(std::string_view text, int col, int width, double& value, int& status) {
    PlainNumber n;
    // As the full rules work it: m < 10^15 and an exact power of ten.
    if (!n.scan(text, col, width, true) || n.digits > 15) return false;
    if (n.digits == 0) {
        status = 0;
        value = 0.0;
        return true;
    }
    double v = static_cast<double>(n.m);
    v = n.scale == 0 ? v * kExactPow10[0] : v / kExactPow10[n.scale];
    value = n.negative ? -v : v;
    status = 1;
    return true;
}

} // namespace

int read_int_field(std::string_view text, int col, int width, int& status) {
    int plain = 0;
    if (col >= 1 && width >= 1 && read_plain_int(text, col, width, plain, status)) return plain;
    return io_detail::read_int_field_general(text, col, width, status);
}

double read_real_field(std::string_view text, int col, int width, int& status) {
    double plain = 0.0;
    if (col >= 1 && width >= 1 && read_plain_real(text, col, width, plain, status)) return plain;
    return io_detail::read_real_field_general(text, col, width, status);
}

int io_detail::read_int_field_general(std::string_view text, int col, int width, int& status) {
    if (col < 1 || width < 1) {
        status = -1;
        return 0;
    }
    Squeezed s(text, col, width);
    if (s.n == 0) {
        status = 0;
        return 0;
    }
    long long v = 0;
    if (!parse_int(s, v)) {
        status = -1;
        return 0;
    }
    status = 1;
    return static_cast<int>(v);
}

double io_detail::read_real_field_general(std::string_view text, int col, int width, int& status) {
    if (col < 1 || width < 1) {
        status = -1;
        return 0.0;
    }
    Squeezed s(text, col, width);
    if (s.n == 0) {
        status = 0;
        return 0.0;
    }
    double v = 0.0;
    if (!parse_real(s, v)) {
        status = -1;
        return 0.0;
    }
    status = 1;
    return v;
}

double read_angle_field(std::string_view text, int col, int width, int& status) {
    bool negative = false, present = false;
    for (int i = 0; i < 7; ++i) {
        const char c = column_of(text, col + i);
        if (c == '-') {
            negative = true;
        } else if (c != '+' && c != ' ') {
            present = true;
            break;
        }
    }
    if (!present) {
        status = 0;
        return 0.0;
    }
    int st = 0;
    int deg = read_int_field(text, col, 3, st);
    if (st < 0) {
        status = -1;
        return 0.0;
    }
    deg = std::abs(deg);
    int min = read_int_field(text, col + 3, 2, st);
    if (st < 0) {
        status = -1;
        return 0.0;
    }
    int sec = read_int_field(text, col + 5, 2, st);
    if (st < 0 || deg >= 360 || min < 0 || min > 59 || sec < 0 || sec > 59) {
        status = -1;
        return 0.0;
    }
    double seconds = static_cast<double>(sec) + 60.0 * min + 3600.0 * deg;
    if (width > 8 && column_of(text, col + 7) == '.' && column_of(text, col + 8) != ' ') {
        double frac = read_real_field(text, col + 7, width - 7, st);
        if (st < 0 || frac >= 1.0 || frac < 0.0) {
            status = -1;
            return 0.0;
        }
        seconds += frac;
    }
    double value = seconds * 4848.136811095 / 1e9;
    if (negative) {
        status = 2;
        return -value;
    }
    status = 1;
    return value;
}

std::string_view record_skip_reason(std::string_view line) {
    const char c1 = line.size() > 0 ? line[0] : ' ';
    const char c2 = line.size() > 1 ? line[1] : ' ';
    if (c1 == ' ' && c2 == ' ')
        return line.find_first_not_of(' ') == std::string_view::npos
                   ? std::string_view()
                   : "line skipped: columns 1-2 are blank, so it is no record";
    if (!is_digit(c1) || !is_digit(c2)) return "line skipped: columns 1-2 hold no two-digit record code";
    return {};
}

void icr00(RunContext& ctx) {
    auto& io = ctx.ioarea;
    io.record_status = 0;
    SeqFile& in = ctx.files.unit4;
    const std::string& line = io.line;
    for (;;) {
        if (!in.read_line(io.line)) {
            io.record_status = -2;
            return;
        }
        const char c1 = line.size() > 0 ? line[0] : ' ';
        const char c2 = line.size() > 1 ? line[1] : ' ';
        if (!is_digit(c1) || !is_digit(c2)) {
            // Only a line with something in columns 1-2 counts as read.
            if (c1 != ' ' || c2 != ' ') ++io.record_count;
            if (io.report_skipped) {
                std::string_view why = record_skip_reason(line);
                if (!why.empty()) {
                    ctx.diag.message(last_line(in), why, line);
                    ctx.diag.dropped();
                }
            }
            continue;
        }
        ++io.record_count;
        io.card.set(line);
        io.record_code = (c1 - '0') * 10 + (c2 - '0');
        if (ctx.files.unit4_is_work_file) {
            // A converted record: the user's line it was made from.
            std::size_t k = static_cast<std::size_t>(in.line_number());
            io.record_at = k >= 1 && k <= ctx.diag.converted.size() ? ctx.diag.converted[k - 1] : SourceLine{};
        } else {
            io.record_at = last_line(in);
        }
        return;
    }
}

int jio01(RunContext& ctx, int col, int width) {
    int status = 0;
    int v = read_int_field(ctx.ioarea.card.view(), col, width, status);
    ctx.ioarea.field_status = status;
    if (status < 0) ctx.ioarea.record_status = -1;
    return v;
}

double eio00(RunContext& ctx, int col, int width) {
    int status = 0;
    double v = read_real_field(ctx.ioarea.card.view(), col, width, status);
    ctx.ioarea.field_status = status;
    return v;
}

double esu00(RunContext& ctx, int col) {
    int status = 0;
    double v = read_angle_field(ctx.ioarea.card.view(), col, 7, status);
    ctx.ioarea.field_status = status;
    return v;
}

double esu05(RunContext& ctx, int col, int width) {
    int status = 0;
    double v = read_angle_field(ctx.ioarea.card.view(), col, width, status);
    ctx.ioarea.field_status = status;
    return v;
}

} // namespace quarlo
