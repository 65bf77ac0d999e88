#include "results/finalv.h"

namespace quarlo {

// Not built yet.
void finalv(RunContext&) {}

} // namespace quarlo
