// <job>.geojson (RFC 7946): the stations as points with their adjusted
// heights and precisions, the observed lines with their residuals, in WGS84
// longitude and latitude. A station without coordinates, and a line at
// such a station, is a feature without a place (geometry null).
#include "export/exports.h"
#include "export/json_values.h"

namespace quarlo {

namespace {

bool placed(const StationResult* s) { return s && s->longitude && s->latitude; }

void write_position(JsonWriter& j, const StationResult& s) {
    j.start_array();
    j.number(*s.longitude);
    j.number(*s.latitude);
    j.end_array();
}

// "type" and "geometry" of a feature at the given stations: a Point at one,
// a LineString between two, null when any of them has no place.
void write_geometry(JsonWriter& j, const StationResult* from, const StationResult* to) {
    j.member("type", "Feature");
    j.key("geometry");
    if (!placed(from) || (to && !placed(to))) {
        j.null();
        return;
    }
    j.start_object();
    j.member("type", to ? "LineString" : "Point");
    j.key("coordinates");
    if (to) {
        j.start_array();
        write_position(j, *from);
        write_position(j, *to);
        j.end_array();
    } else {
        write_position(j, *from);
    }
    j.end_object();
}

void write_station(JsonWriter& j, const StationResult& s) {
    j.start_object();
    write_geometry(j, &s, nullptr);
    j.key("properties");
    j.start_object();
    j.member("feature", "station");
    write_station_identity(j, s);
    j.member("fixed", s.fixed);
    j.member("height", s.height);
    j.member("correction", s.correction);
    j.member("sd", s.sd);
    j.member("sd95", s.sd95());
    j.end_object();
    j.end_object();
}

void write_line(JsonWriter& j, const RunResults& r, const ObservationResult& o) {
    const StationResult* from = r.station(o.from);
    const StationResult* to = r.station(o.to);
    j.start_object();
    if (from && to)
        write_geometry(j, from, to);
    else
        write_geometry(j, nullptr, nullptr);
    j.key("properties");
    j.start_object();
    j.member("feature", "observation");
    j.member("kind", kind_name(o.kind));
    j.member("number", o.number);
    j.key("from");
    if (from)
        j.integer(from->number);
    else
        j.null();
    j.key("to");
    if (to)
        j.integer(to->number);
    else
        j.null();
    j.member("residual", o.residual);
    j.member("standardised_residual", o.standardised_residual);
    j.member("redundancy_number", o.redundancy_number());
    j.member("normalised_residual", o.normalised_residual());
    j.end_object();
    j.end_object();
}

bool is_line(const ObservationResult& o) {
    return o.kind == ObservationKind::ZenithDistance || o.kind == ObservationKind::HeightDifference;
}

} // namespace

void write_geojson(const RunResults& r, TextOutput& out) {
    JsonWriter j(out);
    j.start_object();
    j.member("type", "FeatureCollection");
    j.key("features");
    j.start_array();
    for (const auto& s : r.stations) write_station(j, s);
    for (const auto& o : r.observations)
        if (is_line(o)) write_line(j, r, o);
    j.end_array();
    j.end_object();
    out.Put('\n');
}

} // namespace quarlo
