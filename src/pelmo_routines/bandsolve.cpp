#include "pelmo_routines/bandsolve.h"

#include "pelmo_routines/blockstore.h"
#include "report/iocat3.h"
#include "report/print.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace quarlo {

namespace {

// A pivot is singular when it is not greater than zero (NaN included) or
// when it is no more than one unit in the last place of its row's diagonal
// as formed (2^-23 of that diagonal). The pivot is the diagonal less a sum
// of squares of about its size, so it comes out as a whole number of such
// units, each good to about one: a pivot of one unit is all that rounding
// leaves of any true pivot below it (a seventh of a unit has been seen to
// come out as one), and corrections solved from it are noise. From two
// units on the pivot keeps its sign and its size to within a unit or so,
// and the error it brings into the corrections is that share of the
// corrections along the weakly determined direction, well inside their
// standard deviations. Sound networks come that close: two free stations
// 10 m apart, levelled to 0.1 mm and seen from two fixed stations with 10"
// zenith distances over 9 or 10 km, keep two units (1.6e-7 of the
// diagonal). A part of the network without a height datum, or rotation
// parameters that nothing determines, leaves pivots of pure rounding noise
// that can stay far above this (2.7e-5 in free chains of 1000 stations,
// 2.9e-6 in levelled grids with one fixed corner): the solution stage finds
// such parts before it solves.
constexpr float kNoDigitLeft = 0x1p-23f;

// True when the pivot has no significant digit left.
bool singular_pivot(float pivot, float formed) { return !(pivot > 0.0f) || pivot <= kNoDigitLeft * formed; }

// The inner loops work on eight words at a time, written with the
// compiler's vector type so that every optimisation level makes the same
// straight vector code of them (left to the loop vectoriser, hand-unrolled
// loops came out of -O3 as shuffles and stack spills). Each word still sees
// exactly the operations of the plain loop, in single precision, in the
// same order, never fused.
typedef float Words __attribute__((vector_size(32)));
typedef std::int32_t Lanes __attribute__((vector_size(32)));
constexpr int kRun = static_cast<int>(sizeof(Words) / sizeof(float));

// y[0..7] -= f * x[0..7], y[0..7] += f * x[0..7], y[0..7] /= s.
inline void subtract_run(float* y, const float* x, float f) {
    Words a, b;
    std::memcpy(&a, y, sizeof a);
    std::memcpy(&b, x, sizeof b);
    a -= f * b;
    std::memcpy(y, &a, sizeof a);
}
inline void add_run(float* y, const float* x, float f) {
    Words a, b;
    std::memcpy(&a, y, sizeof a);
    std::memcpy(&b, x, sizeof b);
    a += f * b;
    std::memcpy(y, &a, sizeof a);
}
// a[0..7] += x[0..7] * y[0..7] in the words whose keep is not 0.
inline void add_kept_run(float* a, const float* x, const float* y, const std::int32_t* keep) {
    Words va, vx, vy;
    Lanes vk;
    std::memcpy(&va, a, sizeof va);
    std::memcpy(&vx, x, sizeof vx);
    std::memcpy(&vy, y, sizeof vy);
    std::memcpy(&vk, keep, sizeof vk);
    const Words sum = va + vx * vy;
    va = vk != 0 ? sum : va;
    std::memcpy(a, &va, sizeof va);
}
inline void divide_run(float* y, float s) {
    Words a;
    std::memcpy(&a, y, sizeof a);
    a /= s;
    std::memcpy(y, &a, sizeof a);
}

// y[t] = y[t] - f * x[t] for t < count.
__attribute__((target_clones("avx2", "default")))
void subtract_multiple(float* __restrict y, const float* __restrict x, float f, int count) {
    int t = 0;
    for (; t + kRun <= count; t += kRun) subtract_run(y + t, x + t, f);
    for (; t < count; ++t) y[t] -= f * x[t];
}

// a[t] += x[t] * y[t] for t < count where keep[t] is not 0.
__attribute__((target_clones("avx2", "default")))
void add_kept_products(float* __restrict a, const float* x, const float* y, const std::int32_t* keep, int count) {
    int t = 0;
    for (; t + kRun <= count; t += kRun) add_kept_run(a + t, x + t, y + t, keep + t);
    for (; t < count; ++t)
        if (keep[t] != 0) a[t] += x[t] * y[t];
}

// keep[t] = -1 where either word of the pair (x[2p], x[2p + 1]) holding t
// is not zero, else 0, for t < count (even).
__attribute__((target_clones("avx2", "default")))
void mark_pairs(std::int32_t* __restrict keep, const float* __restrict x, int count) {
    int t = 0;
    for (; t + kRun <= count; t += kRun) {
        Words v;
        std::memcpy(&v, x + t, sizeof v);
        const Lanes nonzero = v != Words{};
        const Lanes either = nonzero | __builtin_shuffle(nonzero, Lanes{1, 0, 3, 2, 5, 4, 7, 6});
        std::memcpy(keep + t, &either, sizeof either);
    }
    for (; t < count; t += 2) {
        const std::int32_t either = x[t] != 0.0f || x[t + 1] != 0.0f ? -1 : 0;
        keep[t] = either;
        keep[t + 1] = either;
    }
}

// y[t] = y[t] / s for t < count.
void divide_words(float* __restrict y, float s, int count) {
    int t = 0;
    for (; t + kRun <= count; t += kRun) divide_run(y + t, s);
    for (; t < count; ++t) y[t] /= s;
}

// a[t] += f * x[t] and b[t] += g * x[t + 1] for t < count: the inner loop
// of the whole inverse.
__attribute__((target_clones("avx2", "default")))
void add_two_multiples(float* __restrict a, float* __restrict b, const float* __restrict x, float f, float g,
                       int count) {
    int t = 0;
    for (; t + kRun <= count; t += kRun) {
        add_run(a + t, x + t, f);
        add_run(b + t, x + t + 1, g);
    }
    for (; t < count; ++t) {
        a[t] += f * x[t];
        b[t] += g * x[t + 1];
    }
}

int analysis_option(const RunContext& ctx) { return ctx.option.run_status - 1; }

// Length of row k of the band: columns k .. min(k + b, n).
int band_row_length(int n, int b, int k) { return std::min(b + 1, n - k + 1); }

void start_of_store(SegmentCursor& c) {
    c.last_block = 1;
    c.last_position = 0;
}

// Factorises the band rows of the normal store into R (N = R^T R), reduces
// the right-hand side to R^-T u and, with back_substitute, solves for x.
// With the inverse factor, G = R^-T is built row by row in the inverse store
// alongside. Each row's divisor is kept, so that G can be formed again from
// R. Returns false when a pivot is singular: the failing-row register then
// names the row and the stores are left as they stand.
bool factorise(RunContext& ctx, bool inverse_factor, bool back_substitute) {
    auto& ne = ctx.nearea;
    const int n = ctx.numbrs.matrix_size;
    const int b = std::max(0, std::min(ctx.numbrs.band_width, n - 1));
    float* u = &ne.rhs(1);

    std::vector<float> pivot_row(static_cast<std::size_t>(b) + 1), row(static_cast<std::size_t>(b) + 1);
    std::vector<float> g_pivot, g_row;
    if (inverse_factor) {
        g_pivot.assign(static_cast<std::size_t>(n), 0.0f);
        g_row.assign(static_cast<std::size_t>(n), 0.0f);
        // G starts as the identity: row i holds columns 1..i.
        start_of_store(ne.inverse);
        for (int i = 1; i <= n; ++i) {
            ne.inverse.length = i;
            indexf(ne.inverse);
            g_row[static_cast<std::size_t>(i - 1)] = 1.0f;
            discwt(ctx, g_row.data());
            g_row[static_cast<std::size_t>(i - 1)] = 0.0f;
        }
    }

    // Each row's diagonal as formed, taken when the row is first read (no
    // earlier pivot row has changed it yet).
    std::vector<float> formed(static_cast<std::size_t>(n) + 1, 0.0f);
    std::vector<char> seen(static_cast<std::size_t>(n) + 1, 0);
    ne.smallest_pivot_ratio = 1.0f;

    SegmentCursor row_k, g_k;
    start_of_store(row_k);
    start_of_store(g_k);
    for (int k = 1; k <= n; ++k) {
        const int length = band_row_length(n, b, k);
        row_k.length = length;
        indexf(row_k);
        ne.normal = row_k;
        dskrd(ctx, pivot_row.data());
        if (inverse_factor) {
            g_k.length = k;
            indexf(g_k);
            ne.inverse = g_k;
            discrd(ctx, g_pivot.data());
        }
        ne.failing_row = k;

        const float pivot = pivot_row[0];
        if (!seen[static_cast<std::size_t>(k)]) {
            formed[static_cast<std::size_t>(k)] = pivot;
            seen[static_cast<std::size_t>(k)] = 1;
        }
        if (singular_pivot(pivot, formed[static_cast<std::size_t>(k)])) return false;
        ne.smallest_pivot_ratio = std::min(ne.smallest_pivot_ratio, pivot / formed[static_cast<std::size_t>(k)]);

        const float s = static_cast<float>(std::sqrt(static_cast<double>(pivot)));
        ne.pivot_root(k) = s;
        divide_words(pivot_row.data(), s, length);
        u[k - 1] /= s;
        dskwt(ctx, pivot_row.data());
        if (inverse_factor) {
            divide_words(g_pivot.data(), s, k);
            discwt(ctx, g_pivot.data());
        }

        // Later rows within the band, visited in store order; a row whose
        // multiplier is exactly zero is passed over unread.
        const int last = std::min(k + b, n);
        ne.normal = row_k;
        if (inverse_factor) ne.inverse = g_k;
        for (int j = k + 1; j <= last; ++j) {
            ne.normal.length = band_row_length(n, b, j);
            ne.inverse.length = j;
            if (inverse_factor)
                indef(ctx);
            else
                indexf(ctx);
            const float f = pivot_row[static_cast<std::size_t>(j - k)];
            if (f == 0.0f) continue;
            dskrd(ctx, row.data());
            if (!seen[static_cast<std::size_t>(j)]) {
                formed[static_cast<std::size_t>(j)] = row[0];
                seen[static_cast<std::size_t>(j)] = 1;
            }
            subtract_multiple(row.data(), pivot_row.data() + (j - k), f, last - j + 1);
            dskwt(ctx, row.data());
            u[j - 1] -= f * u[k - 1];
            if (inverse_factor) {
                discrd(ctx, g_row.data());
                subtract_multiple(g_row.data(), g_pivot.data(), f, k);
                discwt(ctx, g_row.data());
            }
        }
    }

    if (back_substitute) {
        ne.solved = true;
        // Backwards from just after the last row.
        ne.normal = row_k;
        ne.normal.first_block = ne.normal.last_block;
        ne.normal.first_position = ne.normal.last_position + 1;
        for (int i = n; i >= 1; --i) {
            const int length = band_row_length(n, b, i);
            ne.normal.length = length;
            indexb(ctx);
            dskrd(ctx, row.data());
            float sum = 0.0f;
            for (int t = 1; t < length; ++t) sum += row[static_cast<std::size_t>(t)] * u[i - 1 + t];
            u[i - 1] = (u[i - 1] - sum) / row[0];
        }
    }

    ne.failing_row = 0;
    ioblk(ctx, 3, 0, nullptr, 0, 0);
    if (inverse_factor) ioinv(ctx, 3, 0, nullptr, 0, 0);
    return true;
}

// The whole upper triangle of N^-1 = G^T G into the normal store, from G
// in the inverse store: two columns per sweep over the rows of G, row j of
// the inverse holding columns j .. n.
void whole_inverse(RunContext& ctx) {
    auto& ne = ctx.nearea;
    const int n = std::max(0, ctx.numbrs.matrix_size);
    clear_block_cache(ctx, ctx.matbuf.normal);
    std::vector<std::int16_t> columns;
    tsetncl(ctx, columns); // every column is formed

    std::vector<float> a(static_cast<std::size_t>(n)), b(static_cast<std::size_t>(n)), g(static_cast<std::size_t>(n));
    start_of_store(ne.normal);
    SegmentCursor before_pair; // the inverse-factor row before row j
    start_of_store(before_pair);
    for (int j = 1; j <= n; j += 2) {
        const int width = n - j + 1;
        std::fill(a.begin(), a.begin() + width, 0.0f);
        std::fill(b.begin(), b.begin() + width, 0.0f);

        ne.inverse = before_pair;
        ne.inverse.length = j;
        indexf(ne.inverse);
        const float* gj = discrd_in_place(ctx, g.data());
        a[0] = gj[j - 1] * gj[j - 1];
        if (j < n) {
            ne.inverse.length = j + 1;
            indexf(ne.inverse);
            const float* gj1 = discrd_in_place(ctx, g.data());
            const float p = gj1[j - 1];
            const float q = gj1[j];
            a[0] += p * p;
            a[1] = p * q;
            b[0] = q * q;
            before_pair = ne.inverse;
        }
        for (int i = j + 2; i <= n; ++i) {
            ne.inverse.length = i;
            indexf(ne.inverse);
            const float* gi = discrd_in_place(ctx, g.data());
            const float f = gi[j - 1];
            const float h = gi[j];
            if (f != 0.0f || h != 0.0f) {
                add_two_multiples(a.data(), b.data(), gi + (j - 1), f, h, i - j);
                a[static_cast<std::size_t>(i - j)] += f * gi[i - 1];
            }
        }

        ne.normal.length = width;
        indexf(ctx);
        dskwt(ctx, a.data());
        if (j < n) {
            ne.normal.length = width - 1;
            indexf(ctx);
            dskwt(ctx, b.data());
        }
    }
    ioblk(ctx, 3, 0, nullptr, 0, 0);
}

// Elements (j, c), j <= c < j + width, of N^-1 = G^T G, summed over the rows
// of G as they come, each exactly as the two-column sweep of the whole
// inverse sums it: over rows i = max(j, c) .. n in ascending order, with
// the same products, the same first terms and the same rows passed over
// (row i adds nothing to the columns of a pair (j0, j0 + 1), j0 odd, when
// both G(i, j0) and G(i, j0 + 1) are zero). They are held diagonal by
// diagonal, so that each row of G adds to long runs of words.
class KeptInverse {
public:
    KeptInverse(int n, int width)
        : n_(n), width_(width), start_(static_cast<std::size_t>(width) + 1, 0),
          keep_(static_cast<std::size_t>(n) + 1, 0) {
        // Diagonal d: the elements (j, j + d), j = 1 .. n - d.
        for (std::size_t d = 0; d < static_cast<std::size_t>(width); ++d)
            start_[d + 1] = start_[d] + static_cast<std::size_t>(n) - d;
        words_.assign(start_.back(), 0.0f);
    }

    int length(int j) const { return std::min(width_, n_ - j + 1); }
    // Row j of the inverse: columns j .. j + length(j) - 1.
    void row(int j, float* words) const {
        for (int d = 0; d < length(j); ++d)
            words[d] = words_[start_[static_cast<std::size_t>(d)] + static_cast<std::size_t>(j - 1)];
    }

    // Row i of G (columns 1 .. i) into every kept element of columns <= i.
    void add_row(int i, const float* g) {
        // Rows j <= i - 2, where each pair of columns may be passed over.
        const int rows = i - 2;
        if (rows > 0) mark_pairs(keep_.data(), g, rows + rows % 2);
        for (int d = 0; d < width_ && d < i; ++d)
            add_kept_products(diagonal(d), g, g + d, keep_.data(), std::min(rows, i - d));
        if (i >= 2) {
            const int j = i - 1;
            if (j % 2 == 1) {
                // The second row of the pair (j, i) starts its products.
                diagonal(0)[j - 1] += g[j - 1] * g[j - 1];
                if (width_ >= 2) diagonal(1)[j - 1] = g[j - 1] * g[i - 1];
            } else if (g[j - 2] != 0.0f || g[j - 1] != 0.0f) {
                diagonal(0)[j - 1] += g[j - 1] * g[j - 1];
                if (width_ >= 2) diagonal(1)[j - 1] += g[j - 1] * g[i - 1];
            }
        }
        diagonal(0)[i - 1] = g[i - 1] * g[i - 1];
    }

private:
    float* diagonal(int d) { return words_.data() + start_[static_cast<std::size_t>(d)]; }

    int n_, width_;
    std::vector<std::size_t> start_; // diagonal d from start_[d]
    std::vector<float> words_;
    std::vector<std::int32_t> keep_; // of the row being added: -1 where it adds to row j
};

// G row by row from its whole copy in the inverse store.
void kept_from_stored_factor(RunContext& ctx, KeptInverse& kept) {
    auto& ne = ctx.nearea;
    const int n = ctx.numbrs.matrix_size;
    std::vector<float> g(static_cast<std::size_t>(n));
    start_of_store(ne.inverse);
    for (int i = 1; i <= n; ++i) {
        ne.inverse.length = i;
        indexf(ne.inverse);
        kept.add_row(i, discrd_in_place(ctx, g.data()));
    }
}

// G formed again from the factor R in the normal store, by the steps the
// factorisation takes for it: row i starts as the unit row, each pivot row
// k divides row k by its root and takes f = r(k, j) times row k from every
// later row j of its band whose f is not zero. Row k is final once divided:
// only the b + 1 rows k .. k + b are held at any time.
void kept_from_factor(RunContext& ctx, KeptInverse& kept) {
    auto& ne = ctx.nearea;
    const int n = ctx.numbrs.matrix_size;
    const int b = std::max(0, std::min(ctx.numbrs.band_width, n - 1));
    // Each row of the window starts on a 64-byte boundary: rows whose
    // vectors straddled cache lines made the sweep a fifth slower.
    constexpr std::size_t kLine = 64 / sizeof(float);
    const std::size_t stride = (static_cast<std::size_t>(n) + kLine - 1) / kLine * kLine;
    std::vector<float> window(static_cast<std::size_t>(b + 1) * stride + kLine);
    const std::size_t offset = reinterpret_cast<std::uintptr_t>(window.data()) / sizeof(float) % kLine;
    float* const first = window.data() + (kLine - offset) % kLine;
    auto g_row = [&](int i) { return first + static_cast<std::size_t>(i % (b + 1)) * stride; };
    auto start_row = [&](int i) {
        float* row = g_row(i);
        std::fill(row, row + i, 0.0f);
        row[i - 1] = 1.0f;
    };
    for (int i = 1; i <= std::min(n, b + 1); ++i) start_row(i);

    std::vector<float> factor_row(static_cast<std::size_t>(b) + 1);
    start_of_store(ne.normal);
    for (int k = 1; k <= n; ++k) {
        ne.normal.length = band_row_length(n, b, k);
        indexf(ctx);
        dskrd(ctx, factor_row.data());
        float* gk = g_row(k);
        divide_words(gk, ne.pivot_root(k), k);
        for (int j = k + 1; j <= std::min(k + b, n); ++j) {
            const float f = factor_row[static_cast<std::size_t>(j - k)];
            if (f != 0.0f) subtract_multiple(g_row(j), gk, f, k);
        }
        kept.add_row(k, gk);
        if (k + b + 1 <= n) start_row(k + b + 1);
    }
}

} // namespace

void nsolve(RunContext& ctx) {
    ctx.nearea.solved = ctx.numbrs.matrix_size <= 0;
    if (ctx.numbrs.matrix_size <= 0) return;
    factorise(ctx, false, true);
}

void nsoln(RunContext& ctx) {
    ctx.nearea.solved = ctx.numbrs.matrix_size <= 0;
    if (ctx.numbrs.matrix_size <= 0) return;
    factorise(ctx, keeps_inverse_factor(ctx), analysis_option(ctx) < 4);
}

void isoln(RunContext& ctx) {
    auto& ne = ctx.nearea;
    const int n = std::max(0, ctx.numbrs.matrix_size);
    const int width = inverse_width(ctx);
    if (width >= n) {
        whole_inverse(ctx);
    } else {
        KeptInverse kept(n, width);
        if (keeps_inverse_factor(ctx))
            kept_from_stored_factor(ctx, kept);
        else
            kept_from_factor(ctx, kept);
        // The factor is no longer needed: its rows give way to the
        // inverse's.
        clear_block_cache(ctx, ctx.matbuf.normal);
        start_of_store(ne.normal);
        std::vector<float> row(static_cast<std::size_t>(width));
        for (int j = 1; j <= n; ++j) {
            ne.normal.length = kept.length(j);
            indexf(ctx);
            kept.row(j, row.data());
            dskwt(ctx, row.data());
        }
        ioblk(ctx, 3, 0, nullptr, 0, 0);
    }
    ctx.matbuf.inverse_width = width;
}

void tsetncl(RunContext& ctx, std::vector<std::int16_t>& flags) {
    const auto n = static_cast<std::size_t>(std::max(0, ctx.numbrs.matrix_size));
    if (flags.size() < n) flags.resize(n);
    std::fill(flags.begin(), flags.begin() + static_cast<std::ptrdiff_t>(n), std::int16_t{1});
}

void mprint(RunContext& ctx) {
    auto& m = ctx.matbuf;
    auto& ne = ctx.nearea;
    const int n = std::max(0, ctx.numbrs.matrix_size);
    const int b = std::max(0, ctx.numbrs.band_width);
    const bool normal_matrix = m.print_flag == 1;

    m.write_back = 0;
    begin_section(ctx, "NOUGHT");
    if (normal_matrix)
        ioc11(ctx, "NORMAL EQUATIONS", 58);
    else
        ioc11(ctx, "INVERSE MATRIX", 60);
    opr00(ctx, 2);

    std::vector<float> row(static_cast<std::size_t>(n));
    start_of_store(ne.normal);
    for (int k = 1; k <= n; ++k) {
        const int length =
            normal_matrix ? band_row_length(n, b, k) : std::min(m.inverse_width, n - k + 1); // whole when listed
        ne.normal.length = length;
        indexf(ctx);
        dskrd(ctx, row.data());
        ioc11(ctx, "ROW NUMBER", 5);
        ioc03(ctx, k, 17, 5, 0);
        opr00(ctx, 3);
        for (int t = 0; t < length; ++t) {
            ioc05(ctx, row[static_cast<std::size_t>(t)], 1 + 16 * (t % 8), 15, 6);
            if (t % 8 == 7) opr00(ctx, 1);
        }
        // The last, partly filled line; an empty line after a full one.
        opr00(ctx, 1);
    }
    m.write_back = 1;
}

} // namespace quarlo
