#include "input/trlev1.h"

#include "core/run_files.h"
#include "core/records.h"
#include "geodesy/stnadd.h"
#include "input/record_layout.h"
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

bool fixed_code(char c) { return c == '-' || c == '*'; }

int next_record(RunContext& ctx) { return ctx.numbrs.next_record_number++; }

// The input record at print column 27, then a message of this stage; the
// message also goes to standard error at the record's line.
void print_record_and_message(RunContext& ctx, std::string_view message) {
    ioc01(ctx, 1, kRecordColumn, 80);
    opr00(ctx, 3);
    ioc11(ctx, message, kMessageColumn);
    opr00(ctx, 2);
    ctx.diag.message(ctx.ioarea.record_at, report_message_text(message));
}

// Warnings about the columns of a record-code record as the user wrote it
// (converted keyword records were checked as keyword lines).
void check_record(RunContext& ctx, int code) {
    if (ctx.files.unit4_is_work_file) return;
    if (const ColumnUse* use = record::columns_of(code))
        check_columns(ctx, *use, ctx.ioarea.record_at, ctx.ioarea.line, ctx.ioarea.line);
}

// Type 10 (grid), 18 (grid with a registration number) and 11 (geographic).
void read_station_record(RunContext& ctx, int code) {
    using namespace record::station;
    auto& nb = ctx.numbrs;
    auto& io = ctx.ioarea;
    ++nb.number_of_stations;
    FieldReader fields(ctx);

    StationRecord s;
    s.number = fields.integer(kNumber);
    bool redefinition = false;
    if (card(ctx, kCode.col) == '#') {
        io.card(kCode.col) = ' ';
        redefinition = true;
    }

    if (code == 11) {
        // Latitudes are south unless the degrees carry "+" or a digit.
        if (card(ctx, kSouth.col) == ' ' || card(ctx, kSouth.col) == 'S') io.card(kSouth.col) = '-';
        double latitude = esu05(ctx, kLatitude.col, kLatitude.width);
        bool usable = io.field_status >= 0;
        double longitude = esu05(ctx, kLongitude.col, kLongitude.width);
        usable = usable && io.field_status >= 0;
        if (card(ctx, kLongitudeSign.col) == '-') longitude = -longitude;
        ctx.names.station_name.set(io.card.view().substr(kGeographicName.col - 1, kGeographicName.width));
        s.registration = 0;
        if (geographic_to_grid(ctx, usable, latitude, longitude, s.easting, s.northing)) {
            s.coordinates_flag = 1;
        } else {
            // Without a map zone (or with an unreadable angle) the position
            // cannot be put on the grid: the station has no co-ordinates.
            s.coordinates_flag = 0;
            print_record_and_message(ctx, usable ? "*** NO MAP ZONE - GEOGRAPHIC CO-ORDINATES NOT USED ***"
                                                 : "*** GEOGRAPHIC CO-ORDINATES NOT READABLE ***");
            fields.not_used();
        }
    } else {
        s.easting = fields.real(kEasting);
        s.coordinates_flag = fields.status() == 0 ? 0 : 1;
        s.northing = fields.real(kNorthing);
        ctx.names.station_name.set(io.card.view().substr(kName.col - 1, kName.width));
        s.registration = fields.integer(kRegistration);
    }
    s.name = ctx.names.station_name;

    s.height = fields.real32(kHeight);
    s.status = fields.status() == 0 ? kNoHeight : kHeightGiven;
    if (ctx.option.geoid_model_option == 0 && card(ctx, kEllipsoidal.col) == 'E') s.height -= 5000.0f;

    if (fixed_code(card(ctx, kCode.col)) || fixed_code(card(ctx, kHeightCode.col))) {
        s.status = kFixed;
        ++nb.number_of_fixed_stations;
    } else {
        s.height_sd = fields.real32(kHeightSd);
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
    ctx.diag.stations.push_back({s.number, io.record_at});
    if (s.status == kNoHeight) ctx.option.provisional_heights_required = 1;
}

// Type 23: a zenith distance or vertical angle.
void read_zenith_record(RunContext& ctx, Carried& c) {
    using namespace record::zenith;
    auto& nb = ctx.numbrs;
    auto& io = ctx.ioarea;
    ++nb.number_of_zenith_distances;
    ++nb.number_of_observations;
    FieldReader fields(ctx);

    ZenithRecord z;
    z.from = fields.integer(kFrom);
    std::int32_t setup = z.from / 1000;
    std::int32_t station = z.from % 1000;
    z.to = fields.integer(kTo);

    double angle = fields.angle(kAngle);
    if (angle > kPi) angle = kTwoPi - angle;
    if (ctx.option.vertical_angle_conversion != 0) io.card(kVertical.col) = 'V';
    if (card(ctx, kVertical.col) == 'V') angle = kPi / 2.0 - angle;
    z.zenith = angle;

    float sd = fields.real32(kSd);
    if (sd == 0.0f)
        sd = c.zenith_sd;
    else
        c.zenith_sd = sd;

    z.distance = fields.real(kDistance);
    // An unreadable distance reads as 0 and counts as not supplied, like a
    // blank one: a distance of 0 is never an observed distance.
    bool distance_given = fields.status() == 1;
    z.distance_supplied = distance_given ? 1 : 0;
    z.distance_type = card(ctx, kDistanceType.col);
    z.azimuth = fields.real(kAzimuth);

    z.k = fields.real32(kRefraction);
    if (ctx.option.refraction_conversion != 0) z.k = z.k / 2.0f;
    if (z.k == 0.0f) z.k = ctx.rec01.default_refraction;

    z.instrument_height = fields.real32(kInstrument);
    z.target_height = fields.real32(kTarget);
    z.occupied_eccentric_height = fields.real32(kOccupiedEccentric);
    z.observed_eccentric_height = fields.real32(kObservedEccentric);
    z.occupied_eccentric_code = fields.integer(kOccupiedCode);
    z.observed_eccentric_code = fields.integer(kObservedCode);

    z.sd = sd * ctx.rec01.zenith_sd_factor;

    z.reciprocal = 0;
    if (card(ctx, kReciprocal.col) == 'S') {
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
    ctx.diag.observations.push_back(io.record_at);
    c.previous_distance = z.distance;
    c.previous_distance_type = z.distance_type;
}

// Type 24: a levelled or otherwise measured height difference.
void read_height_difference(RunContext& ctx, Carried& c) {
    using namespace record::difference;
    auto& nb = ctx.numbrs;
    ++nb.number_of_height_differences;
    ++nb.number_of_observations;
    FieldReader fields(ctx);

    HeightDiffRecord h;
    h.from = fields.integer(kFrom);
    h.to = fields.integer(kTo);
    h.dh = fields.real32(kValue);
    float ih = fields.real32(kInstrument);
    if (fields.status() == 1) c.height_diff_ih = ih;
    h.instrument_height = c.height_diff_ih;
    h.distance = fields.real(kDistance);
    h.target_height = fields.real32(kTarget);
    h.occupied_eccentric_code = fields.integer(kOccupiedCode);
    h.observed_eccentric_code = fields.integer(kObservedCode);
    float sd = fields.real32(kSd);
    if (sd != 0.0f) c.height_diff_sd = sd;
    h.sd = c.height_diff_sd;

    if (h.occupied_eccentric_code != 0 || h.observed_eccentric_code != 0) c.eccentric_seen = true;

    write_height_diff(ctx.files.unit9, next_record(ctx), h);
    ctx.diag.observations.push_back(ctx.ioarea.record_at);
}

// Type 26: the coordinate differences between two stations, kept on
// quarlo11.wrk and entered as a height difference that points at them.
void read_coordinate_difference(RunContext& ctx, Carried& c) {
    using namespace record::coordinates;
    auto& nb = ctx.numbrs;
    ++c.coord_diffs;
    ++nb.number_of_height_differences;
    ++nb.number_of_observations;
    if (!ctx.files.unit11.is_open() &&
        !open_work_file(ctx, ctx.files.unit11, ctx.files.unit11_name, kCoordRecordLength))
        throw FatalStop(" Unable to open work file " + ctx.files.unit11_name, kExitRunTimeError);
    FieldReader fields(ctx);

    CoordDiffRecord d;
    d.first = fields.integer(kFirst);
    d.second = fields.integer(kSecond);
    d.dx = fields.real(kDx);
    d.dy = fields.real(kDy);
    d.dz = fields.real(kDz);

    HeightDiffRecord h;
    h.from = d.first;
    h.to = d.second;
    float sd = fields.real32(kSd);
    if (sd != 0.0f) c.coord_diff_sd = sd;
    h.sd = c.coord_diff_sd;
    h.occupied_eccentric_code = fields.integer(kOccupiedCode);
    h.observed_eccentric_code = fields.integer(kObservedCode);
    if (ctx.option.geoid_model_option == 0) ctx.option.geoid_model_option = 1;
    h.instrument_height = fields.real32(kInstrument);
    h.target_height = fields.real32(kTarget);
    h.dh = kCoordinateDifferenceBase + static_cast<float>(c.coord_diffs);
    h.distance = 0.0;
    h.coordinate_difference = 1;

    if (h.occupied_eccentric_code != 0 || h.observed_eccentric_code != 0) c.eccentric_seen = true;

    write_coord_diff(ctx.files.unit11, c.coord_diffs, d);
    write_height_diff(ctx.files.unit9, next_record(ctx), h);
    ctx.diag.observations.push_back(ctx.ioarea.record_at);
    ctx.summary.coordinate_differences = c.coord_diffs;
}

// A limit passed: the message, at the first record beyond it.
void print_limit_message(RunContext& ctx, std::string_view message, SourceLine at) {
    ioc11(ctx, message, kMessageColumn);
    opr00(ctx, 3);
    ctx.reginf.data_error_flag = -1;
    ctx.diag.message(at, report_message_text(message));
}

void finish(RunContext& ctx, const Carried& c) {
    auto& nb = ctx.numbrs;
    auto& opt = ctx.option;
    if (nb.number_of_height_differences > 0 && nb.number_of_zenith_distances == 0) opt.refraction_option = 0;
    if (nb.number_of_stations > kMaxStations)
        print_limit_message(ctx, "*** TOO MANY STATIONS ***", ctx.diag.station(kMaxStations + 1));
    if (nb.number_of_observations > kMaxObservations)
        print_limit_message(ctx, "*** TOO MANY OBSERVATIONS ***", ctx.diag.observation(kMaxObservations + 1));
    if (!c.eccentric_seen) opt.eccentric_data_present = 0;
    if (opt.geoid_model_option == 2) opt.geoid_model_option = 0;
}

// Input the user left after the end record is not read: said once, at its
// first line.
void check_after_end(RunContext& ctx) {
    if (ctx.ioarea.record_status == -2 || ctx.files.unit4_is_work_file) return;
    SeqFile& in = ctx.files.unit4;
    std::string& line = ctx.ioarea.line;
    while (in.read_line(line)) {
        std::size_t first = line.find_first_not_of(' ');
        if (first == std::string::npos) continue;
        ctx.diag.warning(last_line(in), static_cast<int>(first) + 1, kAfterEndWarning,
                         line);
        return;
    }
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
    // Room for the lines of a full network at once: one allocation each,
    // small enough to come from the heap.
    ctx.diag.stations.reserve(kMaxStations + 1);
    ctx.diag.observations.reserve(kMaxObservations + 1);
    for (;;) {
        icr00(ctx);
        int code = ctx.ioarea.record_status == -2 ? 99 : ctx.ioarea.record_code;
        bool observations_read = nb.number_of_zenith_distances > 0 || nb.number_of_height_differences > 0;
        switch (code) {
        case 10:
        case 11:
        case 18:
            if (observations_read) {
                tlerr1(ctx, 13);
            } else {
                check_record(ctx, code);
                read_station_record(ctx, code);
            }
            break;
        case 20:
        case 21:
        case 22:
        case 95:
            break;
        case 23:
            if (nb.number_of_height_differences > 0) {
                tlerr1(ctx, 13);
            } else {
                check_record(ctx, code);
                read_zenith_record(ctx, carried);
            }
            break;
        case 24:
            check_record(ctx, code);
            read_height_difference(ctx, carried);
            break;
        case 26:
            check_record(ctx, code);
            read_coordinate_difference(ctx, carried);
            break;
        case 99:
            check_after_end(ctx);
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
        // A record skipped.
        print_record_and_message(ctx, message);
        ctx.diag.dropped();
        return;
    }
    ioc11(ctx, message, kMessageColumn);
    opr00(ctx, 3);
}

void tlerr1(RunContext& ctx, int code, SourceLine at) {
    tlerr1(ctx, code);
    if (code < 1 || code > 13) code = 1;
    ctx.diag.message(at, report_message_text(kErrorMessages[static_cast<std::size_t>(code - 1)]));
}

} // namespace quarlo
