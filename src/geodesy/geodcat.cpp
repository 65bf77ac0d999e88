#include "geodesy/geodcat.h"

namespace quarlo {

bool zone_supported(int) { return false; }
bool geod00(RunContext&) { return false; }

} // namespace quarlo
