// Block stores for the normal matrix and the inverse: a stream of
// single-precision words cut into 512-word blocks, cached in memory and
// paged to a direct-access work file (unit 13, unit 2) only when a store
// outgrows its cache. Callers walk rows with the segment cursors of
// `nearea` and move whole rows through a word buffer.
#pragma once

#include "core/context.h"

namespace quarlo {

// Cursor moves: the next segment (of the cursor's length) after / before
// the current one; indef moves both cursors forward.
void indexf(RunContext& ctx);
void indexb(RunContext& ctx);
void indef(RunContext& ctx);
void indexf(SegmentCursor& cursor);
void indexb(SegmentCursor& cursor);

// Read / write the normal-store segment of the normal cursor.
void dskrd(RunContext& ctx, float* buffer);
void dskwt(RunContext& ctx, const float* buffer);
// Read / write the inverse-store segment of the inverse cursor.
void discrd(RunContext& ctx, float* buffer);
void discwt(RunContext& ctx, const float* buffer);
// The same block accesses as discrd, but the words are left in place when
// they stand in consecutive cache slots: returns them there (valid until the
// next access to the inverse store), or else copied into the buffer.
const float* discrd_in_place(RunContext& ctx, float* buffer);

// Block access: mode 1 reads words first..last of the block into the
// buffer, mode 2 writes them, mode 3 flushes the cache.
void ioblk(RunContext& ctx, int mode, int block, float* buffer, int first, int last);
void ioinv(RunContext& ctx, int mode, int block, float* buffer, int first, int last);

// One whole 512-word record of a block file: mode 1 reads, mode 2 writes.
// A record beyond the end of the file reads as zeros; a failed transfer
// stops the run.
void rwblk(int mode, DirectFile& unit, float* buffer, int record);

// Empties a cache directory (of matbuf.cache_capacity slots) and its ring
// pointer; the slots' words stand until they are re-used.
void clear_block_cache(RunContext& ctx, BlockCache& cache);

// The inverse of the normal matrix that the last pass forms (analysis
// option 1 or more) is only what is read: the whole upper triangle when it
// is listed (analysis options 3 and 5); otherwise the band of the normal
// matrix, which holds every pair of unknowns that one observation joins:
// the tests of the observations read their redundancy numbers from it, the
// precision analyses its diagonal. Row j of it holds columns
// j .. j + width - 1 (at most n); this gives the width.
int inverse_width(const RunContext& ctx);

// True when the inverse factor G = R^-T is kept whole in the inverse store
// (analysis option 1 or more): for the whole triangle of the inverse, or
// when b + 1 rows of G would not fit the inverse cache. Otherwise the rows
// of the inverse are formed from the factor through a window of b + 1 rows
// of G, and the inverse cache is free to take normal-store blocks.
bool keeps_inverse_factor(const RunContext& ctx);
// The same, in the pass that forms the inverse (the last iteration).
bool pass_keeps_inverse_factor(const RunContext& ctx);

// Sizing and space reservation at the start of a solution pass. Returns
// false (run status -1, report lines printed) when the space cannot be had.
bool size_block_stores(RunContext& ctx);

// Element (j, k) of the inverse of the normal matrix, once the normal
// store holds the rows of it that were formed (row j of length
// min(w, n - j + 1), w = matbuf.inverse_width); asking for an element
// that was not formed is a program fault.
float inverse_element(RunContext& ctx, int j, int k);

} // namespace quarlo
