// Longitude and latitude on the satellite datum (WGS84, whose figure the
// program holds as GRS80) of a station's grid coordinates.
#pragma once

#include "core/context.h"

#include <optional>

namespace quarlo {

enum class Wgs84Route {
    None,        // local grid, or a figure without a transformation to WGS84
    Direct,      // a GRS80 zone: the inverse projection gives it
    Transformed  // an ANS zone: through cartesian coordinates and the datum transformation
};

Wgs84Route wgs84_route(int zone_code);

struct LonLat {
    double longitude = 0.0; // degrees east, -180 to 180
    double latitude = 0.0;  // degrees north
};

// Grid coordinates of the run's zone (route not None) with the station's
// ellipsoidal height, which only the datum transformation uses. Nothing
// for coordinates so far outside the zone that the projection's series
// give no latitude (at or beyond a pole) or no finite value.
std::optional<LonLat> grid_to_wgs84(const RunContext& ctx, double easting, double northing,
                                    double ellipsoidal_height);

} // namespace quarlo
