#include "adjust/tdband.h"

namespace quarlo {

void tdband(RunContext&) {}
void bandwd(RunContext&) {}

} // namespace quarlo
