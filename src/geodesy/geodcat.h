// Ellipsoid and map projection of the run's zone.
#pragma once

#include "core/context.h"

namespace quarlo {

// Sets the constants of the zone code; false when the zone code lies in no
// range of the zone table (the constants are then cleared).
bool geod00(RunContext& ctx);
bool zone_supported(int zone_code);
// Semi-major axis and inverse flattening of a zone code's figure; false
// when the code lies in no range of the zone table.
bool zone_figure(int zone_code, double& a, double& inverse_flattening);
void geod01(const RunContext& ctx, double& e, double& n, double phi, double lambda, double& gamma, double& k);
void geod02(const RunContext& ctx, double e, double n, double& phi, double& lambda, double& gamma, double& k);
double geod03(const RunContext& ctx, double e1, double n1, double e2, double n2);
double geod04(const RunContext& ctx, double e1, double n1, double e2, double n2);
double geod05(const RunContext& ctx, double e1, double n1, double e2, double n2);
double geod06(const RunContext& ctx, double e1, double n1, double e2, double n2);

} // namespace quarlo
