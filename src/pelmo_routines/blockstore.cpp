#include "pelmo_routines/blockstore.h"

namespace quarlo {

namespace {
[[noreturn]] void not_built() {
    throw FatalStop(" The matrix block store is not built yet", kExitRunTimeError);
}
} // namespace

void indexf(RunContext&) { not_built(); }
void indexb(RunContext&) { not_built(); }
void indef(RunContext&) { not_built(); }
void indexf(SegmentCursor&) { not_built(); }
void indexb(SegmentCursor&) { not_built(); }
void dskrd(RunContext&, float*) { not_built(); }
void dskwt(RunContext&, const float*) { not_built(); }
void discrd(RunContext&, float*) { not_built(); }
void discwt(RunContext&, const float*) { not_built(); }
void ioblk(RunContext&, int, int, float*, int, int) { not_built(); }
void ioinv(RunContext&, int, int, float*, int, int) { not_built(); }
bool size_block_stores(RunContext&) { not_built(); }
float inverse_element(RunContext&, int, int) { not_built(); }

} // namespace quarlo
