// Height difference (and equivalent zenith distance) from a coordinate
// difference observation.
#pragma once

#include "core/context.h"

#include <string_view>

namespace quarlo {

// The report's message when the run has no map zone to work the
// differences in; the run then stops with errors in data.
constexpr std::string_view kCoordinateDifferencesNeedAZone = "*** COORDINATE DIFFERENCE DATA NEED A MAP ZONE ***";

void crdiff2(RunContext& ctx, int number1, int number2, double dx, double dy, double dz, double e1, double n1,
             double e2, double n2, float geoid1, float geoid2, float height1, float& dh);

} // namespace quarlo
