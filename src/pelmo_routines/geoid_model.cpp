// Neighbour search in the geoid model tables and the inverse-distance
// interpolation of N from the neighbours found.
#include "pelmo_routines/geoid_model.h"

#include <cmath>

namespace quarlo {

namespace {

// Every point of the table inside the square window of half-width w around
// (longitude, latitude), bounds included, in table order. The list takes
// every point of the window, however many there are.
void window_search(const std::vector<GeoidPoint>& table, double w, double longitude, double latitude,
                   std::vector<Neighbour>& list, int& count) {
    list.clear();
    for (const GeoidPoint& p : table) {
        if (p.longitude < longitude - w || p.longitude > longitude + w) continue;
        if (p.latitude < latitude - w || p.latitude > latitude + w) continue;
        double dlon = longitude - p.longitude;
        double dlat = latitude - p.latitude;
        list.push_back({std::sqrt(dlon * dlon + dlat * dlat), p.n});
    }
    count = static_cast<int>(list.size());
}

} // namespace

void datagd66(double longitude, double latitude, std::vector<Neighbour>& list, int& count) {
    window_search(ans_geoid_table(), kAnsWindow, longitude, latitude, list, count);
}

void grs80_n09(double longitude, double latitude, std::vector<Neighbour>& list, int& count) {
    window_search(grs80_geoid_table(), kGrs80Window, longitude, latitude, list, count);
}

void nvalue(const std::vector<Neighbour>& list, int datum, double& n66, double& n84, int count) {
    if (count > static_cast<int>(list.size())) count = static_cast<int>(list.size());
    double result = 0.0;
    if (count > 0) {
        double total = 0.0;
        for (int i = 0; i < count; ++i) total += list[static_cast<std::size_t>(i)].distance;
        double sum_wn = 0.0;
        double sum_w = 0.0;
        bool on_point = false;
        for (int i = 0; i < count; ++i) {
            const Neighbour& nb = list[static_cast<std::size_t>(i)];
            if (nb.distance <= 1e-6) {
                // The position is a table point: its own value.
                result = nb.n;
                on_point = true;
                break;
            }
            double w = total / nb.distance;
            sum_wn += w * nb.n;
            sum_w += w;
        }
        if (!on_point) result = sum_wn / sum_w;
    }
    if (datum == 66) n66 = result;
    if (datum == 84) n84 = result;
}

} // namespace quarlo
