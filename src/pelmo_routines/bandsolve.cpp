#include "pelmo_routines/bandsolve.h"

namespace quarlo {

namespace {
[[noreturn]] void not_built() {
    throw FatalStop(" The banded solution is not built yet", kExitRunTimeError);
}
} // namespace

void nsolve(RunContext&) { not_built(); }
void nsoln(RunContext&) { not_built(); }
void isoln(RunContext&) { not_built(); }
void tsetncl(RunContext&, std::vector<std::int16_t>&) { not_built(); }
void mprint(RunContext&) { not_built(); }

} // namespace quarlo
