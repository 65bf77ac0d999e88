// A run context with the two block work files open in a scratch directory,
// and band matrices written into and read back from the normal store.
#pragma once

#include "core/records.h"
#include "pelmo_routines/blockstore.h"
#include "support/test_util.h"

#include <algorithm>
#include <vector>

namespace quarlo::test {

// Rows of the upper band: row k holds columns k .. min(k + b, n).
using BandRows = std::vector<std::vector<float>>;

struct StoreRun {
    TempDir dir;
    TestRun run;

    // A pass of the last iteration at the given analysis option, the stores
    // sized for n unknowns of band width b with caches of `slots` blocks.
    StoreRun(int n, int b, int analysis_option, int slots = kCacheSlots) {
        auto& c = run.c();
        c.files.unit13.open("quarlo13.wrk", kBlockRecordLength);
        c.files.unit2.open("quarlo02.wrk", kBlockRecordLength);
        run.open_report();
        c.option.run_status = analysis_option + 1;
        c.rec01.iterations_left = 0;
        c.numbrs.matrix_size = n;
        c.numbrs.band_width = b;
        c.matbuf.cache_capacity = slots;
        c.matbuf.overflow_limit = 2 * slots;
    }

    RunContext& c() { return run.c(); }

    static int row_length(int n, int b, int k) { return std::min(b + 1, n - k + 1); }

    // Writes the rows one after another from the start of the normal store,
    // as the forming of the normal equations does, and ends with a flush.
    void write_rows(const BandRows& rows) {
        auto& cur = c().nearea.normal;
        cur.last_block = 1;
        cur.last_position = 0;
        for (const auto& row : rows) {
            cur.length = static_cast<int>(row.size());
            indexf(c());
            dskwt(c(), row.data());
        }
        ioblk(c(), 3, 0, nullptr, 0, 0);
    }

    // Reads rows of the given lengths from the start of the normal store.
    BandRows read_rows(const std::vector<int>& lengths) {
        BandRows rows;
        auto& cur = c().nearea.normal;
        cur.last_block = 1;
        cur.last_position = 0;
        for (int length : lengths) {
            std::vector<float> row(static_cast<std::size_t>(length));
            cur.length = length;
            indexf(c());
            dskrd(c(), row.data());
            rows.push_back(row);
        }
        return rows;
    }

    // The band rows (lengths min(b + 1, n - k + 1)) or the rows of the
    // inverse's upper triangle (lengths n - k + 1).
    BandRows read_band() {
        std::vector<int> lengths;
        for (int k = 1; k <= c().numbrs.matrix_size; ++k)
            lengths.push_back(row_length(c().numbrs.matrix_size, c().numbrs.band_width, k));
        return read_rows(lengths);
    }
    BandRows read_inverse() {
        std::vector<int> lengths;
        for (int k = 1; k <= c().numbrs.matrix_size; ++k) lengths.push_back(c().numbrs.matrix_size - k + 1);
        return read_rows(lengths);
    }

    void set_rhs(const std::vector<float>& u) {
        for (std::size_t i = 0; i < u.size(); ++i) c().nearea.rhs(static_cast<int>(i) + 1) = u[i];
    }
    std::vector<float> rhs() {
        std::vector<float> u;
        for (int i = 1; i <= c().numbrs.matrix_size; ++i) u.push_back(c().nearea.rhs(i));
        return u;
    }

    // Records on the two block files (written through the cache or reserved).
    int normal_records() { return c().files.unit13.records_on_file(); }
    int inverse_records() { return c().files.unit2.records_on_file(); }
};

} // namespace quarlo::test
