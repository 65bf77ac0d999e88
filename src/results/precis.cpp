#include "results/precis.h"

namespace quarlo {

// Not built yet.
void precis(RunContext&) {}
void rel_precis(RunContext&) {}

} // namespace quarlo
