// The writer of the data and map outputs: RapidJSON's streaming writer,
// which writes each value as it is given and builds no tree, with the
// program's own rules for numbers and texts.
#pragma once

#include "core/run_results.h"
#include "export/text_output.h"

#include <rapidjson/writer.h>

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace quarlo {

// RapidJSON's writer, with a number given as its text copied in one piece.
class JsonTextWriter : public rapidjson::Writer<TextOutput> {
public:
    using rapidjson::Writer<TextOutput>::Writer;
    void number_text(const char* chars, std::size_t count) {
        Prefix(rapidjson::kNumberType);
        os_->append(std::string_view(chars, count));
        EndValue(true);
    }
};

class JsonWriter {
public:
    explicit JsonWriter(TextOutput& out) : writer_(out) {}

    void start_object() { writer_.StartObject(); }
    void end_object() { writer_.EndObject(); }
    void start_array() { writer_.StartArray(); }
    void end_array() { writer_.EndArray(); }
    void key(std::string_view name) { writer_.Key(name.data(), static_cast<rapidjson::SizeType>(name.size())); }

    void null() { writer_.Null(); }
    void boolean(bool value) { writer_.Bool(value); }
    void integer(int value) { writer_.Int(value); }
    // A value held in single precision is written as the shortest decimal
    // that reads back as the same single-precision value (50.123f as
    // 50.123), one held in double precision as the shortest that reads
    // back as the same double. Both keep a decimal point or an exponent, so
    // 600.0f is 600.0. Values that are not finite are null.
    void number(float value);
    void number(double value);
    template <typename T>
    void number(const std::optional<T>& value) {
        if (value)
            number(*value);
        else
            null();
    }
    // Text of the input (labels, names) as a string of valid UTF-8; an
    // absent one is null.
    void text(std::string_view bytes);
    void text_or_null(const std::optional<std::string>& bytes) {
        if (bytes)
            text(*bytes);
        else
            null();
    }
    // A string the program itself composed (plain ASCII).
    void word(std::string_view ascii) { writer_.String(ascii.data(), static_cast<rapidjson::SizeType>(ascii.size())); }

    // A member of the object being written: its name, then its value.
    template <typename T>
    void member(std::string_view name, const T& v) {
        key(name);
        put(v);
    }

private:
    template <typename T>
    void shortest(T value);
    void put(bool v) { boolean(v); }
    void put(int v) { integer(v); }
    void put(float v) { number(v); }
    void put(double v) { number(v); }
    template <typename T>
    void put(const std::optional<T>& v) { number(v); }
    void put(const char* ascii) { word(ascii); }

    JsonTextWriter writer_;
};

const char* kind_name(ObservationKind kind);

// The station fields that identify it: number, label (null in number
// mode) and name.
void write_station_identity(JsonWriter& j, const StationResult& s);

} // namespace quarlo
