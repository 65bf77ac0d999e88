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

const std::vector<GeoidPoint>& ans_geoid_table();
const std::vector<GeoidPoint>& grs80_geoid_table();

// Every table point within the window around (longitude, latitude).
void datagd66(double longitude, double latitude, std::vector<Neighbour>& list, int& count);
void grs80_n09(double longitude, double latitude, std::vector<Neighbour>& list, int& count);
// Inverse-distance interpolation; writes n66 for datum code 66, n84 for 84.
void nvalue(const std::vector<Neighbour>& list, int datum, double& n66, double& n84, int count);

} // namespace quarlo
