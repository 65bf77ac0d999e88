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
    Json j;
    j["zone_code"] = o.zone_code;
    j["label_mode"] = o.label_mode;
    j["required_stage"] = o.required_stage;
    j["iterations"] = o.iterations;
    j["analysis_option"] = o.analysis_option;
    j["precision_option"] = o.precision_option;
    j["refraction_option"] = o.refraction_option;
    j["rotation_option"] = o.rotation_option;
    j["geoid_model_option"] = o.geoid_model_option;
    j["station_file_option"] = o.station_file_option;
    j["zenith_distance_file_option"] = o.zenith_distance_file_option;
    j["default_refraction"] = json_number(o.default_refraction);
    j["refraction_sd"] = json_number(o.refraction_sd);
    j["zenith_sd_factor"] = json_number(o.zenith_sd_factor);
    j["zenith_co_limit"] = json_number(o.zenith_co_limit);
    j["height_difference_co_limit"] = json_number(o.height_co_limit);
    j["weight_factor_ppm"] = json_number(o.weight_factor_ppm);
    j["centring_sd"] = json_number(o.centring_sd);
    j["mean_latitude"] = o.mean_latitude;
    return j;
}

Json counts_json(const ResultSummary& s) {
    Json j;
    j["stations"] = s.stations;
    j["fixed_stations"] = s.fixed_stations;
    j["zenith_distances"] = s.zenith_distances;
    j["height_differences"] = s.height_differences;
    j["height_observations"] = s.height_observations;
    j["refraction_constraints"] = s.refraction_constraints;
    j["equations"] = s.equations;
    j["unknowns"] = s.unknowns;
    j["band_width"] = s.band_width;
    return j;
}

Json adjustment_json(const ResultSummary& s) {
    Json j;
    j["solved"] = s.solved;
    j["precisions"] = s.inverse;
    j["degrees_of_freedom"] = s.degrees_of_freedom;
    j["pvv"] = json_number(s.pvv);
    j["variance_factor"] = json_number(s.variance_factor);
    j["variance_factor_used"] = json_number(s.variance_factor_used);
    return j;
}

Json station_json(const StationResult& s) {
    Json j = json_object(17);
    j["position"] = s.position;
    add_station_identity(j, s);
    j["fixed"] = s.fixed;
    j["registration"] = s.registration != 0 ? Json(s.registration) : Json(nullptr);
    j["easting"] = s.has_coordinates ? json_number(s.easting) : Json(nullptr);
    j["northing"] = s.has_coordinates ? json_number(s.northing) : Json(nullptr);
    j["longitude"] = json_number(s.longitude);
    j["latitude"] = json_number(s.latitude);
    j["geoid_separation"] = json_number(s.geoid);
    j["height_observation_sd"] = s.height_observation_sd > 0.0f ? json_number(s.height_observation_sd) : Json(nullptr);
    j["provisional_height"] = json_number(s.provisional_height);
    j["height"] = json_number(s.height);
    j["correction"] = json_number(s.correction);
    j["sd"] = json_number(s.sd);
    return j;
}

Json observation_json(const RunResults& r, const ObservationResult& o) {
    auto number_of = [&](int position) {
        const StationResult* s = r.station(position);
        return s ? Json(s->number) : Json(nullptr);
    };
    Json j = json_object(17);
    j["kind"] = kind_name(o.kind);
    j["number"] = o.number;
    j["from"] = number_of(o.from);
    j["to"] = number_of(o.to);
    j["setup"] = o.setup != 0 ? Json(o.setup) : Json(nullptr);
    j["unknown"] = o.unknown != 0 ? Json(o.unknown) : Json(nullptr);
    j["coordinate_difference"] = o.coordinate_difference;
    j["as_given"] = json_number(o.as_given);
    j["observed"] = json_number(o.observed);
    j["computed"] = json_number(o.computed);
    j["misclosure"] = json_number(o.misclosure);
    j["residual"] = json_number(o.residual);
    j["standardised_residual"] = json_number(o.standardised_residual);
    j["redundancy_number"] = json_number(o.redundancy_number);
    j["weight"] = json_number(o.weight);
    j["sd"] = o.weight > 0.0f ? json_number(1.0 / std::sqrt(static_cast<double>(o.weight))) : Json(nullptr);
    j["distance"] = o.distance != 0.0 ? json_number(o.distance) : Json(nullptr);
    return j;
}

Json refraction_json(const RunResults& r, const RefractionResult& k) {
    const StationResult* s = r.station(k.station);
    Json j;
    j["unknown"] = k.unknown;
    j["station"] = s ? Json(s->number) : Json(nullptr);
    j["observation"] = k.observation != 0 ? Json(k.observation) : Json(nullptr);
    j["k"] = json_number(k.k);
    j["correction"] = json_number(k.correction);
    j["sd"] = json_number(k.sd);
    return j;
}

Json rotation_json(const RotationResult& t) {
    Json j;
    j["phi"] = json_number(t.phi);
    j["omega"] = json_number(t.omega);
    j["phi_correction"] = json_number(t.phi_correction);
    j["omega_correction"] = json_number(t.omega_correction);
    j["phi_sd"] = json_number(t.phi_sd);
    j["omega_sd"] = json_number(t.omega_sd);
    return j;
}

} // namespace

std::string results_json(const RunResults& r) {
    Json j;
    j["format"] = "quarlo-results";
    j["format_version"] = kFormatVersion;
    j["job"] = json_text(r.job_name);
    j["options"] = options_json(r.options);
    j["counts"] = counts_json(r.summary);
    j["adjustment"] = adjustment_json(r.summary);
    Json stations = json_array(r.stations.size());
    for (const auto& s : r.stations) stations.push_back(station_json(s));
    j["stations"] = std::move(stations);
    Json observations = json_array(r.observations.size());
    for (const auto& o : r.observations) observations.push_back(observation_json(r, o));
    j["observations"] = std::move(observations);
    Json refraction = Json::array();
    for (const auto& k : r.refraction) refraction.push_back(refraction_json(r, k));
    j["refraction"] = std::move(refraction);
    j["rotation"] = r.rotation ? rotation_json(*r.rotation) : Json(nullptr);
    return j.dump(1) + "\n";
}

} // namespace quarlo
