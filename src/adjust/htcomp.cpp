// Provisional heights: heights carried from stations of known height along
// height differences, coordinate differences and zenith distances to the
// stations whose height the input does not give.
#include "adjust/htcomp.h"

#include "core/records.h"
#include "geodesy/crdiff2.h"
#include "geodesy/geodcat.h"
#include "geodesy/stnadd.h"
#include "pelmo_routines/stations.h"
#include "report/iocat3.h"
#include "report/print.h"

#include <cmath>
#include <vector>

namespace quarlo {

namespace {

constexpr double kDegreesPerRadian = 57.295779513;
constexpr double kDefaultRadius = 6370100.0;
constexpr float kEllipsoidalMarker = 5000.0f; // heights below -1000 carry it
constexpr float kMarkedBelow = -1000.0f;

// Figure of the zone's ellipsoid for the radius of curvature.
struct Figure {
    double polar_radius = 0.0; // c = a / sqrt(1 - e2)
    float e2prime = 0.0f;      // second eccentricity squared
    double phi0 = 0.0;         // mean latitude, radians
};

Figure figure(const RunContext& ctx) {
    Figure f;
    if (ctx.tmvals.zone_code == 0) return f;
    const auto& t = ctx.tmvals;
    double b = t.a * (1.0 - 1.0 / t.inverse_flattening);
    f.polar_radius = t.a / std::sqrt(1.0 - t.e2);
    f.e2prime = static_cast<float>((t.a * t.a - b * b) / (b * b));
    f.phi0 = ctx.numbrs.mean_latitude / kDegreesPerRadian;
    return f;
}

// A height as the computation uses it: the ellipsoidal marker taken off.
float used_height(float h) { return h < kMarkedBelow ? h + kEllipsoidalMarker : h; }

// What one observation gives between its two stations.
struct Step {
    double dh = 0.0;          // from-station to to-station
    bool single = true;       // dh is a single-precision value
    float hi = 0.0f, ht = 0.0f;
    double distance = 0.0;    // zenith distance: the distance used
    bool zenith = false;
    bool coordinate_difference = false;
    CoordDiffRecord cd;
};

class ProvisionalHeights {
public:
    explicit ProvisionalHeights(RunContext& ctx) : ctx_(ctx), fig_(figure(ctx)) {}
    void run();

private:
    void load_stations();
    void load_observations();
    void index_observations();
    bool run_phase(int first_obs);
    bool compute_station(int i, int first_obs);
    bool observe(int k, Step& step);
    bool zenith_step(int k, Step& step);
    void set_height(int i, int known, int k, const Step& step, bool forward);
    void print_line(int i, int known, int k, const Step& step);

    RunContext& ctx_;
    Figure fig_;
    int nst_ = 0, nobs_ = 0, nz_ = 0, base_ = 0;
    std::vector<StationRecord> stations_;       // by position
    std::vector<ZenithRecord> zeniths_;          // by observation number
    std::vector<HeightDiffRecord> differences_;  // by observation number - nz
    // Observations touching each station position, in observation order.
    std::vector<int> first_, touching_;
    int count_left_ = 0;
};

void ProvisionalHeights::run() {
    nst_ = ctx_.numbrs.number_of_stations;
    nobs_ = ctx_.numbrs.number_of_observations;
    nz_ = ctx_.numbrs.number_of_zenith_distances;
    base_ = nst_ + ctx_.numbrs.rejected_station_count;

    set03(ctx_, "PRHEAD", 1);
    load_stations();
    load_observations();
    index_observations();

    bool has_differences = nobs_ > nz_;
    int phase1_first = has_differences ? nz_ + 1 : 1;
    bool all_unknowns_done = run_phase(phase1_first);
    if (all_unknowns_done || nz_ == 0 || phase1_first == 1) return;
    run_phase(1);
}

void ProvisionalHeights::load_stations() {
    auto& table = ctx_.arrays.station_number_table;
    auto& known = ctx_.arrays.second_table;
    known.fill(0);
    stations_.assign(static_cast<std::size_t>(nst_) + 1, StationRecord{});
    for (int i = 1; i <= nst_; ++i) {
        StationRecord s = read_station(ctx_.files.unit9, i);
        table(i) = static_cast<std::int16_t>(s.number);
        if (s.status == kFixed || s.status == kHeightGiven || s.status == kRedefinition) known(i) = 1;
        stations_[static_cast<std::size_t>(i)] = s;
    }
}

void ProvisionalHeights::load_observations() {
    auto& table = ctx_.arrays.station_number_table;
    zeniths_.assign(static_cast<std::size_t>(nz_) + 1, ZenithRecord{});
    differences_.assign(static_cast<std::size_t>(std::max(nobs_ - nz_, 0)) + 1, HeightDiffRecord{});
    const StationPositions positions(table, nst_);
    for (int k = 1; k <= nobs_; ++k) {
        int from, to;
        if (k <= nz_) {
            ZenithRecord z = read_zenith(ctx_.files.unit9, base_ + k);
            ctx_.arrays.observation_value(k) = z.zenith;
            from = z.from;
            to = z.to;
            zeniths_[static_cast<std::size_t>(k)] = z;
        } else {
            HeightDiffRecord h = read_height_diff(ctx_.files.unit9, base_ + k);
            ctx_.arrays.observation_value(k) = h.dh;
            from = h.from;
            to = h.to;
            differences_[static_cast<std::size_t>(k - nz_)] = h;
        }
        int fp = positions.find(from % 1000);
        int tp = fp == 0 ? 0 : positions.find(to);
        if (fp == 0 || tp == 0) {
            ioc11(ctx_, "*** STATION     NOT FOUND ***", 52);
            ioc03(ctx_, fp == 0 ? from % 1000 : to, 64, 3, 0);
            opr00(ctx_, 2);
            fp = tp = 0; // not used
        }
        ctx_.frmstn.from_position(k) = static_cast<std::int16_t>(fp);
        ctx_.arrays.to_position(k) = static_cast<std::int16_t>(tp);
    }
}

void ProvisionalHeights::index_observations() {
    first_.assign(static_cast<std::size_t>(nst_) + 2, 0);
    for (int k = 1; k <= nobs_; ++k) {
        int fp = ctx_.frmstn.from_position(k), tp = ctx_.arrays.to_position(k);
        if (fp == 0) continue;
        ++first_[static_cast<std::size_t>(fp) + 1];
        if (tp != fp) ++first_[static_cast<std::size_t>(tp) + 1];
    }
    for (std::size_t i = 1; i < first_.size(); ++i) first_[i] += first_[i - 1];
    touching_.assign(static_cast<std::size_t>(first_.back()), 0);
    std::vector<int> fill(first_.begin(), first_.end());
    for (int k = 1; k <= nobs_; ++k) {
        int fp = ctx_.frmstn.from_position(k), tp = ctx_.arrays.to_position(k);
        if (fp == 0) continue;
        touching_[static_cast<std::size_t>(fill[static_cast<std::size_t>(fp)]++)] = k;
        if (tp != fp) touching_[static_cast<std::size_t>(fill[static_cast<std::size_t>(tp)]++)] = k;
    }
}

// Sweeps the stations until every one has a height or a sweep computes no
// new one. True when no station is left without a height.
bool ProvisionalHeights::run_phase(int first_obs) {
    auto& known = ctx_.arrays.second_table;
    count_left_ = 1000;
    int previous = -1000;
    while (count_left_ != 0 && count_left_ != previous) {
        previous = count_left_;
        count_left_ = 0;
        for (int i = 1; i <= nst_; ++i) {
            if (known(i) != 0) continue;
            if (!compute_station(i, first_obs)) ++count_left_;
        }
    }
    return count_left_ == 0;
}

// Tries the phase's observations of station i in order; the first that gives
// a height difference to a station of known height sets its height.
bool ProvisionalHeights::compute_station(int i, int first_obs) {
    auto& known = ctx_.arrays.second_table;
    auto begin = static_cast<std::size_t>(first_[static_cast<std::size_t>(i)]);
    auto end = static_cast<std::size_t>(first_[static_cast<std::size_t>(i) + 1]);
    for (std::size_t x = begin; x < end; ++x) {
        int k = touching_[x];
        if (k < first_obs) continue;
        int fp = ctx_.frmstn.from_position(k), tp = ctx_.arrays.to_position(k);
        bool forward;
        if (tp == i) {
            if (known(fp) == 0) continue;
            forward = true;
        } else if (fp == i) {
            if (known(tp) == 0) continue;
            forward = false;
        } else {
            continue;
        }
        Step step;
        if (!observe(k, step)) continue;
        set_height(i, forward ? fp : tp, k, step, forward);
        return true;
    }
    return false;
}

// The height difference observation k gives from its from-station to its
// to-station; false when it cannot give one.
bool ProvisionalHeights::observe(int k, Step& step) {
    if (k <= nz_) return zenith_step(k, step);
    const HeightDiffRecord& h = differences_[static_cast<std::size_t>(k - nz_)];
    int fp = ctx_.frmstn.from_position(k), tp = ctx_.arrays.to_position(k);
    if (h.coordinate_difference == 0) {
        step.dh = h.dh;
        step.hi = h.instrument_height;
        step.ht = h.target_height;
        return true;
    }
    const StationRecord& s1 = stations_[static_cast<std::size_t>(fp)];
    const StationRecord& s2 = stations_[static_cast<std::size_t>(tp)];
    if (s1.coordinates_flag == 0) return false;
    int rec = static_cast<int>(h.dh - kCoordinateDifferenceBase);
    if (rec < 1 || !ctx_.files.unit11.is_open()) return false;
    step.cd = read_coord_diff(ctx_.files.unit11, rec);
    float dh = 0.0f;
    crdiff2(ctx_, 0, 0, step.cd.dx, step.cd.dy, step.cd.dz, s1.easting, s1.northing, s2.easting, s2.northing,
            s1.geoid, s2.geoid, used_height(s1.height), dh);
    if (!std::isfinite(dh)) return false;
    step.dh = dh;
    step.coordinate_difference = true;
    return true;
}

bool ProvisionalHeights::zenith_step(int k, Step& step) {
    const ZenithRecord& z = zeniths_[static_cast<std::size_t>(k)];
    int fp = ctx_.frmstn.from_position(k), tp = ctx_.arrays.to_position(k);
    const StationRecord& s1 = stations_[static_cast<std::size_t>(fp)];
    const StationRecord& s2 = stations_[static_cast<std::size_t>(tp)];
    bool zone = ctx_.tmvals.zone_code != 0;
    double d = z.distance;
    double alpha = z.azimuth / kDegreesPerRadian;
    double phim = fig_.phi0;
    if (z.distance_supplied < 1) {
        if (s1.coordinates_flag == 0 || s2.coordinates_flag == 0) return false;
        double beta, s;
        crd07(s1.easting, s1.northing, s2.easting, s2.northing, beta, s);
        if (zone) {
            double phi1, lambda1, gamma1, k1, phi2, lambda2, gamma2, k2;
            geod02(ctx_, s1.easting, s1.northing, phi1, lambda1, gamma1, k1);
            d = s / k1;
            geod02(ctx_, s2.easting, s2.northing, phi2, lambda2, gamma2, k2);
            alpha = beta - gamma1;
            phim = (phi1 + phi2) / 2.0;
        } else {
            d = s;
        }
    }
    double r = kDefaultRadius;
    if (zone) {
        double cp = std::cos(phim), ca = std::cos(alpha);
        float c1 = static_cast<float>(cp * cp);
        float c2 = static_cast<float>(ca * ca);
        float e = fig_.e2prime;
        r = (fig_.polar_radius / std::sqrt(1.0f + e * c1)) / (1.0f + e * c1 * c2);
    }
    if (z.distance_type == 'S') d = d * std::sin(z.zenith);
    double dh = d / std::tan(z.zenith) + (0.5f - z.k) * d * d / r;
    if (!std::isfinite(dh)) return false; // a zenith distance of 0 gives no height
    step.dh = dh;
    step.single = false;
    step.hi = z.instrument_height;
    step.ht = z.target_height;
    step.distance = d;
    step.zenith = true;
    return true;
}

void ProvisionalHeights::set_height(int i, int known_pos, int k, const Step& step, bool forward) {
    StationRecord& s = stations_[static_cast<std::size_t>(i)];
    float hk_stored = stations_[static_cast<std::size_t>(known_pos)].height;
    bool marked = hk_stored < kMarkedBelow;
    float hk = used_height(hk_stored);
    float h;
    if (step.single) {
        float dh = static_cast<float>(step.dh);
        h = forward ? hk + step.hi + dh - step.ht : hk + step.ht - dh - step.hi;
    } else {
        h = static_cast<float>(forward ? static_cast<double>(hk + step.hi) + step.dh - step.ht
                                       : static_cast<double>(hk + step.ht) - step.dh - step.hi);
    }
    if (marked) h -= kEllipsoidalMarker;
    s.height = h;
    s.status = kHeightGiven;
    write_station(ctx_.files.unit9, i, s);
    ctx_.arrays.second_table(i) = 1;
    if (ctx_.ioarea.unmatched_station_count != 0) print_line(i, known_pos, k, step);
}

void ProvisionalHeights::print_line(int i, int known_pos, int k, const Step& step) {
    int number = stations_[static_cast<std::size_t>(i)].number;
    int known_number = stations_[static_cast<std::size_t>(known_pos)].number;
    if (step.coordinate_difference) {
        ioc03(ctx_, number, 1, 4, 0);
        ioc11(ctx_, "computed by cartesian coordinate differences from", 7);
        ioc03(ctx_, known_number, 57, 4, 0);
        ioc11(ctx_, "using", 63);
        ioc05(ctx_, step.cd.dx, 71, 11, 3);
        ioc05(ctx_, step.cd.dy, 86, 11, 3);
        ioc05(ctx_, step.cd.dz, 104, 11, 3);
    } else {
        bool label = ctx_.rec01.label_mode != 0;
        int value_col = label ? 49 : 36;
        if (label) {
            getlab(ctx_, number, 1);
            ioc11(ctx_, "computed from", 14);
            getlab(ctx_, known_number, 29);
            ioc11(ctx_, "using", 42);
        } else {
            ioc03(ctx_, number, 1, 4, 0);
            ioc11(ctx_, "computed from", 7);
            ioc03(ctx_, known_number, 21, 4, 0);
            ioc11(ctx_, "using", 27);
        }
        if (step.zenith) {
            double z = ctx_.arrays.observation_value(k);
            ioc18(ctx_, z, value_col, 1, 1);
            ioc05(ctx_, step.distance, label ? 65 : 52, 10, 3);
        } else {
            ioc05(ctx_, ctx_.arrays.observation_value(k), value_col, 8, 3);
        }
    }
    opr00(ctx_, 1);
}

} // namespace

void htcomp(RunContext& ctx) {
    ProvisionalHeights heights(ctx);
    heights.run();
}

} // namespace quarlo
