#include "input/trlev1.h"

namespace quarlo {

void trlev1(RunContext&) {}
void tlerr1(RunContext&, int) {}

} // namespace quarlo
