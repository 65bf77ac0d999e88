#include "network.h"

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <string>
#include <utility>
#include <vector>

namespace quarlo::bench {

namespace {

constexpr int kStations = 999;
constexpr int kColumns = 11;
constexpr double kSpacing = 500.0;
constexpr double kEarthRadius = 6370100.0;
constexpr double kPi = 3.141592653589793;
constexpr int kMaxObservations = 6000;

// A fixed pseudo-random sequence (splitmix64), the same on every platform.
class Sequence {
public:
    explicit Sequence(std::uint64_t seed) : state_(seed) {}
    // Uniform in [-1, 1).
    double next() {
        std::uint64_t z = (state_ += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        z ^= z >> 31;
        return static_cast<double>(z >> 11) / 4503599627370496.0 - 1.0;
    }

private:
    std::uint64_t state_;
};

// An input line: texts placed at their columns.
class Line {
public:
    Line& at(int col, const std::string& text) {
        std::size_t start = static_cast<std::size_t>(col - 1);
        if (text_.size() < start + text.size()) text_.resize(start + text.size(), ' ');
        text_.replace(start, text.size(), text);
        return *this;
    }
    std::string str() const { return text_ + "\n"; }

private:
    std::string text_;
};

std::string fmt(const char* format, double value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, value);
    return buf;
}

std::string fmt(const char* format, int value) {
    char buf[64];
    std::snprintf(buf, sizeof buf, format, value);
    return buf;
}

// Zenith distance as DDDMMSS.s.
std::string dms(double radians) {
    long long tenths = std::llround(radians * 180.0 / kPi * 36000.0);
    char buf[32];
    std::snprintf(buf, sizeof buf, "%03lld%02lld%02lld.%1lld", tenths / 36000, tenths / 600 % 60, tenths / 10 % 60,
                  tenths % 10);
    return buf;
}

struct Grid {
    std::vector<double> height; // true heights
    std::vector<bool> fixed;
    std::vector<std::pair<int, int>> lines; // neighbouring stations (indices)

    Grid() {
        Sequence seq(19);
        for (int g = 0; g < kStations; ++g) {
            int row = g / kColumns, col = g % kColumns;
            height.push_back(150.0 + 40.0 * std::sin(0.35 * col) + 30.0 * std::sin(0.05 * row) + 5.0 * seq.next());
            fixed.push_back(g % 20 == 0);
        }
        for (int g = 0; g < kStations; ++g) {
            int col = g % kColumns;
            if (col < kColumns - 1 && g + 1 < kStations) lines.emplace_back(g, g + 1);
            if (col > 0 && g + kColumns - 1 < kStations) lines.emplace_back(g, g + kColumns - 1);
            if (g + kColumns < kStations) lines.emplace_back(g, g + kColumns);
            if (col < kColumns - 1 && g + kColumns + 1 < kStations) lines.emplace_back(g, g + kColumns + 1);
        }
    }

    static double easting(int g) { return 10000.0 + kSpacing * (g % kColumns); }
    static double northing(int g) { return 20000.0 + kSpacing * (g / kColumns); }
    static double horizontal(int a, int b) { return std::hypot(easting(b) - easting(a), northing(b) - northing(a)); }
};

std::string control_record(char refraction_option, char analysis_option, char iterations, char stage = '3') {
    Line l;
    l.at(1, "01").at(8, std::string(1, refraction_option)).at(54, std::string(1, stage));
    l.at(58, std::string(1, iterations));
    l.at(64, std::string(1, analysis_option));
    return l.str();
}

std::string station_records(const Grid& grid) {
    std::string out;
    for (int g = 0; g < kStations; ++g) {
        Line l;
        l.at(1, "10").at(4, fmt("%3d", g + 1));
        l.at(8, fmt("%11.3f", Grid::easting(g))).at(19, fmt("%11.3f", Grid::northing(g)));
        l.at(31, "GRID POINT " + std::to_string(g + 1));
        if (grid.fixed[static_cast<std::size_t>(g)])
            l.at(59, fmt("%8.3f", grid.height[static_cast<std::size_t>(g)])).at(67, "*");
        out += l.str();
    }
    return out;
}

std::string height_difference(const Grid& grid, int from, int to, Sequence& seq) {
    double dh = grid.height[static_cast<std::size_t>(to)] - grid.height[static_cast<std::size_t>(from)] +
                0.001 * seq.next();
    Line l;
    l.at(1, "24").at(4, fmt("%4d", from + 1)).at(9, fmt("%3d", to + 1));
    l.at(13, fmt("%9.4f", dh)).at(23, fmt("%6.3f", 0.002));
    return l.str();
}

// A zenith distance with its slope distance, instrument and target 1.5 m.
std::string zenith_distance(const Grid& grid, int from, int to, bool reciprocal, Sequence& seq) {
    double h1 = grid.height[static_cast<std::size_t>(from)], h2 = grid.height[static_cast<std::size_t>(to)];
    double d = Grid::horizontal(from, to);
    double z = kPi / 2.0 + std::atan2(h1 - h2, d) + (0.5 - 0.065) * d / kEarthRadius;
    z += (1.0 * seq.next()) / 206264.806247096;
    double slope = std::hypot(d, h2 - h1);
    Line l;
    l.at(1, "23").at(4, fmt("%4d", from + 1)).at(9, fmt("%3d", to + 1));
    if (reciprocal) l.at(3, "S");
    l.at(13, dms(z)).at(23, fmt("%6.1f", 2.0)).at(29, fmt("%10.3f", slope)).at(39, "S");
    l.at(50, fmt("%5.3f", 1.5)).at(56, fmt("%6.3f", 1.5));
    return l.str();
}

} // namespace

std::string per_observation_refraction_network(int zeniths, int height_differences, char analysis_option,
                                               char stage) {
    Grid grid;
    Sequence seq(11);
    const auto& lines = grid.lines;
    const int n_lines = static_cast<int>(lines.size());
    std::string out = "92 ONE REFRACTION COEFFICIENT PER ZENITH DISTANCE\n";
    out += control_record('3', analysis_option, '1', stage);
    out += station_records(grid);
    // The zenith distances spread evenly over the lines, so that every
    // station is reached; the height differences from the last line back.
    for (int i = 0; i < zeniths; ++i) {
        int p = zeniths <= n_lines ? static_cast<int>(static_cast<long long>(i) * n_lines / zeniths) : i % n_lines;
        auto [a, b] = lines[static_cast<std::size_t>(p)];
        if (i % 2 == 1) std::swap(a, b);
        out += zenith_distance(grid, a, b, false, seq);
    }
    for (int i = 0; i < height_differences; ++i) {
        auto [a, b] = lines[static_cast<std::size_t>(n_lines - 1 - i % n_lines)];
        out += height_difference(grid, a, b, seq);
    }
    return out + "99\n";
}

std::string keyword_levelling_network(int stations, unsigned seed) {
    Sequence seq(seed);
    std::vector<double> height;
    for (int g = 0; g < stations; ++g)
        height.push_back(150.0 + 40.0 * std::sin(0.35 * (g % kColumns)) + 30.0 * std::sin(0.05 * (g / kColumns)) +
                         5.0 * seq.next());
    auto label = [](int g) { return fmt("P%04d", g + 1); };
    std::string out = "92 KEYWORD LEVELLING NETWORK\n" + control_record(' ', '0', '1', '4');
    for (int g = 0; g < stations; ++g) {
        Line l;
        l.at(1, "GRD").at(5, label(g)).at(18, "POINT " + std::to_string(g + 1));
        l.at(38, fmt("%11.3f", Grid::easting(g))).at(49, fmt("%11.3f", Grid::northing(g)));
        if (g % 20 == 0) l.at(61, fmt("%8.3f", height[static_cast<std::size_t>(g)])).at(69, "*");
        out += l.str();
    }
    auto levelled = [&](int a, int b) {
        double dh = height[static_cast<std::size_t>(b)] - height[static_cast<std::size_t>(a)] + 0.001 * seq.next();
        Line l;
        l.at(1, "DIF").at(5, label(a)).at(19, label(b)).at(33, fmt("%9.4f", dh)).at(43, fmt("%6.3f", 0.002));
        out += l.str();
    };
    for (int g = 0; g < stations; ++g) {
        if (g % kColumns < kColumns - 1 && g + 1 < stations) levelled(g, g + 1);
        if (g + kColumns < stations) levelled(g, g + kColumns);
    }
    return out + "99\n";
}

std::string make_network(NetworkKind kind) {
    Grid grid;
    Sequence seq(7);
    std::string zeniths, differences;
    const auto& lines = grid.lines;
    int n_lines = static_cast<int>(lines.size());

    std::string out;
    switch (kind) {
    case NetworkKind::Levelling:
        out += "92 BENCHMARK A - LEVELLING NETWORK\n";
        out += control_record(' ', '2', '3');
        // Every line levelled, then again backwards, until 6000 differences.
        for (int i = 0; i < kMaxObservations; ++i) {
            auto [a, b] = lines[static_cast<std::size_t>(i % n_lines)];
            if ((i / n_lines) % 2 == 1) std::swap(a, b);
            differences += height_difference(grid, a, b, seq);
        }
        break;
    case NetworkKind::Trigonometric:
        out += "92 BENCHMARK B - TRIGONOMETRIC NETWORK\n";
        out += control_record('1', '2', '3');
        // Two lines in five observed reciprocally, the rest levelled.
        for (int p = 0; p < n_lines; ++p) {
            auto [a, b] = lines[static_cast<std::size_t>(p)];
            if ((p * 7 + p / 5) % 5 < 2) {
                zeniths += zenith_distance(grid, a, b, false, seq);
                zeniths += zenith_distance(grid, b, a, true, seq);
            } else {
                differences += height_difference(grid, a, b, seq);
            }
        }
        break;
    case NetworkKind::Dense:
        return per_observation_refraction_network(3040, kMaxObservations - 3040, '2', '3');
    }
    out += station_records(grid);
    out += zeniths;
    out += differences;
    out += "99\n";
    return out;
}

} // namespace quarlo::bench
