#include "export/json_values.h"

#include "export/text.h"

#include <algorithm>
#include <charconv>
#include <cmath>

namespace quarlo {

template <typename T>
void JsonWriter::shortest(T value) {
    if (!std::isfinite(value)) {
        writer_.Null();
        return;
    }
    char text[40];
    char* end = std::to_chars(text, text + 32, value).ptr;
    if (std::none_of(text, end, [](char c) { return c == '.' || c == 'e'; })) {
        *end++ = '.';
        *end++ = '0';
    }
    writer_.number_text(text, static_cast<std::size_t>(end - text));
}

void JsonWriter::number(float value) { shortest(value); }
void JsonWriter::number(double value) { shortest(value); }

void JsonWriter::text(std::string_view bytes) {
    const std::string utf8 = valid_utf8(bytes);
    writer_.String(utf8.data(), static_cast<rapidjson::SizeType>(utf8.size()));
}

const char* kind_name(ObservationKind kind) {
    switch (kind) {
    case ObservationKind::ZenithDistance: return "zenith_distance";
    case ObservationKind::HeightDifference: return "height_difference";
    case ObservationKind::HeightObservation: return "height_observation";
    case ObservationKind::RefractionConstraint: return "refraction_constraint";
    }
    return "";
}

void write_station_identity(JsonWriter& j, const StationResult& s) {
    j.key("number");
    j.integer(s.number);
    j.key("label");
    j.text_or_null(s.label);
    j.key("name");
    j.text(s.name);
}

} // namespace quarlo
