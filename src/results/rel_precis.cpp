// Relative height analysis: the 95% standard deviation of the height
// difference along every observed line, graded against its length.
#include "core/records.h"
#include "geodesy/stnadd.h"
#include "pelmo_routines/blockstore.h"
#include "pelmo_routines/stations.h"
#include "report/iocat3.h"
#include "report/print.h"
#include "results/precis.h"
#include "results/precision.h"

#include <cmath>

namespace quarlo {

namespace {

constexpr double kMinDistance = 0.001;

struct StationColumns {
    int number;  // number mode
    int label;   // label mode
    int fixed_mark_number;
    int fixed_mark_label;
    int name_number;
    int name_label;
};

constexpr StationColumns kFrom{6, 8, 9, 7, 14, 22};
constexpr StationColumns kTo{39, 45, 42, 44, 47, 59};

void station_fields(RunContext& ctx, const EqnStationRecord& st, const StationColumns& cols) {
    const bool label = ctx.rec01.label_mode != 0;
    const bool fixed = st.status == kFixed;
    int name_col = label ? cols.name_label : cols.name_number;
    if (label) {
        getlab(ctx, st.number, cols.label);
        if (fixed) ioc11(ctx, "*", cols.fixed_mark_label);
    } else {
        ioc03(ctx, st.number, cols.number, 3, 0);
        if (fixed) ioc11(ctx, "*", cols.fixed_mark_number);
    }
    ioc11(ctx, st.name.view(), name_col, 20);
    if (st.pillar == 1 || st.pillar == -1) pillar(ctx, name_col);
}

// The class of a 95% standard deviation per kilometre (plus 0.2 km), at the
// column of its class.
void class_text(RunContext& ctx, float q) {
    struct Grade {
        float bound;
        const char* text;
        int col;
    };
    static constexpr Grade kGrades[] = {{2.0f, "3A", 118},  {5.9f, "2A", 120},  {14.7f, "A ", 122},
                                        {29.4f, "B ", 123}, {58.8f, "C ", 124}, {98.0f, "D ", 125},
                                        {196.0f, "E ", 126}};
    for (const Grade& g : kGrades) {
        if (q <= g.bound) {
            ioc11(ctx, g.text, g.col);
            return;
        }
    }
    ioc11(ctx, "**", 127);
}

} // namespace

void rel_precis(RunContext& ctx) {
    rel_precis(ctx, [&ctx](int m) { return inverse_element(ctx, m, m); });
}

void rel_precis(RunContext& ctx, const InverseDiagonal& q) {
    const float factor = variance_factor_used(ctx);
    const int stations = ctx.numbrs.number_of_stations;
    const int observations = ctx.numbrs.number_of_zenith_distances + ctx.numbrs.number_of_height_differences;
    const EqnStations station_records(ctx.files.unit1, stations);
    for (int k = 1; k <= observations; ++k) {
        EquationRecord eq = read_equation(ctx.files.unit1, 1000 + k);
        if (eq.from_position < 1 || eq.from_position > stations || eq.to_position < 1 || eq.to_position > stations)
            continue;
        const EqnStationRecord a = station_records(eq.from_position);
        const EqnStationRecord b = station_records(eq.to_position);
        if (a.status == kFixed && b.status == kFixed) continue;

        // Stations without co-ordinates give no plane distance; a distance
        // of the observation itself takes precedence.
        double d = 0.0;
        if (a.coordinates_flag != 0 && b.coordinates_flag != 0)
            d = std::sqrt((a.easting - b.easting) * (a.easting - b.easting) +
                          (a.northing - b.northing) * (a.northing - b.northing));
        if (eq.distance > kMinDistance) d = eq.distance;

        station_fields(ctx, a, kFrom);
        station_fields(ctx, b, kTo);
        // In label mode the distance stands over the end of B's name.
        if (d >= kMinDistance) ioc05(ctx, d, 74, 10, 3);

        float sa = a.status != kFixed ? standard_deviation(q, a.first_unknown, factor) : 0.0f;
        float sb = b.status != kFixed ? standard_deviation(q, b.first_unknown, factor) : 0.0f;
        float s95 = 1.96f * std::sqrt(sa * sa + sb * sb);
        ioc05(ctx, s95, 96, 7, 3);
        if (d >= kMinDistance) class_text(ctx, static_cast<float>((1000.0 * s95) / (d / 1000.0 + 0.2)));
        opr00(ctx, 2);
    }
}

} // namespace quarlo
