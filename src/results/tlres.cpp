#include "results/tlres.h"

namespace quarlo {

// The results sections are not built yet.
void tlres(RunContext&) {}
void slnwt(RunContext&) {}
void adjrot(RunContext&) {}

} // namespace quarlo
