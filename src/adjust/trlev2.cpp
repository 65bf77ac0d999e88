// Iteration set-up: which stations take part, the numbering of the unknowns,
// geoid separations and ellipsoidal heights, the numbered station records of
// the equation work file, the list of stations and the stage-1 station file.
#include "adjust/trlev2.h"

#include "adjust/refraction_unknowns.h"
#include "adjust/station_file.h"
#include "core/run_files.h"
#include "core/records.h"
#include "geodesy/geoid.h"
#include "geodesy/stnadd.h"
#include "pelmo_routines/stations.h"
#include "report/iocat3.h"
#include "report/print.h"

#include <cmath>
#include <cstdlib>
#include <vector>

namespace quarlo {

namespace {

constexpr float kMarkedBelow = -1000.0f;
constexpr float kEllipsoidalMarker = 5000.0f;
constexpr float kNoSeparation = 0.001f;

struct Setup {
    RunContext& ctx;
    bool first = false;
    bool label = false;
    bool write_station_file = false;
    bool station_file_open = false;
    bool geoid_file_usable = false;
    int kept = 0;
    int working_count = 0;
    // Station numbers named by the observations (occupied stations without
    // their set-up digit).
    std::vector<char> observed = std::vector<char>(1000, 0);

    bool is_observed(int number) const {
        if (number >= 0 && number < 1000) return observed[static_cast<std::size_t>(number)] != 0;
        const auto& a = ctx.arrays;
        for (int k = 1; k <= ctx.numbrs.number_of_observations; ++k)
            if (a.observation_from(k) % 1000 == number || a.observation_to(k) == number) return true;
        return false;
    }
};

void open_files(Setup& s) {
    RunContext& ctx = s.ctx;
    if (s.write_station_file) {
        // It replaces a file of its name once the run has succeeded.
        int error = 0;
        s.station_file_open = ctx.files.unit16.open(station_file_name(ctx), SeqFile::Mode::Staged, &error);
        if (!s.station_file_open) report_station_file_not_opened(ctx, error);
    }
    if (ctx.option.geoid_model_option != 0 && s.label) {
        std::string path;
        int len = 0, found = 0;
        datpath(path, len, found);
        std::string name = (found != 0 ? path : std::string()) + "geoid.dat";
        s.geoid_file_usable = ctx.files.unit20.open(name, SeqFile::Mode::Old);
    }
}

// `complete`: the pass listed every station, and the station file is
// finished; otherwise it is given up.
void close_files(Setup& s, bool complete) {
    if (s.station_file_open && complete) {
        s.ctx.files.unit16.finish();
        s.ctx.summary.wrote(s.ctx.files.unit16.path());
    } else if (s.station_file_open) {
        s.ctx.files.unit16.close();
    }
    // The geoid file is the user's: it is closed, never deleted with the
    // scratch files of unit 20.
    if (s.geoid_file_usable) s.ctx.files.unit20.close();
}

void load_observation_stations(Setup& s) {
    RunContext& ctx = s.ctx;
    auto& a = ctx.arrays;
    int base = ctx.numbrs.number_of_stations + ctx.numbrs.rejected_station_count;
    Record rec(kObsRecordLength);
    for (int k = 1; k <= ctx.numbrs.number_of_observations; ++k) {
        ctx.files.unit9.read(base + k, rec);
        int from = rec.i32(0), to = rec.i32(4);
        a.observation_from(k) = static_cast<std::int16_t>(from);
        a.observation_to(k) = static_cast<std::int16_t>(to);
        int occupied = from % 1000;
        if (occupied >= 0 && occupied < 1000) s.observed[static_cast<std::size_t>(occupied)] = 1;
        if (to >= 0 && to < 1000) s.observed[static_cast<std::size_t>(to)] = 1;
    }
}

// First iteration: the new height status of a station, or -1 to keep it.
int check_station(Setup& s, const StationRecord& st) {
    if (st.status == kNoHeight || st.status == kRedefinition) return st.status;
    if (ifind(st.number, s.ctx.stnfst.station_number, s.kept) != 0) return kNumberUsed;
    if (st.status == kFixed || s.is_observed(st.number) || st.height_sd > 0.0f) return -1;
    return kNotObserved;
}

// Why the station list shows a station as omitted, and the column the
// reason stands at.
struct Omission {
    std::string_view reason;
    int col;
};
Omission omission(int status) {
    switch (status) {
    case kNoHeight: return {"UNABLE TO COMPUTE HEIGHT", 66};
    case kNotObserved: return {"STATION NOT FOUND IN AN OBSERVATION", 53};
    case kNumberUsed: return {"STATION NUMBER HAS ALREADY BEEN USED", 53};
    case kRedefinition: return {"REPEATED LABEL WITH DIFFERENT STATION DATA", 53};
    default: return {{}, 0};
    }
}

// A station record left out of the adjustment, said at its line, with the
// first line of another record of the same station when there is one.
void report_omitted(Setup& s, int record, const StationRecord& st) {
    RunContext& ctx = s.ctx;
    ctx.diag.dropped();
    ctx.diag.message(ctx.diag.station(record), [&] {
        std::string text = "station " + station_in_message(ctx, st.number) + " OMITTED: ";
        text += omission(st.status).reason;
        const SourceLine own = ctx.diag.station(record);
        int other_line = 0;
        for (const StationSource& other : ctx.diag.stations)
            if (other.number == st.number && other.at.known() && other.at.line != own.line &&
                (other_line == 0 || other.at.line < other_line))
                other_line = other.at.line;
        if (other_line != 0) text += " (also defined at line " + std::to_string(other_line) + ")";
        return text;
    });
}

void station_pass(Setup& s) {
    RunContext& ctx = s.ctx;
    auto& t = ctx.stnfst;
    s.working_count = ctx.numbrs.number_of_stations;
    s.kept = 0;
    for (int i = 1; i <= ctx.numbrs.number_of_stations; ++i) {
        StationRecord st = read_station(ctx.files.unit9, i);
        bool keep = true;
        if (s.first) {
            int status = check_station(s, st);
            if (status >= 0) {
                keep = false;
                st.status = status;
                report_omitted(s, i, st);
            }
        }
        if (keep) {
            ++s.kept;
            if (s.first) {
                ++ctx.summary.stations;
                if (st.status == kFixed) ++ctx.summary.fixed_stations;
            }
            t.station_number(s.kept) = static_cast<std::int16_t>(st.number);
            t.refraction_register(s.kept) = static_cast<std::int16_t>(st.status == kNotObserved ? 0 : st.status);
        } else {
            --s.working_count;
        }
        write_station(ctx.files.unit1, i, st);
    }
}

// Adds the refraction coefficients each station carries to its count of
// unknowns.
void count_refraction_unknowns(Setup& s) {
    RunContext& ctx = s.ctx;
    const int option = ctx.option.refraction_option;
    const int nz = ctx.numbrs.number_of_zenith_distances;
    if (option == 0 || nz == 0) return;
    auto& reg = ctx.stnfst.refraction_register;
    int base = ctx.numbrs.number_of_stations + ctx.numbrs.rejected_station_count;
    const StationPositions positions(ctx.stnfst.station_number, s.kept);
    for (int k = 1; k <= nz; ++k) {
        ZenithRecord z = read_zenith(ctx.files.unit9, base + k);
        if (!carries_refraction_unknown(z, option)) continue;
        int p = positions.find(z.from % 1000);
        if (p == 0 || reg(p) < 0) continue;
        reg(p) = static_cast<std::int16_t>(reg(p) + 1);
        if (option == 1) reg(p) = static_cast<std::int16_t>(-reg(p));
    }
    for (int p = 1; p <= s.kept; ++p) reg(p) = static_cast<std::int16_t>(std::abs(reg(p)));
}

// Geoid separation of a station in use: from its record, the geoid file, or
// the model. Places it (or "NOT FOUND") in the print line.
void geoid_separation(Setup& s, StationRecord& st) {
    RunContext& ctx = s.ctx;
    if (ctx.option.geoid_model_option == 0 || st.coordinates_flag == 0) return;
    if (s.geoid_file_usable && s.label && std::fabs(st.geoid) < kNoSeparation) {
        int found = 0;
        float n = 0.0f, v2 = 0.0f, v3 = 0.0f;
        tgeoidfile(ctx, found, st.number, n, v2, v3);
        st.geoid = n;
    }
    bool model_found = true;
    if (std::fabs(st.geoid) < kNoSeparation) {
        int ok = 0;
        float n = 0.0f;
        tgesepa(ctx, st.easting, st.northing, n, ok);
        st.geoid = n;
        model_found = ok != 0;
    }
    ioc05(ctx, st.geoid, 125, 7, 3);
    if (!model_found) ioc11(ctx, "NOT FOUND", 124);
}

void list_station(Setup& s, const StationRecord& st) {
    RunContext& ctx = s.ctx;
    if (s.label) {
        ioc03(ctx, st.number, 1, 3, 0);
        getlab(ctx, st.number, 9);
    } else {
        ioc03(ctx, st.number, 17, 3, 0);
    }
    ioc11(ctx, st.name.view(), 30, 20);
    if (st.pillar != 0) pillar(ctx, 30);
    ioc03(ctx, st.registration, 54, 5, -1);
    if (st.easting != 0.0) {
        ioc05(ctx, st.easting, 65, 11, 3);
        ioc05(ctx, st.northing, 82, 11, 3);
    }
    if (st.status != kNoHeight) ioc05(ctx, st.height, 98, 8, 3);
    if (st.height_sd > 0.0f) ioc05(ctx, st.height_sd, 112, 6, 3);
    if (st.status == kFixed) ioc11(ctx, "FIXED", 111);
    if (st.status >= kNoHeight) {
        ioc11(ctx, "*** OMITTED ***", 111);
        Omission o = omission(st.status);
        ioc11(ctx, o.reason, o.col);
    }
    opr00(ctx, 2);
}

void write_station_file_line(Setup& s, const StationRecord& st) {
    StationFileEntry e = station_file_entry(s.ctx, st, s.label);
    std::string blanked;
    s.ctx.files.unit16.write_line(station_file_line(e, s.label, &blanked).view());
    report_blanked_fields(s.ctx, e, s.label, blanked);
}

void listing_pass(Setup& s) {
    RunContext& ctx = s.ctx;
    auto& numbrs = ctx.numbrs;
    auto& reg = ctx.stnfst.refraction_register;
    numbrs.matrix_size = 0;
    int next = 1;
    int kept = 0;
    for (int i = 1; i <= numbrs.number_of_stations; ++i) {
        StationRecord st = read_station(ctx.files.unit1, i);
        if (st.status == kFixed || st.status == kHeightGiven) {
            ++kept;
            int c = reg(kept);
            int unknown = c == 0 ? 0 : next;
            numbrs.matrix_size += c;
            reg(kept) = static_cast<std::int16_t>(st.status == kFixed ? unknown - 1 : unknown);
            geoid_separation(s, st);
            if (st.height < kMarkedBelow) st.height = st.height + kEllipsoidalMarker - st.geoid;

            EqnStationRecord b;
            b.status = st.status;
            b.easting = st.easting;
            b.northing = st.northing;
            b.first_unknown = unknown;
            b.number = st.number;
            b.name = st.name;
            b.height = st.height;
            b.registration = st.registration;
            b.height_sd = st.height_sd;
            b.pillar = st.pillar;
            b.coordinates_flag = st.coordinates_flag;
            b.geoid = st.geoid;
            write_eqn_station(ctx.files.unit1, kept, b);
            next = numbrs.matrix_size + 1;
        }
        list_station(s, st);
        if (s.station_file_open) write_station_file_line(s, st);
    }
}

} // namespace

void trlev2(RunContext& ctx) {
    auto& numbrs = ctx.numbrs;
    Setup s{ctx};
    s.first = ctx.rec01.pass_countdown == ctx.rec01.iteration_total;
    s.label = ctx.rec01.label_mode != 0;
    s.write_station_file = ctx.option.station_file_option != 0 && ctx.rec01.required_stage == 1;

    ctx.ioarea.lnleft = 0;
    set03(ctx, "TLHED1", 1);
    open_files(s);
    try {
        if (s.first) load_observation_stations(s);
        station_pass(s);
        count_refraction_unknowns(s);
        listing_pass(s);
    } catch (...) {
        close_files(s, false);
        throw;
    }
    close_files(s, true);

    // The network refraction coefficient is an unknown only when there are
    // zenith distances to carry it.
    if (ctx.option.refraction_option == 0 && numbrs.number_of_zenith_distances > 0) numbrs.matrix_size += 1;
    if (ctx.option.rotation_option > 0) numbrs.matrix_size += 2;

    if (s.first) {
        if (s.working_count != numbrs.number_of_stations) {
            numbrs.rejected_station_count = numbrs.number_of_stations - s.working_count;
            numbrs.number_of_stations = s.working_count;
        } else {
            numbrs.rejected_station_count = 0;
        }
    }
}

} // namespace quarlo
