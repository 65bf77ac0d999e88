#include "adjust/trlev3.h"

namespace quarlo {

// The normal equations are not formed or solved yet: this stage does nothing.
void trlev3(RunContext&) {}

} // namespace quarlo
