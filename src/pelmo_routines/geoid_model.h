// The geoid model tables and their inverse-distance interpolation.
#pragma once

#include <vector>

namespace quarlo {

struct GeoidPoint {
    double longitude; // degrees east
    double latitude;  // degrees south, positive
    double n;         // metres
};

struct Neighbour {
    double distance; // degrees
    double n;
};

// Half-widths (degrees) of the search windows of the two tables.
constexpr double kAnsWindow = 1.0;
constexpr double kGrs80Window = 0.8;

// ANS table (Australian National Spheroid) and GRS80 table, in table order.
const std::vector<GeoidPoint>& ans_geoid_table();
const std::vector<GeoidPoint>& grs80_geoid_table();

// Every table point within the window around (longitude, latitude), bounds
// included, in table order: the list is replaced and count is its length.
void datagd66(double longitude, double latitude, std::vector<Neighbour>& list, int& count);
void grs80_n09(double longitude, double latitude, std::vector<Neighbour>& list, int& count);
// Inverse-distance interpolation of the first `count` neighbours (weights
// D/d_i, D the sum of the distances; a neighbour within 1e-6 degrees gives
// its own N); writes n66 for datum code 66, n84 for 84, and nothing for any
// other code. An empty list gives 0.
void nvalue(const std::vector<Neighbour>& list, int datum, double& n66, double& n84, int count);

} // namespace quarlo
