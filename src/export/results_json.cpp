// <job>.json: the options, counts, statistics, stations, observations,
// refraction coefficients and rotation parameters of a run, in the layout
// of docs/results.schema.json.
#include "export/exports.h"
#include "export/json_values.h"

#include <functional>
#include <vector>

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

// A table as one array per field, each with a value for every row, so
// that a large table costs no name per value.
template <typename Row>
struct Field {
    const char* name;
    std::function<Json(const Row&)> value;
};

template <typename Row>
Json table(const std::vector<Row>& rows, const std::vector<Field<Row>>& fields) {
    Members columns(fields.size());
    for (const auto& field : fields) {
        Json::array_t column;
        column.reserve(rows.size());
        for (const Row& row : rows) column.push_back(field.value(row));
        columns.add(field.name, Json(std::move(column)));
    }
    return columns.json();
}

Json stations_json(const RunResults& r) {
    using S = StationResult;
    auto coordinate = [](const S& s, double value) { return s.has_coordinates ? json_number(value) : Json(nullptr); };
    return table<S>(r.stations, {
        {"position", [](const S& s) { return Json(s.position); }},
        {"number", [](const S& s) { return Json(s.number); }},
        {"label", [](const S& s) { return s.label ? json_text(*s.label) : Json(nullptr); }},
        {"name", [](const S& s) { return json_text(s.name); }},
        {"fixed", [](const S& s) { return Json(s.fixed); }},
        {"registration", [](const S& s) { return s.registration != 0 ? Json(s.registration) : Json(nullptr); }},
        {"easting", [&](const S& s) { return coordinate(s, s.easting); }},
        {"northing", [&](const S& s) { return coordinate(s, s.northing); }},
        {"longitude", [](const S& s) { return json_number(s.longitude); }},
        {"latitude", [](const S& s) { return json_number(s.latitude); }},
        {"geoid_separation", [](const S& s) { return json_number(s.geoid); }},
        {"height_observation_sd", [](const S& s) {
             return s.height_observation_sd > 0.0f ? json_number(s.height_observation_sd) : Json(nullptr);
         }},
        {"provisional_height", [](const S& s) { return json_number(s.provisional_height); }},
        {"height", [](const S& s) { return json_number(s.height); }},
        {"correction", [](const S& s) { return json_number(s.correction); }},
        {"sd", [](const S& s) { return json_number(s.sd); }},
    });
}

// Members of one kind only are null for the others: a line between two
// stations has its values and distance, a constraint its unknown.
Json observations_json(const RunResults& r) {
    using O = ObservationResult;
    auto number_of = [&](int position) {
        const StationResult* s = r.station(position);
        return s ? Json(s->number) : Json(nullptr);
    };
    auto zenith = [](const O& o) { return o.kind == ObservationKind::ZenithDistance; };
    auto difference = [](const O& o) { return o.kind == ObservationKind::HeightDifference; };
    auto constraint = [&](const O& o) { return !zenith(o) && !difference(o); };
    return table<O>(r.observations, {
        {"kind", [](const O& o) { return Json(kind_name(o.kind)); }},
        {"number", [](const O& o) { return Json(o.number); }},
        {"from", [&](const O& o) { return number_of(o.from); }},
        {"to", [&](const O& o) { return number_of(o.to); }},
        {"setup", [&](const O& o) { return zenith(o) ? Json(o.setup) : Json(nullptr); }},
        {"coordinate_difference", [&](const O& o) { return difference(o) ? Json(o.coordinate_difference) : Json(nullptr); }},
        {"unknown", [&](const O& o) { return constraint(o) ? Json(o.unknown) : Json(nullptr); }},
        {"as_given", [](const O& o) { return json_number(o.as_given); }},
        {"observed", [](const O& o) { return json_number(o.observed); }},
        {"computed", [](const O& o) { return json_number(o.computed); }},
        {"distance", [](const O& o) { return o.distance != 0.0 ? json_number(o.distance) : Json(nullptr); }},
        {"misclosure", [](const O& o) { return json_number(o.misclosure); }},
        {"residual", [](const O& o) { return json_number(o.residual); }},
        {"standardised_residual", [](const O& o) { return json_number(o.standardised_residual); }},
        {"redundancy_number", [](const O& o) { return json_number(o.redundancy_number); }},
        {"weight", [](const O& o) { return json_number(o.weight); }},
    });
}

Json refraction_json(const RunResults& r) {
    using K = RefractionResult;
    return table<K>(r.refraction, {
        {"unknown", [](const K& k) { return Json(k.unknown); }},
        {"station", [&](const K& k) {
             const StationResult* s = r.station(k.station);
             return s ? Json(s->number) : Json(nullptr);
         }},
        {"observation", [](const K& k) { return k.observation != 0 ? Json(k.observation) : Json(nullptr); }},
        {"k", [](const K& k) { return json_number(k.k); }},
        {"correction", [](const K& k) { return json_number(k.correction); }},
        {"sd", [](const K& k) { return json_number(k.sd); }},
    });
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
    j.add("stations", stations_json(r));
    j.add("observations", observations_json(r));
    j.add("refraction", refraction_json(r));
    j.add("rotation", r.rotation ? rotation_json(*r.rotation) : Json(nullptr));
    return j.json().dump() + "\n";
}

} // namespace quarlo
