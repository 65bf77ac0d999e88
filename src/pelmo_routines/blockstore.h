// Block stores for the normal matrix and the inverse: a stream of
// single-precision words cut into 512-word blocks, cached in memory and
// paged to a direct-access work file (unit 13, unit 2) only when a store
// outgrows its cache. Callers walk rows with the segment cursors of
// `nearea` and move whole rows through a word buffer.
#pragma once

#include "driver/context.h"

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

// Block access: mode 1 reads words first..last of the block into the
// buffer, mode 2 writes them, mode 3 flushes the cache.
void ioblk(RunContext& ctx, int mode, int block, float* buffer, int first, int last);
void ioinv(RunContext& ctx, int mode, int block, float* buffer, int first, int last);

// Sizing and space reservation at the start of a solution pass. Returns
// false (run status -1, report lines printed) when the space cannot be had.
bool size_block_stores(RunContext& ctx);

// Element (j, k) of the inverse of the normal matrix, once the normal
// store holds its upper triangle (rows j = 1..n of length n - j + 1).
float inverse_element(RunContext& ctx, int j, int k);

} // namespace quarlo
