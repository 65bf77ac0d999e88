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

Json station_feature(const StationResult& s) {
    Json f = json_object(3);
    f["type"] = "Feature";
    if (placed(&s))
        f["geometry"] = Json{{"type", "Point"}, {"coordinates", position(s)}};
    else
        f["geometry"] = nullptr;
    Json p = json_object(11);
    p["feature"] = "station";
    add_station_identity(p, s);
    p["fixed"] = s.fixed;
    p["height"] = json_number(s.height);
    p["correction"] = json_number(s.correction);
    p["sd"] = json_number(s.sd);
    p["sd95"] = json_number(s.sd95());
    f["properties"] = std::move(p);
    return f;
}

Json line_feature(const RunResults& r, const ObservationResult& o) {
    const StationResult* from = r.station(o.from);
    const StationResult* to = r.station(o.to);
    Json f = json_object(3);
    f["type"] = "Feature";
    if (placed(from) && placed(to))
        f["geometry"] = Json{{"type", "LineString"}, {"coordinates", Json::array({position(*from), position(*to)})}};
    else
        f["geometry"] = nullptr;
    Json p = json_object(8);
    p["feature"] = "observation";
    p["kind"] = kind_name(o.kind);
    p["number"] = o.number;
    p["from"] = from ? Json(from->number) : Json(nullptr);
    p["to"] = to ? Json(to->number) : Json(nullptr);
    p["residual"] = json_number(o.residual);
    p["standardised_residual"] = json_number(o.standardised_residual);
    p["redundancy_number"] = json_number(o.redundancy_number);
    f["properties"] = std::move(p);
    return f;
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
    Json j;
    j["type"] = "FeatureCollection";
    j["features"] = std::move(features);
    return j.dump(1) + "\n";
}

} // namespace quarlo
