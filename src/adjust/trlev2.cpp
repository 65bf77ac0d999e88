#include "adjust/trlev2.h"

namespace quarlo {

void trlev2(RunContext&) {}

} // namespace quarlo
