#include "results/station_lists.h"

namespace quarlo {

// The final station lists and the height file are not built yet: these
// stages do nothing.
void tnamsrt(RunContext&) {}
void trlist(RunContext&) {}
void trlev4(RunContext&) {}

} // namespace quarlo
