#include "input/trlev1.h"

#include "core/run_files.h"
#include "core/records.h"
#include "geodesy/stnadd.h"
#include "report/iocat3.h"
#include "report/print.h"

#include <array>
#include <string_view>

namespace quarlo {

namespace {

constexpr std::array<std::string_view, 13> kErrorMessages = {
    "*** ERROR IN OBSERVED ZENITH DISTANCE ***",
    "*** STATIONS HAVE THE SAME CO-ORDINATES ***",
    "*** (C-O) VALUE TOO LARGE ***",
    "*** NO ECCENTRIC DATA ON FILE FOR OCCUPIED STATION **",
    "*** OCCUPIED ECCENTRIC HEIGHT NOT AVAILABLE ***",
    "*** NO ECCENTRIC DATA ON FILE FOR OBSERVED STATION **",
    "*** OBSERVED ECCENTRIC HEIGHT NOT AVAILABLE ***",
    "*** DISTANCE BETWEEN STATIONS NOT SUPPLIED ***",
    "*** RECIPROCAL OBSERVATION NOT INCLUDED - \"S\" IGNORED  ***",
    "*** OCCUPIED STATION NOT FOUND ***",
    "*** OBSERVED STATION NOT FOUND ***",
    "*** COORDINATES NOT ENTERED FOR COORDINATE DIFFERENCE DATA ***",
    "*** ERROR IN RECORD TYPE OR RECORD OUT OF ORDER ***",
};

constexpr int kMessageColumn = 40;
constexpr int kRecordColumn = 27;

// Values carried from one record to the next while the input is read.
struct Carried {
    float zenith_sd = 10.0f;        // seconds
    float height_diff_sd = 0.1f;    // metres
    float coord_diff_sd = 0.05f;    // metres
    float height_diff_ih = 0.0f;    // instrument height of the levelling
    std::int32_t previous_to = 0;   // to-station of the last zenith distance
    double previous_distance = 0.0; // distance of the last zenith distance
    char previous_distance_type = ' ';
    std::int32_t setup_station = 0; // occupied station of the current set-up
    std::int32_t setup_digit = 0;
    float setup_ih = 0.0f;          // instrument height of the current set-up
    bool eccentric_seen = false;
    std::int32_t coord_diffs = 0;   // records written to quarlo11.wrk
};

char card(const RunContext& ctx, int col) { return ctx.ioarea.card(col); }

float real32(RunContext& ctx, int col, int width) { return static_cast<float>(eio00(ctx, col, width)); }

bool fixed_code(char c) { return c == '-' || c == '*'; }

int next_record(RunContext& ctx) { return ctx.numbrs.next_record_number++; }

// The input record at print column 27, then a message of this stage.
void print_record_and_message(RunContext& ctx, std::string_view message) {
    ioc01(ctx, 1, kRecordColumn, 80);
    opr00(ctx, 3);
    ioc11(ctx, message, kMessageColumn);
    opr00(ctx, 2);
}

// Type 10 (grid), 18 (grid with a registration number) and 11 (geographic).
void read_station_record(RunContext& ctx, int code) {
    auto& nb = ctx.numbrs;
    auto& io = ctx.ioarea;
    ++nb.number_of_stations;

    StationRecord s;
    s.number = jio01(ctx, 4, 3);
    bool redefinition = false;
    if (card(ctx, 7) == '#') {
        io.card(7) = ' ';
        redefinition = true;
    }

    if (code == 11) {
        // Latitudes are south unless the degrees carry "+" or a digit.
        if (card(ctx, 8) == ' ' || card(ctx, 8) == 'S') io.card(8) = '-';
        double latitude = esu05(ctx, 8, 13);
        bool usable = io.field_status >= 0;
        double longitude = esu05(ctx, 22, 13);
        usable = usable && io.field_status >= 0;
        if (card(ctx, 21) == '-') longitude = -longitude;
        ctx.names.station_name.set(io.card.sub(36, 20));
        s.registration = 0;
        if (geographic_to_grid(ctx, usable, latitude, longitude, s.easting, s.northing)) {
            s.coordinates_flag = 1;
        } else {
            // Without a map zone (or with an unreadable angle) the position
            // cannot be put on the grid: the station has no co-ordinates.
            s.coordinates_flag = 0;
            print_record_and_message(ctx, usable ? "*** NO MAP ZONE - GEOGRAPHIC CO-ORDINATES NOT USED ***"
                                                 : "*** GEOGRAPHIC CO-ORDINATES NOT READABLE ***");
        }
    } else {
        s.easting = eio00(ctx, 8, 11);
        s.coordinates_flag = io.field_status == 0 ? 0 : 1;
        s.northing = eio00(ctx, 19, 11);
        ctx.names.station_name.set(io.card.sub(31, 20));
        s.registration = jio01(ctx, 52, 5);
    }
    s.name = ctx.names.station_name;

    s.height = real32(ctx, 59, 8);
    s.status = io.field_status == 0 ? kNoHeight : kHeightGiven;
    if (ctx.option.geoid_model_option == 0 && card(ctx, 58) == 'E') s.height -= 5000.0f;

    if (fixed_code(card(ctx, 7)) || fixed_code(card(ctx, 67))) {
        s.status = kFixed;
        ++nb.number_of_fixed_stations;
    } else {
        s.height_sd = real32(ctx, 69, 5);
        if (s.height_sd != 0.0f) ++nb.number_of_height_observations;
    }

    if (ctx.rec01.label_mode == 1 && ctx.option.geoid_model_option == 1 && s.number >= 1 &&
        s.number <= kMaxKeywordStations && ctx.files.unit18.is_open()) {
        float geoid = 0.0f;
        read_label(ctx.files.unit18, s.number, &geoid);
        s.geoid = geoid;
    }

    if (redefinition) s.status = kRedefinition;

    write_station(ctx.files.unit9, next_record(ctx), s);
    if (s.status == kNoHeight) ctx.option.provisional_heights_required = 1;
}

// Type 23: a zenith distance or vertical angle.
void read_zenith_record(RunContext& ctx, Carried& c) {
    auto& nb = ctx.numbrs;
    auto& io = ctx.ioarea;
    ++nb.number_of_zenith_distances;
    ++nb.number_of_observations;

    ZenithRecord z;
    z.from = jio01(ctx, 4, 4);
    std::int32_t setup = z.from / 1000;
    std::int32_t station = z.from % 1000;
    z.to = jio01(ctx, 9, 3);

    double angle = esu05(ctx, 13, 9);
    if (angle > kPi) angle = kTwoPi - angle;
    if (ctx.option.vertical_angle_conversion != 0) io.card(12) = 'V';
    if (card(ctx, 12) == 'V') angle = kPi / 2.0 - angle;
    z.zenith = angle;

    float sd = real32(ctx, 23, 6);
    if (sd == 0.0f)
        sd = c.zenith_sd;
    else
        c.zenith_sd = sd;

    z.distance = eio00(ctx, 29, 10);
    // An unreadable distance reads as 0 and counts as not supplied, like a
    // blank one: a distance of 0 is never an observed distance.
    bool distance_given = io.field_status == 1;
    z.distance_supplied = distance_given ? 1 : 0;
    z.distance_type = card(ctx, 39);
    z.azimuth = eio00(ctx, 40, 3);

    z.k = real32(ctx, 44, 5);
    if (ctx.option.refraction_conversion != 0) z.k = z.k / 2.0f;
    if (z.k == 0.0f) z.k = ctx.rec01.default_refraction;

    z.instrument_height = real32(ctx, 50, 5);
    z.target_height = real32(ctx, 56, 6);
    z.occupied_eccentric_height = real32(ctx, 63, 6);
    z.observed_eccentric_height = real32(ctx, 70, 6);
    z.occupied_eccentric_code = jio01(ctx, 78, 1);
    z.observed_eccentric_code = jio01(ctx, 80, 1);

    z.sd = sd * ctx.rec01.zenith_sd_factor;

    z.reciprocal = 0;
    if (card(ctx, 3) == 'S') {
        z.reciprocal = ctx.option.refraction_option == 3 ? 1 : 0;
        if (station != c.previous_to) z.reciprocal = -1;
        if (!distance_given) z.distance = c.previous_distance;
        if (z.distance_type == ' ') z.distance_type = c.previous_distance_type;
        if (z.distance != 0.0) z.distance_supplied = 1;
    }
    c.previous_to = z.to;

    if (station == c.setup_station && setup == c.setup_digit) {
        if (z.instrument_height == 0.0f) z.instrument_height = c.setup_ih;
        z.refraction_set = 0;
    } else {
        z.refraction_set = z.reciprocal == 1 ? 2 : 1;
        c.setup_station = station;
        c.setup_digit = setup;
        c.setup_ih = z.instrument_height;
    }

    if (z.occupied_eccentric_code != 0 || z.observed_eccentric_code != 0) c.eccentric_seen = true;

    write_zenith(ctx.files.unit9, next_record(ctx), z);
    c.previous_distance = z.distance;
    c.previous_distance_type = z.distance_type;
}

// Type 24: a levelled or otherwise measured height difference.
void read_height_difference(RunContext& ctx, Carried& c) {
    auto& nb = ctx.numbrs;
    ++nb.number_of_height_differences;
    ++nb.number_of_observations;

    HeightDiffRecord h;
    h.from = jio01(ctx, 4, 4);
    h.to = jio01(ctx, 9, 3);
    h.dh = real32(ctx, 13, 9);
    float ih = real32(ctx, 50, 5);
    if (ctx.ioarea.field_status == 1) c.height_diff_ih = ih;
    h.instrument_height = c.height_diff_ih;
    h.distance = eio00(ctx, 30, 8);
    h.target_height = real32(ctx, 56, 6);
    h.occupied_eccentric_code = jio01(ctx, 78, 1);
    h.observed_eccentric_code = jio01(ctx, 80, 1);
    float sd = real32(ctx, 23, 6);
    if (sd != 0.0f) c.height_diff_sd = sd;
    h.sd = c.height_diff_sd;

    if (h.occupied_eccentric_code != 0 || h.observed_eccentric_code != 0) c.eccentric_seen = true;

    write_height_diff(ctx.files.unit9, next_record(ctx), h);
}

// Type 26: the coordinate differences between two stations, kept on
// quarlo11.wrk and entered as a height difference that points at them.
void read_coordinate_difference(RunContext& ctx, Carried& c) {
    auto& nb = ctx.numbrs;
    ++c.coord_diffs;
    ++nb.number_of_height_differences;
    ++nb.number_of_observations;
    if (!ctx.files.unit11.is_open() &&
        !open_work_file(ctx, ctx.files.unit11, ctx.files.unit11_name, kCoordRecordLength))
        throw FatalStop(" Unable to open work file " + ctx.files.unit11_name, kExitRunTimeError);

    CoordDiffRecord d;
    d.first = jio01(ctx, 4, 4);
    d.second = jio01(ctx, 9, 3);
    d.dx = eio00(ctx, 12, 11);
    d.dy = eio00(ctx, 23, 11);
    d.dz = eio00(ctx, 34, 11);

    HeightDiffRecord h;
    h.from = d.first;
    h.to = d.second;
    float sd = real32(ctx, 61, 4);
    if (sd != 0.0f) c.coord_diff_sd = sd;
    h.sd = c.coord_diff_sd;
    h.occupied_eccentric_code = jio01(ctx, 78, 1);
    h.observed_eccentric_code = jio01(ctx, 80, 1);
    if (ctx.option.geoid_model_option == 0) ctx.option.geoid_model_option = 1;
    h.instrument_height = real32(ctx, 66, 5);
    h.target_height = real32(ctx, 72, 5);
    h.dh = kCoordinateDifferenceBase + static_cast<float>(c.coord_diffs);
    h.distance = 0.0;
    h.coordinate_difference = 1;

    if (h.occupied_eccentric_code != 0 || h.observed_eccentric_code != 0) c.eccentric_seen = true;

    write_coord_diff(ctx.files.unit11, c.coord_diffs, d);
    write_height_diff(ctx.files.unit9, next_record(ctx), h);
}

void print_limit_message(RunContext& ctx, std::string_view message) {
    ioc11(ctx, message, kMessageColumn);
    opr00(ctx, 3);
    ctx.reginf.data_error_flag = -1;
}

void finish(RunContext& ctx, const Carried& c) {
    auto& nb = ctx.numbrs;
    auto& opt = ctx.option;
    if (nb.number_of_height_differences > 0 && nb.number_of_zenith_distances == 0) opt.refraction_option = 0;
    if (nb.number_of_stations > kMaxStations) print_limit_message(ctx, "*** TOO MANY STATIONS ***");
    if (nb.number_of_observations > kMaxObservations) print_limit_message(ctx, "*** TOO MANY OBSERVATIONS ***");
    if (!c.eccentric_seen) opt.eccentric_data_present = 0;
    if (opt.geoid_model_option == 2) opt.geoid_model_option = 0;
}

void reset_counts(RunContext& ctx) {
    auto& nb = ctx.numbrs;
    nb.number_of_stations = 0;
    nb.number_of_fixed_stations = 0;
    nb.number_of_height_observations = 0;
    nb.number_of_zenith_distances = 0;
    nb.number_of_height_differences = 0;
    nb.number_of_observations = 0;
    nb.number_of_reciprocal_equations = 0;
    nb.rejected_station_count = 0;
    ctx.rotation.phi_correction = 0.0f;
    ctx.rotation.omega_correction = 0.0f;
    ctx.reginf.data_error_flag = 0;
    ctx.option.provisional_heights_required = 0;
    nb.next_record_number = 1;
}

} // namespace

void trlev1(RunContext& ctx) {
    reset_counts(ctx);
    Carried carried;
    const auto& nb = ctx.numbrs;
    for (;;) {
        icr00(ctx);
        int code = ctx.ioarea.record_status == -2 ? 99 : ctx.ioarea.record_code;
        bool observations_read = nb.number_of_zenith_distances > 0 || nb.number_of_height_differences > 0;
        switch (code) {
        case 10:
        case 11:
        case 18:
            if (observations_read)
                tlerr1(ctx, 13);
            else
                read_station_record(ctx, code);
            break;
        case 20:
        case 21:
        case 22:
        case 95:
            break;
        case 23:
            if (nb.number_of_height_differences > 0)
                tlerr1(ctx, 13);
            else
                read_zenith_record(ctx, carried);
            break;
        case 24:
            read_height_difference(ctx, carried);
            break;
        case 26:
            read_coordinate_difference(ctx, carried);
            break;
        case 99:
            finish(ctx, carried);
            return;
        default:
            tlerr1(ctx, 13);
            break;
        }
    }
}

void tlerr1(RunContext& ctx, int code) {
    if (code < 1 || code > 13) code = 1;
    std::string_view message = kErrorMessages[static_cast<std::size_t>(code - 1)];
    if (code == 13) {
        print_record_and_message(ctx, message);
        return;
    }
    ioc11(ctx, message, kMessageColumn);
    opr00(ctx, 3);
}

} // namespace quarlo
