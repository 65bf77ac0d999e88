#include "adjust/vobseqn.h"

namespace quarlo {

// The observation equations are not formed yet: this stage does nothing.
void vobseqn(RunContext&) {}

} // namespace quarlo
