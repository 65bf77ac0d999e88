// <job>.geojson (RFC 7946): the stations as points with their adjusted
// heights and precisions, the observed lines with their residuals, in WGS84
// longitude and latitude. A station without coordinates, and a line at
// such a station, is a feature without a place (geometry null).
#include "export/exports.h"
#include "export/json_values.h"

namespace quarlo {

namespace {

bool placed(const StationResult* s) { return s && s->longitude && s->latitude; }

Json position(const StationResult& s) { return Json::array({*s.longitude, *s.latitude}); }

Json geometry(const char* type, Json coordinates) {
    Members g(2);
    g.add("type", type);
    g.add("coordinates", std::move(coordinates));
    return g.json();
}

Json station_feature(const StationResult& s) {
    Members f(3);
    f.add("type", "Feature");
    if (placed(&s))
        f.add("geometry", geometry("Point", position(s)));
    else
        f.add("geometry", nullptr);
    Members p(9);
    p.add("feature", "station");
    add_station_identity(p, s);
    p.add("fixed", s.fixed);
    p.add("height", json_number(s.height));
    p.add("correction", json_number(s.correction));
    p.add("sd", json_number(s.sd));
    p.add("sd95", json_number(s.sd95()));
    f.add("properties", p.json());
    return f.json();
}

Json line_feature(const RunResults& r, const ObservationResult& o) {
    const StationResult* from = r.station(o.from);
    const StationResult* to = r.station(o.to);
    Members f(3);
    f.add("type", "Feature");
    if (placed(from) && placed(to))
        f.add("geometry", geometry("LineString", Json::array({position(*from), position(*to)})));
    else
        f.add("geometry", nullptr);
    Members p(9);
    p.add("feature", "observation");
    p.add("kind", kind_name(o.kind));
    p.add("number", o.number);
    p.add("from", from ? Json(from->number) : Json(nullptr));
    p.add("to", to ? Json(to->number) : Json(nullptr));
    p.add("residual", json_number(o.residual));
    p.add("standardised_residual", json_number(o.standardised_residual));
    p.add("redundancy_number", json_number(o.redundancy_number));
    f.add("properties", p.json());
    return f.json();
}

bool is_line(const ObservationResult& o) {
    return o.kind == ObservationKind::ZenithDistance || o.kind == ObservationKind::HeightDifference;
}

} // namespace

std::string results_geojson(const RunResults& r) {
    Json features = json_array(r.stations.size() + r.observations.size());
    for (const auto& s : r.stations) features.push_back(station_feature(s));
    for (const auto& o : r.observations)
        if (is_line(o)) features.push_back(line_feature(r, o));
    Members j(2);
    j.add("type", "FeatureCollection");
    j.add("features", std::move(features));
    return j.json().dump(1) + "\n";
}

} // namespace quarlo
