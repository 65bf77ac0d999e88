// A filled results model for the tests of the writers: four stations in
// zone 856 (one without coordinates), a zenith distance and four height
// differences, one of them with a standardised residual over 2.5; the
// normalised residuals (r = 0.5, and 0.9 for observation 4) flag that one
// and the zenith distance.
#pragma once

#include "core/run_results.h"
#include "export/exports.h"
#include "results/reliability.h"

#include <string>

namespace quarlo::test {

inline StationResult sample_station(int position, const std::string& label, const std::string& name, bool fixed,
                                    float height) {
    StationResult s;
    s.position = position;
    s.number = position;
    s.label = label;
    s.name = name;
    s.fixed = fixed;
    s.provisional_height = height;
    s.height = height;
    return s;
}

inline void place(StationResult& s, double e, double n, double lon, double lat) {
    s.has_coordinates = true;
    s.easting = e;
    s.northing = n;
    s.longitude = lon;
    s.latitude = lat;
}

inline ObservationResult sample_line(ObservationKind kind, int number, int from, int to, float v, float w,
                                     double r = 0.5) {
    ObservationResult o;
    o.kind = kind;
    o.number = number;
    o.from = from;
    o.to = to;
    o.weight = (w / v) * (w / v);
    o.residual = v;
    o.standardised_residual = w;
    o.test = test_observation(v, o.weight, r);
    return o;
}

inline RunResults sample_results() {
    RunResults r;
    r.complete = true;
    r.job_name = "net";
    r.wgs84 = true;
    r.options.zone_code = 856;
    r.options.label_mode = true;
    r.options.required_stage = 2;
    r.options.iterations = 1;
    r.options.analysis_option = 1;

    StationResult a = sample_station(1, "TS1", "TRIG ALPHA", true, 100.0f);
    place(a, 332795.4917, 6291830.8611, 151.19999999963641, -33.500000000302297);
    StationResult b = sample_station(2, "BM2", "BRAVO", false, 105.25333f);
    place(b, 333295.4917, 6291830.8611, 151.20538032394822, -33.500078069464825);
    b.provisional_height = 105.25f;
    b.correction = 0.00333f;
    b.sd = 0.004714f;
    StationResult c = sample_station(3, "C3", "CHARLIE", false, 107.1f);
    c.sd = 0.006f;
    StationResult d = sample_station(4, "D4", "DELTA", false, 50.123f);
    place(d, 333295.4917, 6292330.8611, 151.2054, -33.4956);
    d.sd = 0.010f;
    r.stations = {a, b, c, d};

    r.observations = {
        sample_line(ObservationKind::ZenithDistance, 1, 4, 1, 4.4f, 2.2f),
        sample_line(ObservationKind::HeightDifference, 2, 1, 2, 0.00333f, 0.667f),
        sample_line(ObservationKind::HeightDifference, 3, 2, 4, 0.0155f, 3.1f),
        sample_line(ObservationKind::HeightDifference, 4, 1, 4, -0.0075f, -1.5f, 0.9),
        sample_line(ObservationKind::HeightDifference, 5, 1, 3, 0.001f, 0.2f),
    };
    r.summary.stations = 4;
    r.summary.fixed_stations = 1;
    r.summary.zenith_distances = 1;
    r.summary.height_differences = 4;
    r.summary.equations = 5;
    r.summary.unknowns = 3;
    r.summary.degrees_of_freedom = 2;
    r.summary.solved = true;
    r.summary.inverse = true;
    r.summary.pvv = 16.3;
    r.summary.variance_factor = 8.15f;
    r.summary.variance_factor_used = 8.15f;
    r.tests.global = global_test(16.3, 2);
    r.tests.reliability = true;
    r.tests.flagged = 2; // observations 1 and 3: w = 2.2 and 3.1 over sqrt(0.5)
    r.input = "net.dat";
    r.observations[2].line = 12;
    return r;
}

} // namespace quarlo::test

namespace quarlo {

// The whole text of each output, as a string.
class StringSink : public TextSink {
public:
    void write(std::string_view chunk) override { text.append(chunk); }
    std::string text;
};

inline std::string composed_text(void (*compose)(const RunResults&, TextOutput&), const RunResults& r) {
    StringSink sink;
    TextOutput out(sink);
    compose(r, out);
    out.finish();
    return std::move(sink.text);
}

inline std::string results_json(const RunResults& r) { return composed_text(write_json, r); }
inline std::string results_geojson(const RunResults& r) { return composed_text(write_geojson, r); }
inline std::string results_html(const RunResults& r) { return composed_text(write_html, r); }

} // namespace quarlo
