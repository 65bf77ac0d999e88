#include "geodesy/stnadd.h"

namespace quarlo {

void stnadd(RunContext&) {}
void getlab(RunContext&, int, int) {}
FixedText<12> station_label(RunContext&, int) { return {}; }
void tgetnum(RunContext&, int&) {}

} // namespace quarlo
