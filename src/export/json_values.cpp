#include "export/json_values.h"

#include "export/text.h"

#include <charconv>
#include <cmath>

namespace quarlo {

Json json_number(float value) {
    if (!std::isfinite(value)) return Json(nullptr);
    char text[32];
    auto written = std::to_chars(text, text + sizeof text, value);
    double decimal = 0.0;
    std::from_chars(text, written.ptr, decimal);
    return Json(decimal);
}

Json json_number(double value) { return std::isfinite(value) ? Json(value) : Json(nullptr); }

Json json_array(std::size_t elements) {
    Json j = Json::array();
    j.get_ref<Json::array_t&>().reserve(elements);
    return j;
}

Json json_text(std::string_view bytes) { return Json(valid_utf8(bytes)); }

const char* kind_name(ObservationKind kind) {
    switch (kind) {
    case ObservationKind::ZenithDistance: return "zenith_distance";
    case ObservationKind::HeightDifference: return "height_difference";
    case ObservationKind::HeightObservation: return "height_observation";
    case ObservationKind::RefractionConstraint: return "refraction_constraint";
    }
    return "";
}

void add_station_identity(Members& j, const StationResult& s) {
    j.add("number", s.number);
    j.add("label", s.label ? json_text(*s.label) : Json(nullptr));
    j.add("name", json_text(s.name));
}

} // namespace quarlo
