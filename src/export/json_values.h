// Values of the results model as JSON values, shared by the JSON and GeoJSON
// writers.
#pragma once

#include "core/run_results.h"

#include <nlohmann/json.hpp>

#include <optional>
#include <string_view>

namespace quarlo {

using Json = nlohmann::ordered_json;

// A value held in single precision: the shortest decimal that reads back as
// the same single-precision value, so 50.123f is written 50.123. Values
// that are not finite are null.
Json json_number(float value);
Json json_number(double value);
template <typename T>
Json json_number(const std::optional<T>& value) {
    return value ? json_number(*value) : Json(nullptr);
}

// An object built member by member, in order, with room for `room`
// members from the start: the names are the writers' own and distinct, so
// none is looked for before it is added.
class Members {
public:
    explicit Members(std::size_t room = 8) { members_.reserve(room); }
    Members& add(const char* name, Json value) {
        members_.emplace_back(name, std::move(value));
        return *this;
    }
    Json json() { return Json(std::move(members_)); }

private:
    Json::object_t members_;
};

// An empty array with room for its elements.
Json json_array(std::size_t elements);

// Text of the input (labels, names) as a JSON string of valid UTF-8.
Json json_text(std::string_view bytes);

const char* kind_name(ObservationKind kind);

// The station fields that identify it: number, label (null in number
// mode) and name.
void add_station_identity(Members& j, const StationResult& s);

} // namespace quarlo
