#include "adjust/htcomp.h"

namespace quarlo {

void htcomp(RunContext&) {}

} // namespace quarlo
