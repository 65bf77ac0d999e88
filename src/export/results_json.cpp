// <job>.json: the options, counts, statistics, stations, observations,
// refraction coefficients and rotation parameters of a run, in the layout
// of docs/results.schema.json.
#include "export/exports.h"
#include "export/json_values.h"

#include <cmath>

namespace quarlo {

namespace {

constexpr int kFormatVersion = 1;

Json options_json(const ControlOptions& o) {
    Members j(19);
    j.add("zone_code", o.zone_code);
    j.add("label_mode", o.label_mode);
    j.add("required_stage", o.required_stage);
    j.add("iterations", o.iterations);
    j.add("analysis_option", o.analysis_option);
    j.add("precision_option", o.precision_option);
    j.add("refraction_option", o.refraction_option);
    j.add("rotation_option", o.rotation_option);
    j.add("geoid_model_option", o.geoid_model_option);
    j.add("station_file_option", o.station_file_option);
    j.add("zenith_distance_file_option", o.zenith_distance_file_option);
    j.add("default_refraction", json_number(o.default_refraction));
    j.add("refraction_sd", json_number(o.refraction_sd));
    j.add("zenith_sd_factor", json_number(o.zenith_sd_factor));
    j.add("zenith_co_limit", json_number(o.zenith_co_limit));
    j.add("height_difference_co_limit", json_number(o.height_co_limit));
    j.add("weight_factor_ppm", json_number(o.weight_factor_ppm));
    j.add("centring_sd", json_number(o.centring_sd));
    j.add("mean_latitude", o.mean_latitude);
    return j.json();
}

Json counts_json(const ResultSummary& s) {
    Members j(9);
    j.add("stations", s.stations);
    j.add("fixed_stations", s.fixed_stations);
    j.add("zenith_distances", s.zenith_distances);
    j.add("height_differences", s.height_differences);
    j.add("height_observations", s.height_observations);
    j.add("refraction_constraints", s.refraction_constraints);
    j.add("equations", s.equations);
    j.add("unknowns", s.unknowns);
    j.add("band_width", s.band_width);
    return j.json();
}

Json adjustment_json(const ResultSummary& s) {
    Members j;
    j.add("solved", s.solved);
    j.add("precisions", s.inverse);
    j.add("degrees_of_freedom", s.degrees_of_freedom);
    j.add("pvv", json_number(s.pvv));
    j.add("variance_factor", json_number(s.variance_factor));
    j.add("variance_factor_used", json_number(s.variance_factor_used));
    return j.json();
}

Json station_json(const StationResult& s) {
    Members j(17);
    j.add("position", s.position);
    add_station_identity(j, s);
    j.add("fixed", s.fixed);
    j.add("registration", s.registration != 0 ? Json(s.registration) : Json(nullptr));
    j.add("easting", s.has_coordinates ? json_number(s.easting) : Json(nullptr));
    j.add("northing", s.has_coordinates ? json_number(s.northing) : Json(nullptr));
    j.add("longitude", json_number(s.longitude));
    j.add("latitude", json_number(s.latitude));
    j.add("geoid_separation", json_number(s.geoid));
    j.add("height_observation_sd", s.height_observation_sd > 0.0f ? json_number(s.height_observation_sd) : Json(nullptr));
    j.add("provisional_height", json_number(s.provisional_height));
    j.add("height", json_number(s.height));
    j.add("correction", json_number(s.correction));
    j.add("sd", json_number(s.sd));
    return j.json();
}

Json observation_json(const RunResults& r, const ObservationResult& o) {
    auto number_of = [&](int position) {
        const StationResult* s = r.station(position);
        return s ? Json(s->number) : Json(nullptr);
    };
    Members j(17);
    j.add("kind", kind_name(o.kind));
    j.add("number", o.number);
    j.add("from", number_of(o.from));
    j.add("to", number_of(o.to));
    j.add("setup", o.setup != 0 ? Json(o.setup) : Json(nullptr));
    j.add("unknown", o.unknown != 0 ? Json(o.unknown) : Json(nullptr));
    j.add("coordinate_difference", o.coordinate_difference);
    j.add("as_given", json_number(o.as_given));
    j.add("observed", json_number(o.observed));
    j.add("computed", json_number(o.computed));
    j.add("misclosure", json_number(o.misclosure));
    j.add("residual", json_number(o.residual));
    j.add("standardised_residual", json_number(o.standardised_residual));
    j.add("redundancy_number", json_number(o.redundancy_number));
    j.add("weight", json_number(o.weight));
    j.add("sd", o.weight > 0.0f ? json_number(1.0 / std::sqrt(static_cast<double>(o.weight))) : Json(nullptr));
    j.add("distance", o.distance != 0.0 ? json_number(o.distance) : Json(nullptr));
    return j.json();
}

Json refraction_json(const RunResults& r, const RefractionResult& k) {
    const StationResult* s = r.station(k.station);
    Members j;
    j.add("unknown", k.unknown);
    j.add("station", s ? Json(s->number) : Json(nullptr));
    j.add("observation", k.observation != 0 ? Json(k.observation) : Json(nullptr));
    j.add("k", json_number(k.k));
    j.add("correction", json_number(k.correction));
    j.add("sd", json_number(k.sd));
    return j.json();
}

Json rotation_json(const RotationResult& t) {
    Members j;
    j.add("phi", json_number(t.phi));
    j.add("omega", json_number(t.omega));
    j.add("phi_correction", json_number(t.phi_correction));
    j.add("omega_correction", json_number(t.omega_correction));
    j.add("phi_sd", json_number(t.phi_sd));
    j.add("omega_sd", json_number(t.omega_sd));
    return j.json();
}

} // namespace

std::string results_json(const RunResults& r) {
    Members j(10);
    j.add("format", "quarlo-results");
    j.add("format_version", kFormatVersion);
    j.add("job", json_text(r.job_name));
    j.add("options", options_json(r.options));
    j.add("counts", counts_json(r.summary));
    j.add("adjustment", adjustment_json(r.summary));
    Json stations = json_array(r.stations.size());
    for (const auto& s : r.stations) stations.push_back(station_json(s));
    j.add("stations", std::move(stations));
    Json observations = json_array(r.observations.size());
    for (const auto& o : r.observations) observations.push_back(observation_json(r, o));
    j.add("observations", std::move(observations));
    Json refraction = Json::array();
    for (const auto& k : r.refraction) refraction.push_back(refraction_json(r, k));
    j.add("refraction", std::move(refraction));
    j.add("rotation", r.rotation ? rotation_json(*r.rotation) : Json(nullptr));
    return j.json().dump(1) + "\n";
}

} // namespace quarlo
