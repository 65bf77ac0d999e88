// <job>.json: the options, counts, statistics, stations, observations,
// refraction coefficients and rotation parameters of a run, in the layout
// of docs/results.schema.json.
#include "export/exports.h"
#include "export/json_values.h"
#include "results/reliability.h"

#include <functional>
#include <vector>

namespace quarlo {

namespace {

constexpr int kFormatVersion = 2;

void write_options(JsonWriter& j, const ControlOptions& o) {
    j.start_object();
    j.member("zone_code", o.zone_code);
    j.member("label_mode", o.label_mode);
    j.member("required_stage", o.required_stage);
    j.member("iterations", o.iterations);
    j.member("analysis_option", o.analysis_option);
    j.member("precision_option", o.precision_option);
    j.member("refraction_option", o.refraction_option);
    j.member("rotation_option", o.rotation_option);
    j.member("geoid_model_option", o.geoid_model_option);
    j.member("station_file_option", o.station_file_option);
    j.member("zenith_distance_file_option", o.zenith_distance_file_option);
    j.member("default_refraction", o.default_refraction);
    j.member("refraction_sd", o.refraction_sd);
    j.member("zenith_sd_factor", o.zenith_sd_factor);
    j.member("zenith_co_limit", o.zenith_co_limit);
    j.member("height_difference_co_limit", o.height_co_limit);
    j.member("weight_factor_ppm", o.weight_factor_ppm);
    j.member("centring_sd", o.centring_sd);
    j.member("mean_latitude", o.mean_latitude);
    j.end_object();
}

void write_counts(JsonWriter& j, const ResultSummary& s) {
    j.start_object();
    j.member("stations", s.stations);
    j.member("fixed_stations", s.fixed_stations);
    j.member("zenith_distances", s.zenith_distances);
    j.member("height_differences", s.height_differences);
    j.member("height_observations", s.height_observations);
    j.member("refraction_constraints", s.refraction_constraints);
    j.member("equations", s.equations);
    j.member("unknowns", s.unknowns);
    j.member("band_width", s.band_width);
    j.end_object();
}

void write_global_test(JsonWriter& j, const GlobalTest& g) {
    j.start_object();
    j.member("statistic", g.statistic);
    j.member("lower", g.lower);
    j.member("upper", g.upper);
    j.member("accepted", g.accepted());
    j.member("sigma_ratio", g.ratio());
    j.member("sigma_ratio_lower", g.ratio_lower());
    j.member("sigma_ratio_upper", g.ratio_upper());
    j.end_object();
}

void write_data_snooping(JsonWriter& j, const AdjustmentTests& t) {
    j.start_object();
    j.member("critical_value", kCriticalNormalisedResidual);
    j.member("non_centrality", kNonCentrality);
    j.member("weakly_checked_below", kWeaklyChecked);
    j.member("not_checked_below", kNotChecked);
    j.member("flagged", t.flagged);
    j.member("weakly_checked", t.weakly_checked);
    j.member("not_checked", t.not_checked);
    j.member("not_checked_for_rounding", t.not_checked_for_rounding);
    j.member("smallest_pivot_ratio", t.smallest_pivot_ratio);
    j.end_object();
}

void write_adjustment(JsonWriter& j, const RunResults& r) {
    const ResultSummary& s = r.summary;
    j.start_object();
    j.member("solved", s.solved);
    j.member("precisions", s.inverse);
    j.member("degrees_of_freedom", s.degrees_of_freedom);
    j.member("pvv", s.pvv);
    j.member("variance_factor", s.variance_factor);
    j.member("variance_factor_used", s.variance_factor_used);
    j.key("global_test");
    if (r.tests.global)
        write_global_test(j, *r.tests.global);
    else
        j.null();
    j.key("data_snooping");
    if (r.tests.reliability)
        write_data_snooping(j, r.tests);
    else
        j.null();
    j.end_object();
}

// A table as one array per field, each with a value for every row, so
// that a large table costs no name per value.
template <typename Row>
struct Field {
    const char* name;
    std::function<void(JsonWriter&, const Row&)> write;
};

template <typename Row>
void write_table(JsonWriter& j, const std::vector<Row>& rows, const std::vector<Field<Row>>& fields) {
    j.start_object();
    for (const auto& field : fields) {
        j.key(field.name);
        j.start_array();
        for (const Row& row : rows) field.write(j, row);
        j.end_array();
    }
    j.end_object();
}

const char* checking_name(Checking c) {
    switch (c) {
    case Checking::Checked: return "checked";
    case Checking::Weakly: return "weakly_checked";
    case Checking::Not: return "not_checked";
    }
    return "";
}

// An integer written only when `present`, null otherwise.
void integer_if(JsonWriter& j, bool present, int value) {
    if (present)
        j.integer(value);
    else
        j.null();
}

void write_stations(JsonWriter& j, const RunResults& r) {
    using S = StationResult;
    auto coordinate = [](JsonWriter& j, const S& s, double value) {
        if (s.has_coordinates)
            j.number(value);
        else
            j.null();
    };
    write_table<S>(j, r.stations, {
        {"position", [](JsonWriter& j, const S& s) { j.integer(s.position); }},
        {"number", [](JsonWriter& j, const S& s) { j.integer(s.number); }},
        {"label", [](JsonWriter& j, const S& s) { j.text_or_null(s.label); }},
        {"name", [](JsonWriter& j, const S& s) { j.text(s.name); }},
        {"fixed", [](JsonWriter& j, const S& s) { j.boolean(s.fixed); }},
        {"registration", [](JsonWriter& j, const S& s) { integer_if(j, s.registration != 0, s.registration); }},
        {"easting", [&](JsonWriter& j, const S& s) { coordinate(j, s, s.easting); }},
        {"northing", [&](JsonWriter& j, const S& s) { coordinate(j, s, s.northing); }},
        {"longitude", [](JsonWriter& j, const S& s) { j.number(s.longitude); }},
        {"latitude", [](JsonWriter& j, const S& s) { j.number(s.latitude); }},
        {"geoid_separation", [](JsonWriter& j, const S& s) { j.number(s.geoid); }},
        {"height_observation_sd", [](JsonWriter& j, const S& s) {
             if (s.height_observation_sd > 0.0f)
                 j.number(s.height_observation_sd);
             else
                 j.null();
         }},
        {"provisional_height", [](JsonWriter& j, const S& s) { j.number(s.provisional_height); }},
        {"height", [](JsonWriter& j, const S& s) { j.number(s.height); }},
        {"correction", [](JsonWriter& j, const S& s) { j.number(s.correction); }},
        {"sd", [](JsonWriter& j, const S& s) { j.number(s.sd); }},
    });
}

// Members of one kind only are null for the others: a line between two
// stations has its values and distance, a constraint its unknown.
void write_observations(JsonWriter& j, const RunResults& r) {
    using O = ObservationResult;
    auto number_of = [&](JsonWriter& j, int position) {
        const StationResult* s = r.station(position);
        integer_if(j, s != nullptr, s ? s->number : 0);
    };
    auto zenith = [](const O& o) { return o.kind == ObservationKind::ZenithDistance; };
    auto difference = [](const O& o) { return o.kind == ObservationKind::HeightDifference; };
    auto constraint = [&](const O& o) { return !zenith(o) && !difference(o); };
    write_table<O>(j, r.observations, {
        {"kind", [](JsonWriter& j, const O& o) { j.word(kind_name(o.kind)); }},
        {"number", [](JsonWriter& j, const O& o) { j.integer(o.number); }},
        {"input_line", [](JsonWriter& j, const O& o) { integer_if(j, o.line > 0, o.line); }},
        {"from", [&](JsonWriter& j, const O& o) { number_of(j, o.from); }},
        {"to", [&](JsonWriter& j, const O& o) { number_of(j, o.to); }},
        {"setup", [&](JsonWriter& j, const O& o) { integer_if(j, zenith(o), o.setup); }},
        {"coordinate_difference", [&](JsonWriter& j, const O& o) {
             if (difference(o))
                 j.boolean(o.coordinate_difference);
             else
                 j.null();
         }},
        {"unknown", [&](JsonWriter& j, const O& o) { integer_if(j, constraint(o), o.unknown); }},
        {"as_given", [&](JsonWriter& j, const O& o) {
             // A height difference is read in single precision.
             if (difference(o) && o.as_given)
                 j.number(static_cast<float>(*o.as_given));
             else
                 j.number(o.as_given);
         }},
        {"observed", [](JsonWriter& j, const O& o) { j.number(o.observed); }},
        {"computed", [](JsonWriter& j, const O& o) { j.number(o.computed); }},
        {"distance", [](JsonWriter& j, const O& o) {
             if (o.distance != 0.0)
                 j.number(o.distance);
             else
                 j.null();
         }},
        {"misclosure", [](JsonWriter& j, const O& o) { j.number(o.misclosure); }},
        {"residual", [](JsonWriter& j, const O& o) { j.number(o.residual); }},
        {"standardised_residual", [](JsonWriter& j, const O& o) { j.number(o.standardised_residual); }},
        {"redundancy_number", [](JsonWriter& j, const O& o) { j.number(o.redundancy_number()); }},
        {"normalised_residual", [](JsonWriter& j, const O& o) { j.number(o.normalised_residual()); }},
        {"minimal_detectable_bias", [](JsonWriter& j, const O& o) {
             j.number(o.test ? o.test->minimal_detectable_bias : std::nullopt);
         }},
        {"bias_to_noise_ratio", [](JsonWriter& j, const O& o) {
             j.number(o.test ? o.test->bias_to_noise_ratio : std::nullopt);
         }},
        {"checking", [](JsonWriter& j, const O& o) {
             if (o.test)
                 j.word(checking_name(o.test->checking));
             else
                 j.null();
         }},
        {"weight", [](JsonWriter& j, const O& o) { j.number(o.weight); }},
    });
}

void write_refraction(JsonWriter& j, const RunResults& r) {
    using K = RefractionResult;
    write_table<K>(j, r.refraction, {
        {"unknown", [](JsonWriter& j, const K& k) { j.integer(k.unknown); }},
        {"station", [&](JsonWriter& j, const K& k) {
             const StationResult* s = r.station(k.station);
             integer_if(j, s != nullptr, s ? s->number : 0);
         }},
        {"observation", [](JsonWriter& j, const K& k) { integer_if(j, k.observation != 0, k.observation); }},
        {"k", [](JsonWriter& j, const K& k) { j.number(k.k); }},
        {"correction", [](JsonWriter& j, const K& k) { j.number(k.correction); }},
        {"sd", [](JsonWriter& j, const K& k) { j.number(k.sd); }},
    });
}

void write_rotation(JsonWriter& j, const RotationResult& t) {
    j.start_object();
    j.member("phi", t.phi);
    j.member("omega", t.omega);
    j.member("phi_correction", t.phi_correction);
    j.member("omega_correction", t.omega_correction);
    j.member("phi_sd", t.phi_sd);
    j.member("omega_sd", t.omega_sd);
    j.end_object();
}

} // namespace

void write_json(const RunResults& r, TextOutput& out) {
    JsonWriter j(out);
    j.start_object();
    j.member("format", "quarlo-results");
    j.member("format_version", kFormatVersion);
    j.key("job");
    j.text(r.job_name);
    j.key("options");
    write_options(j, r.options);
    j.key("counts");
    write_counts(j, r.summary);
    j.key("adjustment");
    write_adjustment(j, r);
    j.key("stations");
    write_stations(j, r);
    j.key("observations");
    write_observations(j, r);
    j.key("refraction");
    write_refraction(j, r);
    j.key("rotation");
    if (r.rotation)
        write_rotation(j, *r.rotation);
    else
        j.null();
    j.end_object();
    out.Put('\n');
}

} // namespace quarlo
