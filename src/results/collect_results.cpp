// The results model of a run, read at the end of the last iteration from
// the work files and the solution, while the normal store still holds the
// inverse and before the station lists re-use the station tables.
#include "results/collect_results.h"

#include "adjust/zenith_reduction.h"
#include "core/run_files.h"
#include "core/records.h"
#include "geodesy/stnadd.h"
#include "geodesy/wgs84.h"
#include "pelmo_routines/blockstore.h"
#include "report/iocat3.h"
#include "results/precision.h"
#include "results/residual.h"

#include <cmath>

namespace quarlo {

namespace {

constexpr double kDegrees = 180.0 / kPi; // per radian

class Collector {
public:
    Collector(RunContext& ctx, const InverseElement& q) : ctx_(ctx), r_(ctx.results), q_(q) {}
    void run();

private:
    void summary();
    void stations();
    void main_list();
    void constraints();
    void refraction();
    void rotation();
    ObservationResult equation(ObservationKind kind, int number, const EquationRecord& e);
    float q(int j, int k) { return q_(j, k); }
    // sqrt(q F) of an unknown, with the inverse.
    std::optional<float> sd_of(int unknown);

    RunContext& ctx_;
    RunResults& r_;
    const InverseElement& q_;
    bool solved_ = false;
    bool inverse_ = false;
    float factor_ = 1.0f; // the variance factor of the precisions
    std::vector<EquationRecord> zenith_equations_;
};

void Collector::run() {
    const int status = ctx_.option.run_status;
    solved_ = ctx_.nearea.solved;
    inverse_ = status >= 2 && ctx_.numbrs.matrix_size > 0;
    if (inverse_) factor_ = variance_factor_used(ctx_);
    r_.job_name = trim_name(ctx_.names.job_name.str());
    r_.input = ctx_.diag.input();
    r_.wgs84 = wgs84_route(ctx_.tmvals.zone_code) != Wgs84Route::None;
    r_.stations.clear();
    r_.observations.clear();
    r_.refraction.clear();
    r_.rotation.reset();
    const auto& nb = ctx_.numbrs;
    r_.stations.reserve(static_cast<std::size_t>(nb.number_of_stations));
    r_.observations.reserve(static_cast<std::size_t>(nb.number_of_observations) +
                            static_cast<std::size_t>(nb.number_of_height_observation_equations) +
                            static_cast<std::size_t>(nb.number_of_refraction_constraints));
    zenith_equations_.reserve(static_cast<std::size_t>(nb.number_of_zenith_distances));
    stations();
    main_list();
    constraints();
    refraction();
    rotation();
    summary();
    r_.complete = true;
}

std::optional<float> Collector::sd_of(int unknown) {
    if (!inverse_ || unknown < 1) return std::nullopt;
    return standard_deviation([this](int m) { return q(m, m); }, unknown, factor_);
}

void Collector::summary() {
    const auto& nb = ctx_.numbrs;
    ResultSummary& s = r_.summary;
    s = ResultSummary{};
    s.stations = nb.number_of_stations;
    s.fixed_stations = 0;
    for (const auto& st : r_.stations) s.fixed_stations += st.fixed ? 1 : 0;
    s.zenith_distances = nb.number_of_zenith_distances;
    s.height_differences = nb.number_of_height_differences;
    s.height_observations = nb.number_of_height_observation_equations;
    s.refraction_constraints = nb.number_of_refraction_constraints;
    s.equations = static_cast<int>(r_.observations.size());
    s.unknowns = nb.matrix_size;
    s.band_width = nb.band_width;
    s.degrees_of_freedom = s.equations - s.unknowns;
    s.solved = solved_;
    s.inverse = inverse_;
    if (solved_) {
        // The weighted squares in the order of the residual analysis.
        double pvv = 0.0;
        for (const auto& o : r_.observations)
            pvv += static_cast<double>(o.weight) * *o.residual * *o.residual;
        s.pvv = pvv;
        if (s.degrees_of_freedom > 0) s.variance_factor = static_cast<float>(pvv / s.degrees_of_freedom);
    }
    if (inverse_) s.variance_factor_used = factor_;
}

void Collector::stations() {
    const bool label_mode = ctx_.rec01.label_mode != 0;
    for (int i = 1; i <= ctx_.numbrs.number_of_stations; ++i) {
        EqnStationRecord e = read_eqn_station(ctx_.files.unit1, i);
        StationResult s;
        s.position = i;
        s.number = e.number;
        if (label_mode) s.label = trim_right(station_label(ctx_, e.number).view());
        s.name = trim_right(e.name.view());
        s.has_coordinates = e.coordinates_flag != 0;
        s.easting = e.easting;
        s.northing = e.northing;
        s.fixed = e.status == kFixed;
        s.registration = e.registration;
        s.geoid = e.geoid;
        s.height_observation_sd = e.height_sd;
        s.first_unknown = e.first_unknown;
        s.provisional_height = e.height;
        s.height = e.height;
        const bool adjusted = e.status == kHeightGiven && e.first_unknown != 0;
        if (adjusted && solved_) {
            s.correction = ctx_.nearea.rhs(e.first_unknown);
            s.height = e.height + *s.correction;
        }
        if (adjusted) s.sd = sd_of(e.first_unknown);
        if (r_.wgs84 && s.has_coordinates) {
            if (auto p = grid_to_wgs84(ctx_, s.easting, s.northing, static_cast<double>(s.height) + s.geoid)) {
                s.longitude = p->longitude;
                s.latitude = p->latitude;
            }
        }
        r_.stations.push_back(std::move(s));
    }
}

// The fields every kind shares: stations, misclosure, weight, and from the
// solution the residual, the standardised residual and, with the inverse,
// the tests of the observation as the end of the run worked them.
ObservationResult Collector::equation(ObservationKind kind, int number, const EquationRecord& e) {
    const std::size_t index = r_.observations.size();
    ObservationResult o;
    o.kind = kind;
    o.number = number;
    o.from = e.from_position;
    o.to = e.to_position;
    o.misclosure = e.misclosure;
    o.weight = e.weight;
    o.distance = e.distance;
    if (solved_) {
        o.residual = equation_residual(ctx_, e);
        o.standardised_residual = *o.residual * root_weight(e.weight);
    }
    const AdjustmentTests& tests = r_.tests;
    if (tests.reliability && index < tests.observations.size()) o.test = tests.observations[index];
    return o;
}

void Collector::main_list() {
    const auto& nb = ctx_.numbrs;
    const int base = nb.number_of_stations + nb.rejected_station_count;
    for (int k = 1; k <= nb.number_of_observations; ++k) {
        EquationRecord e = read_equation(ctx_.files.unit1, 1000 + k);
        const int line = ctx_.diag.observation(k).line;
        if (k <= nb.number_of_zenith_distances) {
            ObservationResult o = equation(ObservationKind::ZenithDistance, k, e);
            o.line = line;
            ZenithRecord z = read_zenith(ctx_.files.unit9, base + k);
            o.setup = z.from / 1000;
            o.as_given = z.zenith * kDegrees;
            if (solved_) {
                // Reduced to the marks over the distance the equation used;
                // its misclosure (seconds) is that less the computed value.
                double dhi = (static_cast<double>(z.instrument_height) + z.occupied_eccentric_height) -
                             (static_cast<double>(z.target_height) + z.observed_eccentric_height);
                double reduced = reduce_to_marks(z.zenith, dhi, e.distance);
                o.observed = reduced * kDegrees;
                o.computed = (reduced - e.misclosure / kSecondsPerRadian) * kDegrees;
            }
            r_.observations.push_back(std::move(o));
            zenith_equations_.push_back(e);
        } else {
            ObservationResult o = equation(ObservationKind::HeightDifference, k, e);
            o.line = line;
            HeightDiffRecord h = read_height_diff(ctx_.files.unit9, base + k);
            o.coordinate_difference = h.coordinate_difference != 0;
            if (!o.coordinate_difference) o.as_given = h.dh;
            // Computed from the heights of the last iteration; the observed
            // value the equation compared is that plus the misclosure.
            const StationResult* from = r_.station(o.from);
            const StationResult* to = r_.station(o.to);
            if (from && to) {
                o.computed = static_cast<double>(to->provisional_height) - from->provisional_height;
                if (solved_) o.observed = *o.computed + o.misclosure;
            }
            r_.observations.push_back(std::move(o));
        }
    }
}

void Collector::constraints() {
    const auto& nb = ctx_.numbrs;
    const int base = 1000 + nb.number_of_zenith_distances + nb.number_of_height_differences;
    const int no = nb.number_of_height_observation_equations;
    for (int j = 1; j <= no; ++j) {
        EquationRecord e = read_equation(ctx_.files.unit1, base + j);
        ObservationResult o = equation(ObservationKind::HeightObservation, j, e);
        o.unknown = e.unknown[0];
        o.line = ctx_.diag.station_numbered(ctx_.stnfst.station_number(e.from_position)).line;
        r_.observations.push_back(std::move(o));
    }
    for (int j = 1; j <= nb.number_of_refraction_constraints; ++j) {
        EquationRecord e = read_equation(ctx_.files.unit1, base + no + j);
        ObservationResult o = equation(ObservationKind::RefractionConstraint, j, e);
        o.unknown = e.unknown[0];
        r_.observations.push_back(std::move(o));
    }
}

// Each refraction coefficient has one constraint; its value stands on the
// zenith distances whose equations carry its unknown (in the refraction
// slot), as the adjusted values left them.
void Collector::refraction() {
    const auto& nb = ctx_.numbrs;
    const int base = nb.number_of_stations + nb.rejected_station_count;
    for (const auto& o : r_.observations) {
        if (o.kind != ObservationKind::RefractionConstraint) continue;
        RefractionResult k;
        k.unknown = o.unknown;
        k.station = ctx_.option.refraction_option == 0 ? 0 : o.from;
        for (std::size_t i = 0; i < zenith_equations_.size(); ++i) {
            if (zenith_equations_[i].unknown[1] != o.unknown) continue;
            k.observation = static_cast<int>(i) + 1;
            k.k = read_zenith(ctx_.files.unit9, base + k.observation).k;
            break;
        }
        if (solved_) k.correction = ctx_.nearea.rhs(o.unknown) / 1000.0f;
        if (auto sd = sd_of(o.unknown)) k.sd = *sd / 1000.0f;
        r_.refraction.push_back(k);
    }
}

// The rotation unknowns are the last two, in units of 0.01 radian; the
// results stage has applied the corrections of the last iteration.
void Collector::rotation() {
    if (ctx_.option.rotation_option == 0) return;
    const int n = ctx_.numbrs.matrix_size;
    const RotationBlock& rot = ctx_.rotation;
    RotationResult t;
    t.phi = rot.phi;
    t.omega = rot.omega;
    t.phi_correction = rot.phi_correction;
    t.omega_correction = rot.omega_correction;
    if (auto sd = sd_of(n - 1)) t.phi_sd = *sd / 100.0f;
    if (auto sd = sd_of(n)) t.omega_sd = *sd / 100.0f;
    r_.rotation = t;
}

} // namespace

void note_control_options(RunContext& ctx) {
    ControlOptions& o = ctx.results.options;
    o.zone_code = ctx.tmvals.zone_code;
    o.label_mode = ctx.rec01.label_mode != 0;
    o.required_stage = ctx.rec01.required_stage;
    o.iterations = ctx.rec01.iterations_left;
    o.analysis_option = ctx.option.run_status - 1;
    o.precision_option = ctx.option.precision_option;
    o.refraction_option = ctx.option.refraction_option;
    o.rotation_option = ctx.option.rotation_option;
    o.geoid_model_option = ctx.option.geoid_model_option;
    o.station_file_option = ctx.option.station_file_option;
    o.zenith_distance_file_option = ctx.option.zenith_distance_switch;
    o.default_refraction = ctx.rec01.default_refraction;
    o.refraction_sd = ctx.rec01.refraction_standard_deviation / 1000.0f;
    o.zenith_sd_factor = ctx.rec01.zenith_sd_factor;
    o.zenith_co_limit = ctx.rec01.zenith_co_limit;
    o.height_co_limit = ctx.rec01.height_difference_co_limit;
    o.weight_factor_ppm = static_cast<float>(ctx.option.weight_factor) / 10.0f;
    o.centring_sd = static_cast<float>(ctx.option.centring_sd) / 10000.0f;
    o.mean_latitude = ctx.numbrs.mean_latitude;
}

void collect_results(RunContext& ctx) {
    collect_results(ctx, [&ctx](int j, int k) { return inverse_element(ctx, j, k); });
}

void collect_results(RunContext& ctx, const InverseElement& q) { Collector(ctx, q).run(); }

} // namespace quarlo
