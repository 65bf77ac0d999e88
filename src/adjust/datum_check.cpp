#include "adjust/datum_check.h"

#include "core/records.h"

#include <numeric>
#include <vector>

namespace quarlo {

namespace {

struct Parts {
    std::vector<int> parent;
    explicit Parts(int n) : parent(static_cast<std::size_t>(n) + 1) {
        std::iota(parent.begin(), parent.end(), 0);
    }
    int find(int p) {
        while (parent[static_cast<std::size_t>(p)] != p) {
            auto& up = parent[static_cast<std::size_t>(p)];
            up = parent[static_cast<std::size_t>(up)];
            p = up;
        }
        return p;
    }
    void join(int a, int b) { parent[static_cast<std::size_t>(find(a))] = find(b); }
};

} // namespace

int datum_defect_row(RunContext& ctx) {
    const int stations = ctx.numbrs.number_of_stations;
    if (stations <= 0) return 0;

    // The height unknown of each station position, 0 when its height is fixed.
    std::vector<int> height_unknown(static_cast<std::size_t>(stations) + 1, 0);
    for (int p = 1; p <= stations; ++p) {
        EqnStationRecord s = read_eqn_station(ctx.files.unit1, p);
        if (s.status != 0 && s.first_unknown > 0) height_unknown[static_cast<std::size_t>(p)] = s.first_unknown;
    }
    auto height_of = [&](int p) { return p >= 1 && p <= stations ? height_unknown[static_cast<std::size_t>(p)] : 0; };

    Parts parts(stations);
    std::vector<char> tied(static_cast<std::size_t>(stations) + 1, 0);
    std::vector<int> anchors;
    for (int e = 1; e <= ctx.numbrs.number_of_equations; ++e) {
        EquationRecord q = read_equation(ctx.files.unit1, 1000 + e);
        const int from = q.from_position, to = q.to_position;
        const int hf = height_of(from);
        if (to == 0) {
            // A height observation ties its station; a refraction constraint does not.
            if (hf != 0 && q.unknown[0] == hf && q.weight > 0.0f) anchors.push_back(from);
            continue;
        }
        const int ht = height_of(to);
        if (hf != 0 && ht != 0)
            parts.join(from, to);
        else if (hf != 0)
            anchors.push_back(from); // observed from or to a fixed height
        else if (ht != 0)
            anchors.push_back(to);
    }
    for (int p : anchors) tied[static_cast<std::size_t>(parts.find(p))] = 1;

    // The last height unknown of the first part without a datum.
    int row = 0, part = 0;
    for (int p = 1; p <= stations; ++p) {
        const int h = height_unknown[static_cast<std::size_t>(p)];
        if (h == 0) continue;
        const int root = parts.find(p);
        if (tied[static_cast<std::size_t>(root)]) continue;
        if (part == 0) part = root;
        if (root == part && h > row) row = h;
    }
    return row;
}

} // namespace quarlo
