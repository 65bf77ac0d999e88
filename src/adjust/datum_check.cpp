#include "adjust/datum_check.h"

#include "core/records.h"

#include <algorithm>
#include <array>
#include <cmath>
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

// What the checks need of the stations and of the equations of the pass.
struct Network {
    std::vector<EqnStationRecord> stations; // by position, [0] unused
    std::vector<int> height_unknown;        // by position, 0 when the height is fixed
    std::vector<EquationRecord> equations;

    int height_of(int p) const {
        return p >= 1 && p < static_cast<int>(height_unknown.size()) ? height_unknown[static_cast<std::size_t>(p)] : 0;
    }
};

Network read_network(RunContext& ctx) {
    Network net;
    const int stations = ctx.numbrs.number_of_stations;
    net.stations.resize(static_cast<std::size_t>(stations) + 1);
    net.height_unknown.assign(static_cast<std::size_t>(stations) + 1, 0);
    for (int p = 1; p <= stations; ++p) {
        EqnStationRecord s = read_eqn_station(ctx.files.unit1, p);
        if (s.status != 0 && s.first_unknown > 0) net.height_unknown[static_cast<std::size_t>(p)] = s.first_unknown;
        net.stations[static_cast<std::size_t>(p)] = s;
    }
    for (int e = 1; e <= ctx.numbrs.number_of_equations; ++e)
        net.equations.push_back(read_equation(ctx.files.unit1, 1000 + e));
    return net;
}

// The last height unknown of the first part of the network that nothing
// ties to a known height, or 0.
int height_datum_row(const Network& net) {
    const int stations = static_cast<int>(net.height_unknown.size()) - 1;
    Parts parts(stations);
    std::vector<char> tied(static_cast<std::size_t>(stations) + 1, 0);
    std::vector<int> anchors;
    for (const EquationRecord& q : net.equations) {
        const int from = q.from_position, to = q.to_position;
        const int hf = net.height_of(from);
        if (to == 0) {
            // A height observation ties its station; a refraction constraint does not.
            if (hf != 0 && q.unknown[0] == hf && q.weight > 0.0f) anchors.push_back(from);
            continue;
        }
        const int ht = net.height_of(to);
        if (hf != 0 && ht != 0)
            parts.join(from, to);
        else if (hf != 0)
            anchors.push_back(from); // observed from or to a fixed height
        else if (ht != 0)
            anchors.push_back(to);
    }
    for (int p : anchors) tied[static_cast<std::size_t>(parts.find(p))] = 1;

    int row = 0, part = 0;
    for (int p = 1; p <= stations; ++p) {
        const int h = net.height_unknown[static_cast<std::size_t>(p)];
        if (h == 0) continue;
        const int root = parts.find(p);
        if (tied[static_cast<std::size_t>(root)]) continue;
        if (part == 0) part = root;
        if (root == part && h > row) row = h;
    }
    return row;
}

// A pair (a, b) standing for the linear form a alpha + b beta of a tilt of
// the heights, x = alpha E + beta N.
using Form = std::array<double, 2>;

Form operator+(Form a, Form b) { return {a[0] + b[0], a[1] + b[1]}; }
Form operator-(Form a, Form b) { return {a[0] - b[0], a[1] - b[1]}; }
double length(Form a) { return std::hypot(a[0], a[1]); }

// Groups whose offsets are known as tilt forms: offset(v) is the datum of v
// less the datum of its group's root. Joining two members of one group
// instead gives a condition that the tilt must meet.
struct Offsets {
    std::vector<int> parent;
    std::vector<Form> offset;
    explicit Offsets(int n) : parent(static_cast<std::size_t>(n)), offset(static_cast<std::size_t>(n), Form{0.0, 0.0}) {
        std::iota(parent.begin(), parent.end(), 0);
    }
    int find(int v, Form& to_root) {
        to_root = {0.0, 0.0};
        while (parent[static_cast<std::size_t>(v)] != v) {
            to_root = to_root + offset[static_cast<std::size_t>(v)];
            v = parent[static_cast<std::size_t>(v)];
        }
        return v;
    }
    // Datum of w less datum of u is d. Returns the condition left when u
    // and w are already in one group (zero when they agree), else joins them.
    Form relate(int u, int w, Form d, bool& condition) {
        Form ou, ow;
        const int ru = find(u, ou), rw = find(w, ow);
        condition = ru == rw;
        if (condition) return ow - ou - d;
        parent[static_cast<std::size_t>(rw)] = ru;
        offset[static_cast<std::size_t>(rw)] = ou + d - ow;
        return {0.0, 0.0};
    }
};

// With rotation parameters, a tilt of the heights, x = alpha E + beta N at
// every station, is taken up whole by the rotation parameters (phi =
// -100 alpha, omega = 100 beta) in each height difference that carries them:
// those equations cannot tell it. The other equations can:
// - a zenith distance, or a height difference without rotation terms, holds
//   the heights at its two ends together: its refraction coefficient is held
//   by a constraint of its own, so it takes nothing up;
// - a fixed height or a height observation holds its station.
// So within each part joined by rotated height differences the heights are
// the tilt plus a datum of the part; every other tie relates two datums (or
// one datum to zero) through a tilt form, and each tie that closes a loop
// leaves a condition on the tilt. The rotation parameters are determined
// only when these conditions admit no tilt but zero, that is when their
// forms span both directions: when at least three non-collinear stations
// of a levelled network have known heights, for one.
//
// Returns the row of the rotation parameter that the factorisation would
// find singular (phi, or omega when only omega is undetermined), or 0.
// Gives up (0, leaving the pivot test to judge) when an equation holds an
// unknown that no constraint holds and that could take a tilt up.
int rotation_row(RunContext& ctx, const Network& net) {
    const int n = ctx.numbrs.matrix_size;
    if (ctx.option.rotation_option <= 0 || n < 2) return 0;
    const int phi = n - 1, omega = n;
    const int stations = static_cast<int>(net.stations.size()) - 1;
    if (stations <= 0) return 0;

    // Unknowns held by a constraint equation of their own.
    std::vector<char> held(static_cast<std::size_t>(n) + 1, 0);
    for (const EquationRecord& q : net.equations)
        if (q.to_position == 0 && q.unknown[0] >= 1 && q.unknown[0] <= n && q.weight > 0.0f &&
            q.coefficient[0] != 0.0f)
            held[static_cast<std::size_t>(q.unknown[0])] = 1;

    auto rotated = [&](const EquationRecord& q) {
        for (int s = 0; s < 5; ++s)
            if ((q.unknown[static_cast<std::size_t>(s)] == phi || q.unknown[static_cast<std::size_t>(s)] == omega) &&
                q.coefficient[static_cast<std::size_t>(s)] != 0.0f)
                return true;
        return false;
    };
    auto valid = [&](int p) { return p >= 1 && p <= stations; };

    // The parts joined by rotated height differences.
    Parts levelled(stations);
    for (const EquationRecord& q : net.equations)
        if (q.to_position != 0 && valid(q.from_position) && valid(q.to_position) && rotated(q))
            levelled.join(q.from_position, q.to_position);

    // Station positions as tilt forms, taken from the first station with
    // co-ordinates so that the forms stay of the network's own size.
    std::vector<Form> at(static_cast<std::size_t>(stations) + 1, Form{0.0, 0.0});
    const EqnStationRecord* origin = nullptr;
    double extent = 0.0;
    for (int p = 1; p <= stations; ++p) {
        const EqnStationRecord& s = net.stations[static_cast<std::size_t>(p)];
        if (s.coordinates_flag == 0) continue;
        if (!origin) origin = &s;
        at[static_cast<std::size_t>(p)] = {s.easting - origin->easting, s.northing - origin->northing};
        extent = std::max(extent, length(at[static_cast<std::size_t>(p)]));
    }
    // Forms shorter than this are rounding: a billionth of the network's size.
    const double tolerance = 1.0e-9 * std::max(extent, 1.0);

    // Datums: one per part (node = its root station), and zero (node 0).
    Offsets datums(stations + 1);
    std::vector<Form> conditions;
    auto relate = [&](int u, int w, Form d) {
        bool closed = false;
        Form c = datums.relate(u, w, d, closed);
        if (closed) conditions.push_back(c);
    };
    // Height of p = its tilt form + the datum of its part; ties: x_i = x_j,
    // or x_i = 0.
    auto tie = [&](int i, int j) {
        relate(levelled.find(i), levelled.find(j), at[static_cast<std::size_t>(i)] - at[static_cast<std::size_t>(j)]);
    };
    auto hold = [&](int i) { relate(0, levelled.find(i), Form{0.0, 0.0} - at[static_cast<std::size_t>(i)]); };

    for (int p = 1; p <= stations; ++p)
        if (net.height_unknown[static_cast<std::size_t>(p)] == 0) hold(p); // a fixed height
    for (const EquationRecord& q : net.equations) {
        const int from = q.from_position, to = q.to_position;
        if (to == 0) {
            const int h = net.height_of(from);
            if (h != 0 && q.unknown[0] == h && q.weight > 0.0f && q.coefficient[0] != 0.0f) hold(from);
            continue;
        }
        if (!valid(from) || !valid(to) || rotated(q)) continue;
        bool heights = false;
        for (int s = 0; s < 5; ++s) {
            const int u = q.unknown[static_cast<std::size_t>(s)];
            if (u == 0 || q.coefficient[static_cast<std::size_t>(s)] == 0.0f) continue;
            if (u == net.height_of(from) || u == net.height_of(to))
                heights = true;
            else if (u < 1 || u > n || !held[static_cast<std::size_t>(u)])
                return 0; // an unknown free to take the tilt up
        }
        if (heights) tie(from, to);
    }

    // The longest condition, and whether any other leaves its line.
    Form longest{0.0, 0.0};
    for (const Form& c : conditions)
        if (length(c) > length(longest)) longest = c;
    const double size = length(longest);
    if (size <= tolerance) return phi; // nothing determines the tilt
    for (const Form& c : conditions) {
        const double across = std::fabs(longest[0] * c[1] - longest[1] * c[0]) / size;
        if (across > tolerance) return 0;
    }
    // One direction determined: phi goes with alpha, and only when the
    // condition holds no alpha is phi itself undetermined.
    return std::fabs(longest[0]) <= tolerance ? phi : omega;
}

} // namespace

int datum_defect_row(RunContext& ctx) {
    if (ctx.numbrs.number_of_stations <= 0) return 0;
    const Network net = read_network(ctx);
    const int row = height_datum_row(net);
    if (row != 0) return row;
    return rotation_row(ctx, net);
}

} // namespace quarlo
