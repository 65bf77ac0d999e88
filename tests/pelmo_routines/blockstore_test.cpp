#include "pelmo_routines/bandsolve.h"
#include "pelmo_routines/store_fixture.h"

#include <gtest/gtest.h>

#include <cstring>
#include <numeric>

namespace quarlo::test {
namespace {

struct Place {
    int length, p1, b1, p2, b2;
};

// Segments placed one after another from the start of a store, worked by
// hand: 512 - p1 + 1 words fit in the first block, then whole blocks.
const std::vector<Place> kWalk = {
    {100, 1, 1, 100, 1},
    {412, 101, 1, 512, 1},  // ends exactly at word 512
    {1, 1, 2, 1, 2},        // so the next starts a new block
    {1500, 2, 2, 477, 4},   // 511 + 512 + 477 words over three blocks
    {511, 478, 4, 476, 5},  // 35 + 476
    {513, 477, 5, 477, 6},  // 36 + 477
    {7, 478, 6, 484, 6},
    {1052, 485, 6, 512, 8}, // 28 + 512 + 512: ends at 512 after spanning
    {3, 1, 9, 3, 9},
    {1021, 4, 9, 512, 10},  // 509 + 512
    {600, 1, 11, 88, 12},   // starts at word 1 and spans: 512 + 88
};

void expect_place(const SegmentCursor& c, const Place& p) {
    EXPECT_EQ(c.first_position, p.p1) << "length " << p.length;
    EXPECT_EQ(c.first_block, p.b1) << "length " << p.length;
    EXPECT_EQ(c.last_position, p.p2) << "length " << p.length;
    EXPECT_EQ(c.last_block, p.b2) << "length " << p.length;
}

TEST(BlockStore, ForwardAndBackwardWalksAgree) {
    SegmentCursor c;
    c.last_block = 1;
    c.last_position = 0;
    for (const auto& p : kWalk) {
        c.length = p.length;
        indexf(c);
        expect_place(c, p);
    }
    c.first_block = c.last_block;
    c.first_position = c.last_position + 1;
    for (auto p = kWalk.rbegin(); p != kWalk.rend(); ++p) {
        c.length = p->length;
        indexb(c);
        expect_place(c, *p);
    }
}

TEST(BlockStore, SegmentsFillTheBufferAcrossBlocks) {
    StoreRun s(1, 0, 0);
    ASSERT_TRUE(size_block_stores(s.c()));
    // The words 1, 2, 3, ... written segment by segment, then read back as
    // one run and as the segments of the walk.
    int total = 0;
    for (const auto& p : kWalk) total += p.length;
    std::vector<float> words(static_cast<std::size_t>(total));
    std::iota(words.begin(), words.end(), 1.0f);
    std::vector<int> lengths;
    for (const auto& p : kWalk) lengths.push_back(p.length);

    auto& cur = s.c().nearea.normal;
    cur.last_block = 1;
    cur.last_position = 0;
    const float* from = words.data();
    for (int length : lengths) {
        cur.length = length;
        indexf(s.c());
        dskwt(s.c(), from);
        from += length;
    }
    EXPECT_EQ(s.read_rows({total})[0], words);
    auto rows = s.read_rows(lengths);
    float next = 1.0f;
    for (const auto& row : rows)
        for (float w : row) EXPECT_EQ(w, next++);

    // The inverse store moves words the same way through its own cursor.
    auto& inv = s.c().nearea.inverse;
    inv.last_block = 1;
    inv.last_position = 0;
    inv.length = 1500;
    indexf(inv);
    discwt(s.c(), words.data());
    std::vector<float> back(1500);
    discrd(s.c(), back.data());
    EXPECT_TRUE(std::equal(back.begin(), back.end(), words.begin()));
}

TEST(BlockStore, SizesTheStoresFromTheProblem) {
    // n = 1000, b = 12: T = (2000 - 12) * 13 / 2 = 12922 terms, 12922 / 1024
    // = 12.6, normal blocks (12 + 2) * 2 = 28; inverse (1001 * 1002) / 2048 =
    // 489.7, blocks (489 + 2) * 2 = 982.
    {
        StoreRun s(1000, 12, 0);
        s.c().matbuf.write_back = 0;
        s.c().matbuf.print_flag = 1;
        ASSERT_TRUE(size_block_stores(s.c()));
        EXPECT_EQ(s.c().matbuf.normal_block_count, 28);
        EXPECT_EQ(s.c().matbuf.inverse_block_count, 0); // no inverse at option 0
        EXPECT_EQ(s.c().matbuf.write_back, 1);
        EXPECT_EQ(s.c().matbuf.print_flag, 0);
    }
    {
        StoreRun s(1000, 12, 3);
        ASSERT_TRUE(size_block_stores(s.c()));
        EXPECT_EQ(s.c().matbuf.inverse_block_count, 982);
        EXPECT_EQ(s.c().matbuf.normal_block_count, 982); // room for the whole inverse
        EXPECT_EQ(s.normal_records(), 0);                // nothing reserved
        EXPECT_EQ(s.inverse_records(), 0);
    }
    {
        // Not listed: the band of the inverse fits the band's blocks, and
        // G passes through a window of rows: the inverse cache is overflow.
        StoreRun s(1000, 12, 2);
        ASSERT_TRUE(size_block_stores(s.c()));
        EXPECT_EQ(s.c().matbuf.normal_block_count, 28);
        EXPECT_EQ(s.c().matbuf.inverse_block_count, 0);
    }
}

TEST(BlockStore, ReservesSpaceOnlyForAStoreLargerThanItsCache) {
    // n = 100, b = 20: T = 1890, normal (1 + 2) * 2 = 6 blocks; inverse
    // 10302 / 2048 = 5.03, (5 + 2) * 2 = 14 blocks, and so 14 normal blocks.
    {
        StoreRun s(100, 20, 3, 8);
        ASSERT_TRUE(size_block_stores(s.c()));
        EXPECT_EQ(s.normal_records(), 14);
        EXPECT_EQ(s.inverse_records(), 14);
    }
    {
        // Not listed: 21 rows of G (2100 words) fit the 8 slots' 4096
        // words, and the band the 8 slots: nothing goes to disk. With 4
        // slots G is kept whole in the inverse store, the band paged.
        StoreRun s(100, 20, 2, 8);
        ASSERT_TRUE(size_block_stores(s.c()));
        EXPECT_EQ(s.normal_records(), 0);
        EXPECT_EQ(s.inverse_records(), 0);
        StoreRun t(100, 20, 2, 4);
        ASSERT_TRUE(size_block_stores(t.c()));
        EXPECT_EQ(t.normal_records(), 6);
        EXPECT_EQ(t.inverse_records(), 14);
    }
    {
        StoreRun s(100, 20, 0, 8); // 6 blocks fit the 8 slots
        ASSERT_TRUE(size_block_stores(s.c()));
        EXPECT_EQ(s.normal_records(), 0);
        EXPECT_EQ(s.inverse_records(), 0);
    }
}

TEST(BlockStore, FailedReservationStopsThePass) {
    StoreRun s(100, 20, 3, 8);
    ASSERT_TRUE(s.c().files.unit2.open("/dev/full", kBlockRecordLength));
    EXPECT_FALSE(size_block_stores(s.c()));
    EXPECT_EQ(s.c().option.run_status, -1);
    auto lines = s.run.report();
    ASSERT_GE(lines.size(), 4u);
    std::size_t k = lines.size();
    EXPECT_EQ(lines[k - 4], " ");
    EXPECT_EQ(lines[k - 3], " ");
    EXPECT_EQ(lines[k - 2], line132({{41, "*** UNABLE TO OPEN WORK FILES FOR MATRIX PROCESSING ***"}}));
    EXPECT_EQ(lines[k - 1], line132({{44, "POSSIBLY BECAUSE OF INSUFFICIENT DISK SPACE"}}));
}

// A band system of n unknowns with band width b whose values follow a
// formula (diagonally dominant, some band-edge terms exactly zero).
BandRows test_band(int n, int b) {
    BandRows rows;
    for (int k = 1; k <= n; ++k) {
        std::vector<float> row(static_cast<std::size_t>(StoreRun::row_length(n, b, k)));
        row[0] = static_cast<float>(4 * b + k % 7 + 1);
        for (std::size_t t = 1; t < row.size(); ++t)
            row[t] = (k + static_cast<int>(t)) % 5 == 0 ? 0.0f : 1.0f / static_cast<float>(t + (k % 3));
        rows.push_back(row);
    }
    return rows;
}

std::vector<float> test_rhs(int n) {
    std::vector<float> u;
    for (int i = 1; i <= n; ++i) u.push_back(static_cast<float>(i % 11) - 5.0f);
    return u;
}

bool same_bits(const BandRows& a, const BandRows& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (a[i].size() != b[i].size() || std::memcmp(a[i].data(), b[i].data(), a[i].size() * sizeof(float)) != 0)
            return false;
    return true;
}

struct Solved {
    BandRows matrix;
    std::vector<float> x;
    int normal_records = 0;
    int inverse_records = 0;
};

// Forms, solves and (at analysis option 3, the whole inverse) inverts the
// test system with caches of the given size.
Solved solve_test_system(int n, int b, int option, int slots) {
    StoreRun s(n, b, option, slots);
    EXPECT_TRUE(size_block_stores(s.c()));
    s.write_rows(test_band(n, b));
    s.set_rhs(test_rhs(n));
    Solved out;
    if (option >= 1) {
        nsoln(s.c());
        isoln(s.c());
        out.matrix = s.read_inverse();
    } else {
        nsolve(s.c());
        out.matrix = s.read_band();
    }
    EXPECT_EQ(s.c().nearea.failing_row, 0);
    out.x = s.rhs();
    out.normal_records = s.normal_records();
    out.inverse_records = s.inverse_records();
    return out;
}

TEST(BlockStore, PagedStoresGiveTheSameWordsAsStoresInMemory) {
    // 150 unknowns: the inverse factor needs 22 blocks, its store 4 slots.
    Solved memory = solve_test_system(150, 20, 3, kCacheSlots);
    Solved paged = solve_test_system(150, 20, 3, 4);
    EXPECT_EQ(memory.normal_records, 0); // in memory nothing touches the disk
    EXPECT_EQ(memory.inverse_records, 0);
    EXPECT_GT(paged.normal_records, 0);
    EXPECT_GT(paged.inverse_records, 0);
    EXPECT_TRUE(same_bits(memory.matrix, paged.matrix));
    EXPECT_TRUE(same_bits({memory.x}, {paged.x}));

    // Without an inverse: 8 normal blocks beyond the overflow limit of 2
    // slots are paged.
    Solved memory0 = solve_test_system(150, 20, 0, kCacheSlots);
    Solved paged0 = solve_test_system(150, 20, 0, 2);
    EXPECT_GT(paged0.normal_records, 0);
    EXPECT_TRUE(same_bits(memory0.matrix, paged0.matrix));
    EXPECT_TRUE(same_bits({memory0.x}, {paged0.x}));
}

TEST(BlockStore, OverflowBlocksLiveInTheInverseCacheWithoutAnInverse) {
    // n = 100, b = 60: T = 4270 terms in 9 blocks; 12 normal blocks are
    // within the overflow limit of 16, so the ninth block goes to the idle
    // inverse cache and nothing is written to disk.
    Solved memory = solve_test_system(100, 60, 0, kCacheSlots);
    StoreRun s(100, 60, 0, 8);
    ASSERT_TRUE(size_block_stores(s.c()));
    EXPECT_EQ(s.c().matbuf.normal_block_count, 12);
    s.write_rows(test_band(100, 60));
    s.set_rhs(test_rhs(100));
    nsolve(s.c());
    const auto& dir = s.c().matbuf.inverse.directory;
    EXPECT_EQ(std::count(dir.begin(), dir.end(), 9), 1);
    EXPECT_EQ(std::count(s.c().matbuf.normal.directory.begin(), s.c().matbuf.normal.directory.end(), 9), 0);
    EXPECT_TRUE(same_bits(memory.matrix, s.read_band()));
    EXPECT_TRUE(same_bits({memory.x}, {s.rhs()}));
    EXPECT_EQ(s.normal_records(), 0);
    EXPECT_EQ(s.inverse_records(), 0);
}

TEST(BlockStore, InverseElementsAreFoundByPosition) {
    StoreRun s(150, 20, 3, 4); // rows of the inverse spread over 22 paged blocks
    ASSERT_TRUE(size_block_stores(s.c()));
    s.write_rows(test_band(150, 20));
    s.set_rhs(test_rhs(150));
    nsoln(s.c());
    isoln(s.c());
    BandRows inverse = s.read_inverse();
    for (int j = 1; j <= 150; j += 7)
        for (int k = j; k <= 150; k += 5) {
            float expected = inverse[static_cast<std::size_t>(j - 1)][static_cast<std::size_t>(k - j)];
            EXPECT_EQ(inverse_element(s.c(), j, k), expected) << j << " " << k;
            EXPECT_EQ(inverse_element(s.c(), k, j), expected) << k << " " << j;
        }
    EXPECT_EQ(inverse_element(s.c(), 150, 150), inverse[149][0]);
}

TEST(BlockStore, BlocksNeverWrittenReadAsZeros) {
    std::vector<float> w(512, 7.0f);
    StoreRun s(100, 20, 2, 4); // paged: a record beyond the file's end
    ASSERT_TRUE(size_block_stores(s.c()));
    ioblk(s.c(), 1, 20, w.data(), 1, 512);
    EXPECT_EQ(std::count(w.begin(), w.end(), 0.0f), 512);

    StoreRun m(100, 20, 2); // in memory: a slot that held a block last pass
    ASSERT_TRUE(size_block_stores(m.c()));
    std::fill(w.begin(), w.end(), 7.0f);
    ioinv(m.c(), 2, 1, w.data(), 1, 512);
    ASSERT_TRUE(size_block_stores(m.c()));
    ioinv(m.c(), 1, 2, w.data(), 1, 512);
    EXPECT_EQ(std::count(w.begin(), w.end(), 0.0f), 512);
}

TEST(BlockStore, FailedBlockTransfersStopTheRun) {
    {
        StoreRun s(150, 20, 2, 4);
        ASSERT_TRUE(size_block_stores(s.c()));
        s.c().files.unit13.close();
        try {
            s.write_rows(test_band(150, 20));
            FAIL() << "no stop";
        } catch (const FatalStop& stop) {
            EXPECT_EQ(stop.console_message(), " Error reading the matrix work file");
            EXPECT_EQ(stop.exit_status(), kExitRunTimeError);
        }
    }
    {
        StoreRun s(150, 20, 2, 4);
        ASSERT_TRUE(size_block_stores(s.c()));
        auto rows = test_band(150, 20);
        rows.resize(10); // within the cache
        auto& cur = s.c().nearea.normal;
        cur.last_block = 1;
        cur.last_position = 0;
        for (const auto& row : rows) {
            cur.length = static_cast<int>(row.size());
            indexf(s.c());
            dskwt(s.c(), row.data());
        }
        s.c().files.unit13.close();
        try {
            ioblk(s.c(), 3, 0, nullptr, 0, 0);
            FAIL() << "no stop";
        } catch (const FatalStop& stop) {
            EXPECT_EQ(stop.console_message(), " Error writing the matrix work file");
            EXPECT_EQ(stop.exit_status(), kExitRunTimeError);
        }
    }
}

} // namespace
} // namespace quarlo::test
