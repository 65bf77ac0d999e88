// Geoid separations from the geoid file and from the program's own model.
#pragma once

#include "core/context.h"

namespace quarlo {

// Looks the label of station `number` up in the open geoid file (unit 20).
void tgeoidfile(RunContext& ctx, int& found, int number, float& n, float& value2, float& value3);
// Geoid separation from the model at grid position (e, n).
void tgesepa(RunContext& ctx, double e, double n, float& separation, int& ok);

} // namespace quarlo
