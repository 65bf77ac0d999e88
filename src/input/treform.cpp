#include "input/treform.h"

namespace quarlo {

void treform(RunContext&) {}

} // namespace quarlo
