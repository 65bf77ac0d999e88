#include "pelmo_routines/bandsolve.h"
#include "pelmo_routines/store_fixture.h"

#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <limits>
#include <random>

namespace quarlo::test {
namespace {

// N = R^T R with R = [2 1 0; 0 2 1; 0 0 2]: N = [4 2 0; 2 5 2; 0 2 5], band
// width 1, and u = N (1, 2, 3) = (8, 18, 19).
//   pivot 4, s = 2: row 1 -> (2, 1), u1 = 4; row 2: 5 - 1 * 1 = 4, u2 = 18 - 4 = 14
//   pivot 4, s = 2: row 2 -> (2, 1), u2 = 7; row 3: 5 - 1 * 1 = 4, u3 = 19 - 7 = 12
//   pivot 4, s = 2: row 3 -> (2), u3 = 6
//   back: x3 = 6 / 2 = 3, x2 = (7 - 1 * 3) / 2 = 2, x1 = (4 - 1 * 2) / 2 = 1.
// G = R^-T starts as I: row 1 / 2 = (0.5); row 2 - 1 * row 1 = (-0.5, 1),
// / 2 = (-0.25, 0.5); row 3 - 1 * row 2 = (0.25, -0.5, 1), / 2 =
// (0.125, -0.25, 0.5). N^-1 = G^T G (det N = 64, cofactors / 64):
//   (1,1) = 0.25 + 0.0625 + 0.015625 = 0.328125 (21/64), (1,2) = -0.125 -
//   0.03125 = -0.15625 (-10/64), (1,3) = 0.0625 (4/64), (2,2) = 0.25 + 0.0625
//   = 0.3125 (20/64), (2,3) = -0.125 (-8/64), (3,3) = 0.25 (16/64).
const BandRows kHandN = {{4, 2}, {5, 2}, {5}};
const std::vector<float> kHandU = {8, 18, 19};

BandRows read_inverse_factor(StoreRun& s) {
    BandRows rows;
    auto& cur = s.c().nearea.inverse;
    cur.last_block = 1;
    cur.last_position = 0;
    for (int i = 1; i <= s.c().numbrs.matrix_size; ++i) {
        std::vector<float> row(static_cast<std::size_t>(i));
        cur.length = i;
        indexf(cur);
        discrd(s.c(), row.data());
        rows.push_back(row);
    }
    return rows;
}

TEST(BandSolve, SmallSystemByHand) {
    {
        StoreRun s(3, 1, 0);
        ASSERT_TRUE(size_block_stores(s.c()));
        s.write_rows(kHandN);
        s.set_rhs(kHandU);
        nsolve(s.c());
        EXPECT_EQ(s.c().nearea.failing_row, 0);
        EXPECT_EQ(s.read_band(), (BandRows{{2, 1}, {2, 1}, {2}}));
        EXPECT_EQ(s.rhs(), (std::vector<float>{1, 2, 3}));
    }
    {
        StoreRun s(3, 1, 3); // the whole inverse, listed; odd n: the last column alone
        ASSERT_TRUE(size_block_stores(s.c()));
        s.write_rows(kHandN);
        s.set_rhs(kHandU);
        nsoln(s.c());
        EXPECT_EQ(s.rhs(), (std::vector<float>{1, 2, 3}));
        EXPECT_EQ(read_inverse_factor(s), (BandRows{{0.5f}, {-0.25f, 0.5f}, {0.125f, -0.25f, 0.5f}}));
        isoln(s.c());
        EXPECT_EQ(s.read_inverse(), (BandRows{{0.328125f, -0.15625f, 0.0625f}, {0.3125f, -0.125f}, {0.25f}}));
        EXPECT_EQ(inverse_element(s.c(), 3, 1), 0.0625f);
        EXPECT_EQ(inverse_element(s.c(), 2, 3), -0.125f);
    }
    {
        // Not listed: the band, which the tests of the observations read;
        // the element outside it was never formed.
        StoreRun s(3, 1, 2);
        ASSERT_TRUE(size_block_stores(s.c()));
        s.write_rows(kHandN);
        s.set_rhs(kHandU);
        nsoln(s.c());
        isoln(s.c());
        EXPECT_EQ(s.rhs(), (std::vector<float>{1, 2, 3}));
        EXPECT_EQ(s.read_rows(std::vector<int>{2, 2, 1}),
                  (BandRows{{0.328125f, -0.15625f}, {0.3125f, -0.125f}, {0.25f}}));
        EXPECT_EQ(inverse_element(s.c(), 2, 2), 0.3125f);
        EXPECT_EQ(inverse_element(s.c(), 3, 2), -0.125f);
        EXPECT_THROW(inverse_element(s.c(), 1, 3), FatalStop);
    }
    {
        StoreRun s(3, 1, 4); // factor and G, but no back substitution: y = R^-T u
        ASSERT_TRUE(size_block_stores(s.c()));
        s.write_rows(kHandN);
        s.set_rhs(kHandU);
        nsoln(s.c());
        EXPECT_EQ(s.c().nearea.failing_row, 0);
        EXPECT_EQ(s.rhs(), (std::vector<float>{4, 7, 6}));
    }
}

// The 11 x 11 system of tools/band_reference.py (band width 3).
BandRows reference_system() {
    BandRows rows;
    for (int i = 1; i <= 11; ++i) {
        std::vector<float> row = {static_cast<float>(10 + i), -2.0f, 1.0f, -0.5f};
        if (i == 4) row[1] = 0.0f;
        if (i == 5) row[3] = 0.0f; // a multiplier of exactly zero: row 8 is passed over
        row.resize(static_cast<std::size_t>(std::min(4, 12 - i)));
        rows.push_back(row);
    }
    return rows;
}

TEST(BandSolve, SolutionAndInverseAgreeWithADoublePrecisionSolve) {
    // Values from python3 tools/band_reference.py (40 digits, mpmath).
    const std::vector<double> x = {-5.19398447498e-1, -4.55745629448e-1, -2.81355231627e-1, -1.66493790424e-1,
                                   -6.78679710885e-2, -8.11179985317e-4, 6.987962326e-2,    1.32740725021e-1,
                                   1.79844732604e-1,  2.38636324154e-1,  2.55418965629e-1};
    const std::vector<std::vector<double>> inverse = {
        {9.41059579285e-2, 1.47845987665e-2, -4.7800834594e-3, 1.63251244121e-3, 7.91897403103e-4,
         -1.54904112338e-4, -1.58864285468e-5, 6.60475236029e-6, -2.65764649222e-6, -9.74058669798e-7,
         1.91043111084e-7},
        {8.81818378418e-2, 1.16446131725e-2, -4.1769521582e-3, 2.29335613008e-3, 8.96309545095e-4,
         -1.61417112657e-4, -6.50499050214e-5, 2.55320743411e-5, 1.50817642109e-6, -2.62098447665e-6},
        {8.11287546666e-2, 1.05172205362e-2, -4.88952761538e-3, 1.36106434718e-3, 7.58594844781e-4,
         7.53186004755e-6, -1.45968187007e-6, 1.86447629674e-5, 2.02453037279e-6},
        {7.36575234118e-2, -1.53073688282e-3, -4.27099995744e-3, 1.81335671216e-3, 4.20567892107e-4,
         -1.63515883933e-4, 9.82752951491e-6, 1.8735947096e-5},
        {6.83695942054e-2, 8.144788228e-3, -3.21813094438e-3, -7.76608385931e-4, 3.02207329768e-4,
         -1.48315240545e-5, -3.4294027183e-5},
        {6.48662029075e-2, 6.64767282044e-3, -2.76625085425e-3, 1.1130828763e-3, 4.0780984796e-4,
         -8.00280289287e-5},
        {6.07280064055e-2, 6.07656726791e-3, -2.29271847488e-3, 1.02020188198e-3, 3.51019327276e-4},
        {5.71198900341e-2, 5.35352112845e-3, -2.07801201738e-3, 9.07161897801e-4},
        {5.39621667929e-2, 4.87341996433e-3, -1.97802696667e-3},
        {5.10750220161e-2, 4.5827437171e-3},
        {4.81712902548e-2},
    };
    std::vector<float> u;
    for (int i = 1; i <= 11; ++i) u.push_back(static_cast<float>(i - 6));

    // Single precision on a well-conditioned matrix (condition about 3):
    // within a few units of the last place of the largest value.
    const double x_tolerance = 4.0e-7;   // largest |x| 0.52, one unit 6e-8
    const double inv_tolerance = 4.0e-8; // largest element 0.094, one unit 7.5e-9

    StoreRun s(11, 3, 3);
    ASSERT_TRUE(size_block_stores(s.c()));
    s.write_rows(reference_system());
    s.set_rhs(u);
    nsoln(s.c());
    ASSERT_EQ(s.c().nearea.failing_row, 0);
    auto got = s.rhs();
    for (std::size_t i = 0; i < x.size(); ++i) EXPECT_NEAR(got[i], x[i], x_tolerance) << "x" << i + 1;
    isoln(s.c());
    auto inv = s.read_inverse();
    for (std::size_t j = 0; j < inverse.size(); ++j)
        for (std::size_t k = 0; k < inverse[j].size(); ++k)
            EXPECT_NEAR(inv[j][k], inverse[j][k], inv_tolerance) << "row " << j + 1 << " column " << j + k + 1;

    // Solving without the inverse factor takes the same steps on the band.
    StoreRun plain(11, 3, 0);
    ASSERT_TRUE(size_block_stores(plain.c()));
    plain.write_rows(reference_system());
    plain.set_rhs(u);
    nsolve(plain.c());
    EXPECT_EQ(plain.rhs(), got);
}

// A random band system of n unknowns and band width b, diagonally
// dominant, with some band words exactly zero; at a few places every word
// across the place is zero, so that the matrix falls apart into blocks and
// stretches of G are exactly zero.
BandRows random_band(int n, int b, std::mt19937& random) {
    std::uniform_real_distribution<float> value(-1.0f, 1.0f);
    std::vector<int> block(static_cast<std::size_t>(n) + 1, 0);
    for (int k = 2; k <= n; ++k)
        block[static_cast<std::size_t>(k)] = block[static_cast<std::size_t>(k - 1)] + (random() % 5 == 0 ? 1 : 0);
    BandRows rows;
    std::vector<float> off(static_cast<std::size_t>(n) + 1, 0.0f);
    for (int k = 1; k <= n; ++k) {
        std::vector<float> row(static_cast<std::size_t>(StoreRun::row_length(n, b, k)), 0.0f);
        for (std::size_t t = 1; t < row.size(); ++t) {
            const int j = k + static_cast<int>(t);
            if (block[static_cast<std::size_t>(j)] != block[static_cast<std::size_t>(k)] || random() % 4 == 0) continue;
            row[t] = value(random);
            off[static_cast<std::size_t>(k)] += std::fabs(row[t]);
            off[static_cast<std::size_t>(j)] += std::fabs(row[t]);
        }
        rows.push_back(row);
    }
    for (int k = 1; k <= n; ++k)
        rows[static_cast<std::size_t>(k - 1)][0] = off[static_cast<std::size_t>(k)] + 0.5f + std::fabs(value(random));
    return rows;
}

// The system solved and inverted at the analysis option, with caches of
// the given size.
void solve_and_invert(StoreRun& s, const BandRows& rows) {
    ASSERT_TRUE(size_block_stores(s.c()));
    s.write_rows(rows);
    s.set_rhs(std::vector<float>(rows.size(), 1.0f));
    nsoln(s.c());
    ASSERT_EQ(s.c().nearea.failing_row, 0);
    isoln(s.c());
}

TEST(BandSolve, TheBandOfTheInverseIsBitForBitThatOfTheWholeInverse) {
    std::mt19937 random(17);
    int from_window = 0, from_store = 0;
    for (int n : {1, 2, 7, 8, 40, 41}) {
        std::vector<int> bands; // 0 .. n - 1
        for (int b = 0; b < n; b += n > 8 ? 6 : 1) bands.push_back(b);
        if (bands.back() != n - 1) bands.push_back(n - 1);
        for (int b : bands) {
            const BandRows rows = random_band(n, b, random);
            StoreRun whole(n, b, 5);
            solve_and_invert(whole, rows);
            ASSERT_EQ(whole.c().matbuf.inverse_width, n);
            for (int slots : {kCacheSlots, 2}) {
                StoreRun part(n, b, 2, slots);
                solve_and_invert(part, rows);
                const int width = b + 1;
                EXPECT_EQ(part.c().matbuf.inverse_width, width);
                if (width < n) ++(keeps_inverse_factor(part.c()) ? from_store : from_window);
                for (int j = 1; j <= n; ++j)
                    for (int k = j; k <= std::min(n, j + width - 1); ++k)
                        EXPECT_EQ(std::bit_cast<std::uint32_t>(inverse_element(part.c(), j, k)),
                                  std::bit_cast<std::uint32_t>(inverse_element(whole.c(), j, k)))
                            << "n " << n << " b " << b << " width " << width << " slots " << slots << " (" << j
                            << ", " << k << ")";
            }
        }
    }
    EXPECT_GT(from_window, 0);
    EXPECT_GT(from_store, 0); // G kept whole: b + 1 of its rows exceed the cache
}

// Forms band rows from observation equations, each row from the equations
// in their order (terms c_s c_t w, right-hand side c_s m w, single precision).
struct Equation {
    std::vector<std::pair<int, float>> terms; // unknown, coefficient
    float misclosure;
    float weight;
};

BandRows form(int n, const std::vector<Equation>& eqs, std::vector<float>& u, int& band) {
    band = 0;
    for (const auto& e : eqs) {
        int lo = n, hi = 1;
        for (auto [k, c] : e.terms) lo = std::min(lo, k), hi = std::max(hi, k);
        band = std::max(band, hi - lo);
    }
    BandRows rows;
    u.assign(static_cast<std::size_t>(n), 0.0f);
    for (int k = 1; k <= n; ++k) {
        std::vector<float> row(static_cast<std::size_t>(StoreRun::row_length(n, band, k)), 0.0f);
        for (const auto& e : eqs)
            for (auto [ks, cs] : e.terms) {
                if (ks != k) continue;
                u[static_cast<std::size_t>(k - 1)] += cs * e.misclosure * e.weight;
                for (auto [kt, ct] : e.terms)
                    if (kt >= k) row[static_cast<std::size_t>(kt - k)] += cs * ct * e.weight;
                break;
            }
        rows.push_back(row);
    }
    return rows;
}

// Solves the normal equations of the equations; returns the failing row.
int solve(const std::vector<Equation>& eqs, int n, std::vector<float>* x = nullptr) {
    std::vector<float> u;
    int band = 0;
    BandRows rows = form(n, eqs, u, band);
    StoreRun s(n, band, 0);
    EXPECT_TRUE(size_block_stores(s.c()));
    s.write_rows(rows);
    s.set_rhs(u);
    nsolve(s.c());
    if (x) *x = s.rhs();
    return s.c().nearea.failing_row;
}

// A levelling line of 1000 stations, every link 1 mm per root km with link
// lengths from 0.3 to 2.5 km (an eightfold spread of weights), each height
// difference 1 mm larger than the provisional heights give. fixed: the
// station held fixed (0 for none: no height datum).
std::vector<Equation> levelling_line(int fixed, int& n) {
    std::vector<int> unknown(1001, 0);
    n = 0;
    for (int st = 1; st <= 1000; ++st)
        if (st != fixed) unknown[static_cast<std::size_t>(st)] = ++n;
    std::vector<Equation> eqs;
    for (int st = 1; st < 1000; ++st) {
        double f = st * 0.6180339887498949;
        double km = 0.3 + 2.2 * (f - std::floor(f));
        double sd = 0.001 * std::sqrt(km);
        Equation e{{}, 0.001f, static_cast<float>(1.0 / (sd * sd))};
        if (unknown[static_cast<std::size_t>(st)]) e.terms.push_back({unknown[static_cast<std::size_t>(st)], -1.0f});
        if (unknown[static_cast<std::size_t>(st + 1)])
            e.terms.push_back({unknown[static_cast<std::size_t>(st + 1)], 1.0f});
        eqs.push_back(e);
    }
    return eqs;
}

// A line of stations joined by reciprocal 10" zenith distances of 1 to 3 km,
// one refraction coefficient per station (constrained to 0.1), and a 0.1 mm
// height observation at the first station when asked.
std::vector<Equation> zenith_line(int stations, bool height_observation, int& n) {
    const double rho = 206264.806247096, radius = 6370100.0;
    n = 2 * stations; // height 2s - 1, refraction 2s
    std::vector<Equation> eqs;
    for (int st = 1; st < stations; ++st) {
        double f = st * 0.6180339887498949;
        double d = 1000.0 + 2000.0 * (f - std::floor(f));
        float ch = static_cast<float>(rho / d);
        float ck = static_cast<float>(-0.001 * d * rho / radius);
        for (auto [from, to] : {std::pair{st, st + 1}, std::pair{st + 1, st}})
            eqs.push_back({{{2 * from - 1, ch}, {2 * from, ck}, {2 * to - 1, -ch}},
                           static_cast<float>(st % 7) - 3.0f, 0.01f});
    }
    if (height_observation) eqs.push_back({{{1, 1.0f}}, 0.0f, 1.0e8f});
    for (int st = 1; st <= stations; ++st) eqs.push_back({{{2 * st, 1.0f}}, 0.0f, 1.0e-4f});
    return eqs;
}

TEST(BandSolve, SingularPivots) {
    // N = [1 1; 1 1]: the second pivot is 1 - 1 * 1 = 0 exactly.
    for (bool inverse : {false, true}) {
        StoreRun s(2, 1, inverse ? 2 : 0);
        ASSERT_TRUE(size_block_stores(s.c()));
        s.write_rows({{1, 1}, {1}});
        s.set_rhs({1, 1});
        inverse ? nsoln(s.c()) : nsolve(s.c());
        EXPECT_EQ(s.c().nearea.failing_row, 2);
    }
    // A NaN reaching the second pivot, and a negative one (1 - 2 * 2 = -3).
    for (float corner : {std::numeric_limits<float>::quiet_NaN(), 1.0f}) {
        StoreRun s(2, 1, 0);
        ASSERT_TRUE(size_block_stores(s.c()));
        s.write_rows({{1, 2}, {corner}});
        nsolve(s.c());
        EXPECT_EQ(s.c().nearea.failing_row, 2);
    }
    // A pivot of one unit in the last place of its diagonal as formed is
    // rounding alone; two units solve, here exactly: N = [1 1; 1 1 + 2^-22],
    // u = N [0 1].
    for (float unit : {0x1p-23f, 0x1p-22f}) {
        StoreRun s(2, 1, 0);
        ASSERT_TRUE(size_block_stores(s.c()));
        s.write_rows({{1, 1}, {1 + unit}});
        s.set_rhs({1, 1 + unit});
        nsolve(s.c());
        if (unit < 0x1p-22f) {
            EXPECT_EQ(s.c().nearea.failing_row, 2);
            continue;
        }
        EXPECT_EQ(s.c().nearea.failing_row, 0);
        EXPECT_EQ(s.rhs()[0], 0.0f);
        EXPECT_EQ(s.rhs()[1], 1.0f);
    }
    // A tiny pivot that is the whole of its diagonal is sound.
    StoreRun s(1, 0, 0);
    ASSERT_TRUE(size_block_stores(s.c()));
    s.write_rows({{1.0e-30f}});
    s.set_rhs({2.0e-30f});
    nsolve(s.c());
    EXPECT_EQ(s.c().nearea.failing_row, 0);
    EXPECT_FLOAT_EQ(s.rhs()[0], 2.0f);
}

TEST(BandSolve, AMissingHeightDatumIsSingularAndAFixedEndIsNot) {
    int n = 0;
    // No station fixed: the last pivot is rounding noise, which the pivot
    // test alone need not catch (the solution stage finds the missing datum
    // before solving); it must never solve to corrections either way below
    // the rounding of the formed diagonal.
    auto free_line = levelling_line(0, n);
    const int failed = solve(free_line, n);
    EXPECT_TRUE(failed == 0 || failed == 1000) << failed;

    // Held at either end the line solves; from a fixed first station every
    // height is 1 mm per link above the one before, to within a centimetre
    // at the far end (the condition of the matrix grows with the square of
    // the line's length, and single precision keeps some 7 digits).
    for (int fixed : {1, 1000}) {
        auto line = levelling_line(fixed, n);
        ASSERT_EQ(n, 999);
        std::vector<float> x;
        ASSERT_EQ(solve(line, n, &x), 0) << fixed;
        if (fixed == 1) {
            for (int j = 1; j <= 999; j += 97) EXPECT_NEAR(x[static_cast<std::size_t>(j - 1)], 0.001 * j, 0.01) << j;
        }
    }

    // Zenith distances: the heights float without the height observation.
    auto floating = zenith_line(200, false, n);
    EXPECT_NE(solve(floating, n), 0);
    auto held = zenith_line(200, true, n);
    EXPECT_EQ(solve(held, n), 0);

    // The same line with every link also levelled to 0.1 mm: far tighter
    // ties between neighbours than to the height observation, still sound.
    auto levelled = zenith_line(200, true, n);
    for (int st = 1; st < 200; ++st) levelled.push_back({{{2 * st - 1, -1.0f}, {2 * st + 1, 1.0f}}, 0.0f, 1.0e8f});
    EXPECT_EQ(solve(levelled, n), 0);
}

TEST(BandSolve, NoUnknownsNothingDone) {
    StoreRun s(0, 0, 2);
    ASSERT_TRUE(size_block_stores(s.c()));
    s.c().nearea.rhs(1) = 5.0f;
    nsolve(s.c());
    nsoln(s.c());
    isoln(s.c());
    EXPECT_EQ(s.c().nearea.rhs(1), 5.0f);
    EXPECT_EQ(s.c().nearea.failing_row, 0);
}

std::string value_line(const std::vector<float>& values) {
    std::string line(132, ' ');
    for (std::size_t t = 0; t < values.size(); ++t) {
        char field[32];
        std::snprintf(field, sizeof field, "%15.6f", static_cast<double>(values[t]));
        line.replace(16 * t, 15, field);
    }
    return line;
}

TEST(BandSolve, ListsTheNormalEquationsAndTheInverse) {
    // Nine unknowns of band width 8: row 1 has 9 values (a full line and
    // one), row 2 has 8 (a full line, then an empty one), row k 10 - k.
    StoreRun s(9, 8, 3);
    ASSERT_TRUE(size_block_stores(s.c()));
    BandRows rows;
    for (int k = 1; k <= 9; ++k) {
        std::vector<float> row;
        for (int t = 0; t < StoreRun::row_length(9, 8, k); ++t) row.push_back(static_cast<float>(k) + t / 8.0f);
        rows.push_back(row);
    }
    s.write_rows(rows);
    s.c().matbuf.print_flag = 1;
    mprint(s.c());
    EXPECT_EQ(s.c().matbuf.write_back, 1);

    std::vector<std::string> expected = {" ", line132({{58, "NORMAL EQUATIONS"}})};
    for (int k = 1; k <= 9; ++k) {
        char number[8];
        std::snprintf(number, sizeof number, "%5d", k);
        expected.insert(expected.end(), {" ", " ", line132({{5, "ROW NUMBER"}, {17, number}})});
        const auto& row = rows[static_cast<std::size_t>(k - 1)];
        for (std::size_t t = 0; t < row.size(); t += 8)
            expected.push_back(value_line({row.begin() + static_cast<std::ptrdiff_t>(t),
                                           row.begin() + static_cast<std::ptrdiff_t>(std::min(t + 8, row.size()))}));
        if (row.size() % 8 == 0) expected.push_back(std::string(132, ' '));
    }
    auto lines = s.run.report();
    ASSERT_GE(lines.size(), 6 + expected.size());
    EXPECT_EQ(lines[0], "\f");
    EXPECT_EQ(std::vector<std::string>(lines.begin() + 6, lines.end()), expected);
}

} // namespace
} // namespace quarlo::test
