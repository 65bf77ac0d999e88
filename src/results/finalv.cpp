// Adjusted values of one iteration: the corrections applied to the heights
// and refraction coefficients and listed, the station work file rewritten
// with the adjusted values, the misclosures of the height-observation and
// refraction constraints carried into the next iteration (units 14 and 15),
// and the adjusted station file.
#include "results/finalv.h"

#include "adjust/refraction_unknowns.h"
#include "adjust/station_file.h"
#include "core/run_files.h"
#include "core/records.h"
#include "geodesy/stnadd.h"
#include "pelmo_routines/stations.h"
#include "report/iocat3.h"
#include "report/print.h"
#include "results/zeniths_from.h"

#include <optional>


namespace quarlo {

namespace {

constexpr int kMisclosureRecordLength = 4;

struct Finalv {
    RunContext& ctx;
    bool station_file = false; // the adjusted station file is being written
    // Analysis options 0-3: the corrections are applied and listed. Above,
    // the solution vector is not a solved one: nothing is corrected or
    // listed, but the station work file and the misclosure records are
    // still written for the next iteration.
    bool listing = false;
    bool first = false;
    bool label = false;
    int option = 0;
    int zenith_count = 0;
    int zenith_base = 0;
    float sigma_k = 0.0f; // a-priori standard deviation of K
    std::optional<ZenithsFrom> zeniths; // by from-station, once the table is filled
    int height_records = 0;
    int refraction_records = 0;

    explicit Finalv(RunContext& c) : ctx(c) {}

    // Correction of unknown m from the solution vector (heights in metres,
    // refraction coefficients in units of 0.001).
    float correction(int m) const {
        if (!listing || m < 1 || m > ctx.numbrs.matrix_size) return 0.0f;
        return ctx.nearea.rhs(m);
    }

    void print(int spacing) {
        if (listing)
            opr00(ctx, spacing);
        else
            ctx.ioarea.prtlin.blank();
    }
};

void open_misclosure_file(RunContext& ctx, DirectFile& file, const std::string& name) {
    if (file.is_open()) return;
    if (!open_work_file(ctx, file, name, kMisclosureRecordLength))
        throw FatalStop(" Unable to open work file " + name, kExitRunTimeError);
}

// Record rec of a misclosure file holds minus the sum of the corrections
// applied so far; it starts from 0 in the first iteration.
void carry_misclosure(DirectFile& file, int rec, float correction, bool first) {
    Record r(kMisclosureRecordLength);
    float value = 0.0f;
    if (!first) {
        file.read(rec, r);
        value = r.f32(0);
    }
    r.set_f32(0, value - correction);
    file.write(rec, r);
}

void fill_from_stations(Finalv& f) {
    for (int s = 1; s <= f.zenith_count; ++s) {
        ZenithRecord z = read_zenith(f.ctx.files.unit9, f.zenith_base + s);
        f.ctx.frmstn.from_station(s) = static_cast<std::int16_t>(z.from % 1000);
    }
}

void station_fields(Finalv& f, const EqnStationRecord& e) {
    RunContext& ctx = f.ctx;
    if (f.label) {
        getlab(ctx, e.number, 1);
        ioc11(ctx, e.name.view(), 15, 20);
    } else {
        ioc03(ctx, e.number, 1, 3, 0);
        ioc11(ctx, e.name.view(), 7, 20);
        if (e.pillar != 0) pillar(ctx, 7);
        ioc03(ctx, e.registration, 31, 4, -1);
    }
}

// Provisional value, correction, adjusted value and (first iteration) the
// correction standardised by the a-priori standard deviation of K.
void refraction_fields(Finalv& f, float k, float delta) {
    RunContext& ctx = f.ctx;
    ioc05(ctx, k, 82, 9, 4);
    ioc05(ctx, delta, 95, 9, 4);
    ioc05(ctx, k + delta, 107, 9, 4);
    if (f.first && f.sigma_k > 0.0f) ioc05(ctx, delta / (f.sigma_k / 1000.0f), 120, 6, 3);
}

// The network refraction coefficient (refraction option 0), listed on the
// first station's line.
void network_coefficient(Finalv& f) {
    RunContext& ctx = f.ctx;
    float k0 = ctx.rec01.default_refraction;
    float delta = f.correction(network_refraction_unknown(ctx)) / 1000.0f;
    refraction_fields(f, k0, delta);
    ctx.rec01.default_refraction = k0 + delta;
    carry_misclosure(ctx.files.unit15, ++f.refraction_records, delta * 1000.0f, f.first);
    f.print(2);
}

// The zenith distances observed from the station: their coefficients
// corrected, listed and written back. Returns whether a line was printed.
bool station_coefficients(Finalv& f, const EqnStationRecord& e, int c) {
    RunContext& ctx = f.ctx;
    bool printed = false;
    bool have_k = false;
    float station_k = 0.0f; // the station's (option 1) or set's (option 2) adjusted K
    for (int s : f.zeniths->of(e.number)) {
        int rec = f.zenith_base + s;
        ZenithRecord z = read_zenith(ctx.files.unit9, rec);
        if (f.option == 0) {
            z.k = ctx.rec01.default_refraction;
        } else if (carries_refraction_unknown(z, f.option)) {
            // Option 1 carries one coefficient per station.
            if (f.option != 1 || !have_k) {
                ++c;
                float delta = f.correction(e.first_unknown + c) / 1000.0f;
                refraction_fields(f, z.k, delta);
                if (f.option == 3) ioc03(ctx, s, 128, 4, 0);
                carry_misclosure(ctx.files.unit15, ++f.refraction_records, delta * 1000.0f, f.first);
                station_k = z.k + delta;
                have_k = true;
                if (f.option != 1) {
                    f.print(2);
                    printed = true;
                }
            }
            z.k = station_k;
        } else if (f.option != 3 && have_k) {
            // The rest of a refraction set (option 2), or an observation
            // sharing the station's coefficient (option 1). One met before
            // any coefficient of the station keeps its own.
            z.k = station_k;
        }
        if (f.listing) write_zenith(ctx.files.unit9, rec, z);
    }
    return printed;
}

void adjust_station(Finalv& f, int i) {
    RunContext& ctx = f.ctx;
    EqnStationRecord e = read_eqn_station(ctx.files.unit1, i);
    station_fields(f, e);

    float height = e.height;
    int c = 0;
    if (e.status == kHeightGiven) {
        float correction = f.correction(e.first_unknown);
        height = e.height + correction;
        ioc05(ctx, e.height, 39, 9, 3);
        ioc05(ctx, correction, 53, 8, 3);
        ioc05(ctx, height, 66, 9, 3);
        if (ctx.numbrs.number_of_height_observations != 0 && e.height_sd != 0.0f)
            carry_misclosure(ctx.files.unit14, ++f.height_records, correction, f.first);
    } else {
        ioc11(ctx, "FIXED STATION", 39);
        ioc05(ctx, height, 66, 9, 3);
        c = -1;
    }

    StationRecord st = station_record(e);
    st.height = height;
    write_station(ctx.files.unit9, i, st);

    // A warning about the station's file line follows its report lines.
    StationFileEntry entry;
    std::string blanked;
    if (f.station_file) {
        entry = station_file_entry(ctx, st, f.label);
        ctx.files.unit16.write_line(station_file_line(entry, f.label, &blanked).view());
    }

    bool printed = false;
    if (f.zenith_count > 0) {
        if (f.option == 0 && i == 1) {
            network_coefficient(f);
            printed = true;
        }
        if (station_coefficients(f, e, c)) printed = true;
    }
    if (!printed) f.print(2);
    report_blanked_fields(ctx, entry, f.label, blanked);
}

} // namespace

void finalv(RunContext& ctx) {
    Finalv f(ctx);
    f.listing = ctx.option.run_status < 5;
    f.first = ctx.rec01.pass_countdown == ctx.rec01.iteration_total;
    f.label = ctx.rec01.label_mode != 0;
    f.option = ctx.option.refraction_option;
    f.zenith_count = ctx.numbrs.number_of_zenith_distances;
    f.zenith_base = ctx.numbrs.number_of_stations + ctx.numbrs.rejected_station_count;
    f.sigma_k = ctx.rec01.refraction_standard_deviation;

    open_misclosure_file(ctx, ctx.files.unit14, ctx.files.unit14_name);
    open_misclosure_file(ctx, ctx.files.unit15, ctx.files.unit15_name);
    fill_from_stations(f);
    f.zeniths.emplace(ctx, f.zenith_count);

    // The adjusted station file holds the values of the last iteration.
    if (f.listing && ctx.option.station_file_option != 0 && ctx.rec01.iterations_left == 0) {
        int error = 0;
        f.station_file = ctx.files.unit16.open(station_file_name(ctx), SeqFile::Mode::Staged, &error);
        if (!f.station_file) report_station_file_not_opened(ctx, error);
    }
    try {
        for (int i = 1; i <= ctx.numbrs.number_of_stations; ++i) adjust_station(f, i);
    } catch (...) {
        ctx.files.unit16.close();
        throw;
    }
    if (f.station_file) {
        // Complete; it replaces the old file once the run has succeeded.
        ctx.files.unit16.finish();
        ctx.summary.wrote(ctx.files.unit16.path());
    }
}

} // namespace quarlo
