#include "results/residl.h"

namespace quarlo {

// Not built yet.
void residl(RunContext&) {}

} // namespace quarlo
