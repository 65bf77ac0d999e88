#include "pelmo_routines/blockstore.h"

#include "core/normal_size.h"
#include "core/records.h"
#include "report/iocat3.h"
#include "report/print.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace quarlo {

static_assert(std::endian::native == std::endian::little,
              "block records hold little-endian words and are copied as they stand in memory");
static_assert(kBlockRecordLength == kBlockWords * static_cast<int>(sizeof(float)));

namespace {

[[noreturn]] void internal_fault(const char* what) {
    throw FatalStop(std::string(" Internal error: ") + what, kExitRunTimeError);
}

int analysis_option(const RunContext& ctx) { return ctx.option.run_status - 1; }

int capacity(const MatbufBlock& m) {
    if (m.cache_capacity < 1) internal_fault("matrix cache without slots");
    return m.cache_capacity;
}

// The normal store goes to disk when it needs more blocks than its cache
// holds, unless the inverse store is never used for the inverse factor and
// its cache, as overflow area, takes the rest.
bool normal_paged(const RunContext& ctx) {
    const auto& m = ctx.matbuf;
    if (m.normal_block_count <= m.cache_capacity) return false;
    return keeps_inverse_factor(ctx) || m.normal_block_count > m.overflow_limit;
}

bool inverse_paged(const RunContext& ctx) {
    return ctx.matbuf.inverse_block_count > ctx.matbuf.cache_capacity;
}

// A cache whose directory does not match the configured capacity (a new run
// context, or a capacity changed for a test) starts empty.
void prepare(BlockCache& cache, int slots) {
    if (static_cast<int>(cache.directory.size()) != slots) {
        cache.directory.assign(static_cast<std::size_t>(slots), 0);
        cache.slot_of.clear();
        cache.ring_pointer = 0;
        std::size_t words = static_cast<std::size_t>(slots) * kBlockWords;
        if (cache.words.size() > words) cache.words.resize(words);
        // Address space for every slot at once, so that slot words never
        // move; memory is touched only as slots come into use.
        cache.words.reserve(words);
    }
}

float* slot_words(BlockCache& cache, int slot) {
    return cache.words.data() + static_cast<std::size_t>(slot - 1) * kBlockWords;
}

int find_slot(const BlockCache& cache, int block) {
    return block < static_cast<int>(cache.slot_of.size()) ? cache.slot_of[static_cast<std::size_t>(block)] : 0;
}

// Paged blocks move through runs of consecutive records: a record written
// joins the run being gathered (sent to the file when the next record does
// not follow on, the run is full, or the store is flushed), and a record read
// that is in neither run fetches it and the records after it in one
// transfer. Every record is written and read exactly as single transfers
// would; the runs only save system calls, since the sweeps of the solver
// displace and fetch consecutive blocks.
constexpr int kRunRecords = 32;

void send_written_run(BlockCache& cache, DirectFile& file) {
    if (cache.write_count == 0) return;
    bool done = file.record_length() == kBlockRecordLength &&
                file.write_records(cache.write_first, cache.write_count, cache.write_run.data());
    cache.write_count = 0;
    if (!done) throw FatalStop(" Error writing the matrix work file", kExitRunTimeError);
}

float* run_record(std::vector<float>& run, int first, int count, int record) {
    if (count == 0 || record < first || record >= first + count) return nullptr;
    return run.data() + static_cast<std::size_t>(record - first) * kBlockWords;
}

void put_record(BlockCache& cache, DirectFile& file, const float* words, int record) {
    // A record fetched ahead keeps the newest words.
    if (float* ahead = run_record(cache.read_run, cache.read_first, cache.read_count, record))
        std::memcpy(ahead, words, kBlockRecordLength);
    if (float* gathered = run_record(cache.write_run, cache.write_first, cache.write_count, record)) {
        std::memcpy(gathered, words, kBlockRecordLength);
        return;
    }
    if (cache.write_count == kRunRecords || (cache.write_count > 0 && record != cache.write_first + cache.write_count))
        send_written_run(cache, file);
    if (cache.write_count == 0) {
        cache.write_run.resize(static_cast<std::size_t>(kRunRecords) * kBlockWords);
        cache.write_first = record;
    }
    std::memcpy(cache.write_run.data() + static_cast<std::size_t>(cache.write_count) * kBlockWords, words,
                kBlockRecordLength);
    ++cache.write_count;
}

void get_record(BlockCache& cache, DirectFile& file, float* words, int record) {
    const float* from = run_record(cache.write_run, cache.write_first, cache.write_count, record);
    if (!from) from = run_record(cache.read_run, cache.read_first, cache.read_count, record);
    if (!from) {
        send_written_run(cache, file);
        cache.read_run.resize(static_cast<std::size_t>(kRunRecords) * kBlockWords);
        cache.read_count = 0;
        if (file.record_length() != kBlockRecordLength || !file.read_records(record, kRunRecords, cache.read_run.data()))
            throw FatalStop(" Error reading the matrix work file", kExitRunTimeError);
        cache.read_first = record;
        cache.read_count = kRunRecords;
        from = cache.read_run.data();
    }
    std::memcpy(words, from, kBlockRecordLength);
}

// Gives the block the slot after the ring pointer. The block displaced from
// it is written to its record first when write_displaced is set. A paged
// store reads the block's record into the slot; a store held in memory
// starts the block as zeros.
int take_slot(BlockCache& cache, int slots, int block, DirectFile& file, bool paged, bool write_displaced) {
    cache.ring_pointer = cache.ring_pointer % slots + 1;
    int slot = cache.ring_pointer;
    std::size_t end = static_cast<std::size_t>(slot) * kBlockWords;
    if (cache.words.size() < end) cache.words.resize(end);
    float* words = slot_words(cache, slot);
    std::int32_t& entry = cache.directory[static_cast<std::size_t>(slot - 1)];
    if (entry != 0) {
        // A store held in memory has a slot for every block it needs.
        if (!paged) internal_fault("matrix store larger than its cache");
        if (write_displaced) put_record(cache, file, words, entry);
        cache.slot_of[static_cast<std::size_t>(entry)] = 0;
    }
    entry = block;
    if (static_cast<int>(cache.slot_of.size()) <= block) cache.slot_of.resize(static_cast<std::size_t>(block) + 1, 0);
    cache.slot_of[static_cast<std::size_t>(block)] = slot;
    if (paged)
        get_record(cache, file, words, block);
    else
        std::fill(words, words + kBlockWords, 0.0f);
    return slot;
}

void check_request(int mode, int block, int first, int last) {
    if ((mode != 1 && mode != 2) || block < 1 || first < 1 || last > kBlockWords || first > last + 1)
        internal_fault("matrix block request out of range");
}

void move_words(BlockCache& cache, int slot, int mode, float* buffer, int first, int last) {
    std::size_t count = static_cast<std::size_t>(last - first + 1);
    if (count == 0) return;
    float* words = slot_words(cache, slot) + (first - 1);
    if (mode == 1)
        std::memcpy(buffer, words, count * sizeof(float));
    else
        std::memcpy(words, buffer, count * sizeof(float));
}

// Writes every block of a paged store to its record, from the slot after
// the ring pointer once round the cache; a store held in memory is never
// written.
void flush(BlockCache& cache, int slots, DirectFile& file, bool paged) {
    if (!paged) return;
    for (int k = 1; k <= slots; ++k) {
        int slot = (cache.ring_pointer + k - 1) % slots + 1;
        std::int32_t block = cache.directory[static_cast<std::size_t>(slot - 1)];
        if (block != 0) put_record(cache, file, slot_words(cache, slot), block);
    }
    send_written_run(cache, file);
    cache.ring_pointer = 0;
}

// The words of the cursor's segment, block by block, through io.
template <typename Io>
void move_segment(RunContext& ctx, const SegmentCursor& c, int mode, float* buffer, Io io) {
    if (c.length <= 0) return;
    float* at = buffer;
    for (int b = c.first_block; b <= c.last_block; ++b) {
        int first = b == c.first_block ? c.first_position : 1;
        int last = b == c.last_block ? c.last_position : kBlockWords;
        io(ctx, mode, b, at, first, last);
        at += last - first + 1;
    }
}

// Writes the last record a paged store needs, so that the file has its full
// size before any block is paged. False when that fails.
bool reserve(DirectFile& file, int records) {
    std::vector<float> zeros(kBlockWords, 0.0f);
    try {
        rwblk(2, file, zeros.data(), records);
    } catch (const FatalStop&) {
        return false;
    }
    return true;
}

// Words of the inverse's rows 1 .. j - 1 (of lengths min(width, n - r + 1)).
long long inverse_words_before_row(int n, int width, int j) {
    // Rows 1 .. n - width + 1 have the full width; the rows after them
    // shorten by one word each, from width - 1 down to 1.
    const long long full = static_cast<long long>(n) - width + 1;
    const long long rows = j - 1;
    if (rows <= full) return rows * width;
    const long long shorter = rows - full; // lengths width - 1 down to n - j + 2
    return full * width + shorter * (static_cast<long long>(width - 1) + (n - j + 2)) / 2;
}

} // namespace

int inverse_width(const RunContext& ctx) {
    const int n = std::max(0, ctx.numbrs.matrix_size);
    const int option = analysis_option(ctx);
    if (option == 3 || option == 5) return n;
    const int band = std::clamp(ctx.numbrs.band_width, 0, std::max(0, n - 1));
    return std::min(n, band + 1);
}

bool keeps_inverse_factor(const RunContext& ctx) {
    if (analysis_option(ctx) < 1) return false;
    const long long n = std::max(0, ctx.numbrs.matrix_size);
    if (inverse_width(ctx) >= n) return true;
    const long long window = (std::clamp<long long>(ctx.numbrs.band_width, 0, n) + 1) * n;
    return window > static_cast<long long>(ctx.matbuf.cache_capacity) * kBlockWords;
}

bool pass_keeps_inverse_factor(const RunContext& ctx) {
    return ctx.rec01.iterations_left == 0 && keeps_inverse_factor(ctx);
}

void clear_block_cache(RunContext& ctx, BlockCache& cache) {
    int slots = capacity(ctx.matbuf);
    prepare(cache, slots);
    send_written_run(cache, &cache == &ctx.matbuf.normal ? ctx.files.unit13 : ctx.files.unit2);
    cache.read_count = 0;
    std::fill(cache.directory.begin(), cache.directory.end(), 0);
    cache.slot_of.clear();
    cache.ring_pointer = 0;
}

void indexf(SegmentCursor& c) {
    c.first_block = c.last_block;
    c.first_position = c.last_position + 1;
    if (c.first_position > kBlockWords) {
        c.first_block = c.last_block + 1;
        c.first_position = 1;
    }
    int room = kBlockWords + 1 - c.first_position;
    if (c.length <= room) {
        c.last_block = c.first_block;
        c.last_position = c.first_position + c.length - 1;
        return;
    }
    int r = c.length - room;
    int q = r / kBlockWords;
    r -= kBlockWords * q;
    if (r > 0) ++q;
    c.last_block = c.first_block + q;
    c.last_position = r == 0 ? kBlockWords : r;
}

void indexb(SegmentCursor& c) {
    c.last_block = c.first_block;
    c.last_position = c.first_position - 1;
    if (c.last_position < 1) {
        c.last_block = c.first_block - 1;
        c.last_position = kBlockWords;
    }
    if (c.length <= c.last_position) {
        c.first_block = c.last_block;
        c.first_position = c.last_position - c.length + 1;
        return;
    }
    int r = c.length - c.last_position;
    int q = r / kBlockWords;
    r -= kBlockWords * q;
    if (r < 1) {
        c.first_position = 1;
    } else {
        ++q;
        c.first_position = kBlockWords + 1 - r;
    }
    c.first_block = c.last_block - q;
}

void indexf(RunContext& ctx) { indexf(ctx.nearea.normal); }
void indexb(RunContext& ctx) { indexb(ctx.nearea.normal); }

void indef(RunContext& ctx) {
    indexf(ctx.nearea.normal);
    indexf(ctx.nearea.inverse);
}

void dskrd(RunContext& ctx, float* buffer) { move_segment(ctx, ctx.nearea.normal, 1, buffer, ioblk); }
void dskwt(RunContext& ctx, const float* buffer) {
    move_segment(ctx, ctx.nearea.normal, 2, const_cast<float*>(buffer), ioblk);
}
void discrd(RunContext& ctx, float* buffer) { move_segment(ctx, ctx.nearea.inverse, 1, buffer, ioinv); }
void discwt(RunContext& ctx, const float* buffer) {
    move_segment(ctx, ctx.nearea.inverse, 2, const_cast<float*>(buffer), ioinv);
}

void ioblk(RunContext& ctx, int mode, int block, float* buffer, int first, int last) {
    auto& m = ctx.matbuf;
    int slots = capacity(m);
    prepare(m.normal, slots);
    if (mode == 3) {
        flush(m.normal, slots, ctx.files.unit13, normal_paged(ctx));
        return;
    }
    check_request(mode, block, first, last);
    int slot = find_slot(m.normal, block);
    if (slot == 0) {
        // Overflow: while the inverse store holds no inverse factor, the
        // blocks beyond the cache live in its idle cache instead of going
        // to disk.
        if (!pass_keeps_inverse_factor(ctx) && m.normal_block_count <= m.overflow_limit && block > slots &&
            block <= m.overflow_limit) {
            ioinv(ctx, mode, block, buffer, first, last);
            return;
        }
        slot = take_slot(m.normal, slots, block, ctx.files.unit13, normal_paged(ctx), m.write_back == 1);
    }
    move_words(m.normal, slot, mode, buffer, first, last);
    if (mode == 1) m.normal.ring_pointer = slot;
}

void ioinv(RunContext& ctx, int mode, int block, float* buffer, int first, int last) {
    auto& m = ctx.matbuf;
    int slots = capacity(m);
    prepare(m.inverse, slots);
    if (mode == 3) {
        flush(m.inverse, slots, ctx.files.unit2, inverse_paged(ctx));
        return;
    }
    check_request(mode, block, first, last);
    int slot = find_slot(m.inverse, block);
    if (slot == 0) slot = take_slot(m.inverse, slots, block, ctx.files.unit2, inverse_paged(ctx), true);
    move_words(m.inverse, slot, mode, buffer, first, last);
    if (mode == 1) m.inverse.ring_pointer = slot;
}

const float* discrd_in_place(RunContext& ctx, float* buffer) {
    const SegmentCursor& c = ctx.nearea.inverse;
    auto& cache = ctx.matbuf.inverse;
    prepare(cache, capacity(ctx.matbuf));
    if (c.length <= 0 || c.first_block < 1) return buffer;
    // In place only when every block is in the cache, each in the slot after
    // the one before: the read is then all hits, and its one lasting effect
    // is the ring pointer on the last block's slot.
    int first_slot = find_slot(cache, c.first_block);
    for (int b = c.first_block; b <= c.last_block; ++b) {
        if (first_slot == 0 || find_slot(cache, b) != first_slot + (b - c.first_block)) {
            discrd(ctx, buffer);
            return buffer;
        }
    }
    cache.ring_pointer = first_slot + (c.last_block - c.first_block);
    return slot_words(cache, first_slot) + (c.first_position - 1);
}

void rwblk(int mode, DirectFile& unit, float* buffer, int record) {
    bool done = unit.record_length() == kBlockRecordLength &&
                (mode == 1 ? unit.read_records(record, 1, buffer) : unit.write_records(record, 1, buffer));
    if (!done)
        throw FatalStop(mode == 1 ? " Error reading the matrix work file" : " Error writing the matrix work file",
                        kExitRunTimeError);
}

bool size_block_stores(RunContext& ctx) {
    auto& m = ctx.matbuf;
    int option = analysis_option(ctx);
    int n = ctx.numbrs.matrix_size;
    if (n < 0 || n > kMaxUnknowns) internal_fault("matrix size out of range for the block stores");

    // 1. Blocks for the band rows and for the rows of the inverse factor,
    //    with a margin, from quotients taken in single precision.
    float terms = number_of_terms(ctx);
    m.normal_block_count = (static_cast<int>(terms / 1024.0f) + 2) * 2;
    float triangle = static_cast<float>(n + 1) * static_cast<float>(n + 2);
    m.inverse_block_count = (static_cast<int>(triangle / 2048.0f) + 2) * 2;
    // 2. The normal store later receives the whole upper triangle of the
    //    inverse, when that is formed; the band or the diagonal of it takes
    //    no more words than the band of the normal matrix.
    const bool keeps_factor = keeps_inverse_factor(ctx);
    if (option >= 1 && inverse_width(ctx) >= n && m.normal_block_count < m.inverse_block_count)
        m.normal_block_count = m.inverse_block_count;
    // 3.
    clear_block_cache(ctx, m.normal);
    clear_block_cache(ctx, m.inverse);
    m.write_back = 1;
    m.print_flag = 0;
    m.inverse_width = 0;
    // 4. Disk space for each store that will be paged.
    bool space = true;
    if (keeps_factor && m.inverse_block_count > m.cache_capacity)
        space = reserve(ctx.files.unit2, m.inverse_block_count) && space;
    if ((keeps_factor && m.normal_block_count > m.cache_capacity) ||
        (!keeps_factor && m.normal_block_count > m.overflow_limit))
        space = reserve(ctx.files.unit13, m.normal_block_count) && space;
    // 5. Without the inverse factor the inverse cache serves only as overflow.
    if (!keeps_factor && m.normal_block_count <= m.overflow_limit) m.inverse_block_count = 0;
    // 6.
    if (!space) {
        ioc11(ctx, "*** UNABLE TO OPEN WORK FILES FOR MATRIX PROCESSING ***", 41);
        opr00(ctx, 3);
        ioc11(ctx, "POSSIBLY BECAUSE OF INSUFFICIENT DISK SPACE", 44);
        opr00(ctx, 1);
        ctx.option.run_status = -1;
        return false;
    }
    return true;
}

float inverse_element(RunContext& ctx, int j, int k) {
    const int n = ctx.numbrs.matrix_size;
    const int width = ctx.matbuf.inverse_width;
    if (j > k) std::swap(j, k);
    if (j < 1 || k > n) internal_fault("element outside the inverse matrix");
    if (k - j >= width) internal_fault("element of the inverse that was not formed");
    long long word = inverse_words_before_row(n, width, j) + (k - j); // from 0
    int block = static_cast<int>(word / kBlockWords) + 1;
    int position = static_cast<int>(word % kBlockWords) + 1;
    float value = 0.0f;
    ioblk(ctx, 1, block, &value, position, position);
    return value;
}

} // namespace quarlo
