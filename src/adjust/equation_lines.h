// The listing lines of the observation equations: one per zenith distance
// and per height difference, in station-number or label form.
#pragma once

#include "core/context.h"
#include "core/records.h"

#include <string_view>

namespace quarlo {

// Print column of the messages of the stage.
constexpr int kEquationMessageColumn = 40;

// Everything worked out for one zenith distance, as its line shows it.
struct ZenithLine {
    int sequence = 0;
    ZenithRecord z;
    bool reciprocal = false; // the "S" marker
    double z_reduced = 0.0;  // radians
    double d = 0.0;          // distance used
    char marker = ' ';       // "E": the distance is on the ellipsoid
    double azimuth = 0.0;    // degrees
    double computed = 0.0;   // radians
    float misclosure = 0.0f; // seconds
    double sigma = 0.0;      // seconds
};

// Everything worked out for one height difference.
struct HeightLine {
    int sequence = 0;
    HeightDiffRecord h;
    bool found = false; // both stations take part
    bool coordinate_difference = false;
    double dh = 0.0;
    double dhr = 0.0;
    double computed = 0.0;
    float misclosure = 0.0f;
    float weight = 0.0f;
};

// Sequence number, stations and reciprocal marker into the print line: all
// that a zenith distance in error shows. The caller prints it.
void zenith_short_line(RunContext& ctx, const ZenithLine& l);
// The whole line of a zenith distance, printed.
void zenith_line(RunContext& ctx, const ZenithLine& l);
// The line of a height difference, printed; without the stations' values
// when they take no part.
void height_line(RunContext& ctx, const HeightLine& l);
// A message of the stage on its own line at the column of the coded ones.
void equation_message(RunContext& ctx, std::string_view text);

} // namespace quarlo
