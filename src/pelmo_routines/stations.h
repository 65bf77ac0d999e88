// Station-name mark and plane bearing and distance.
#pragma once

#include "core/context.h"

namespace quarlo {

// Marks the 20-character name standing at print column col as a pillar.
void pillar(RunContext& ctx, int col);
// Plane bearing (0-2pi, clockwise from grid north) and distance.
void crd07(double e1, double n1, double e2, double n2, double& bearing, double& distance);

} // namespace quarlo
