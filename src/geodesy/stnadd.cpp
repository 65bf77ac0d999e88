#include "geodesy/stnadd.h"

#include "core/run_files.h"
#include "core/records.h"
#include "geodesy/geodcat.h"
#include "input/record_layout.h"
#include "report/edit.h"
#include "report/iocat3.h"
#include "report/print.h"

#include <array>
#include <cerrno>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

namespace quarlo {

namespace {

constexpr std::size_t kStationLineLength = 105;
constexpr double kMinCoordinate = 0.0001;

// The station numbers known so far: those of the station records, then the
// stations named only by observations, in order of first appearance.
class KnownStations {
public:
    bool contains(std::int32_t n) const {
        if (n >= 0 && n < kMarked) return marked_[static_cast<std::size_t>(n)];
        for (int i = 1; i <= count_; ++i)
            if (list_(i) == n) return true;
        return false;
    }
    // False when the list is full.
    bool add(std::int32_t n) {
        if (count_ >= kMaxStations) return false;
        list_(++count_) = n;
        if (n >= 0 && n < kMarked) marked_[static_cast<std::size_t>(n)] = true;
        return true;
    }
    int count() const { return count_; }
    std::int32_t operator()(int i) const { return list_(i); }

private:
    static constexpr int kMarked = 1000; // numbers looked up at once
    Table<std::int32_t, kMaxStations> list_;
    int count_ = 0;
    std::array<bool, kMarked> marked_{}; // the numbers 0-999 among them
};

// The station file: the job's own ".stn" file, else "stations.dat" (in the
// data directory in label mode when the options file names one).
// One that is there but cannot be read (a folder, a file without read
// permission) is passed over as a missing one is, but not in silence.
bool open_station_file(RunContext& ctx, const std::string& data_directory) {
    SeqFile& file = ctx.files.unit23;
    std::string job = trim_name(ctx.names.job_name.str());
    for (const std::string& name : {job + ".stn", data_directory + "stations.dat"}) {
        int error = 0;
        if (file.open(name, SeqFile::Mode::Old, &error)) return true;
        if (error != ENOENT) ctx.diag.file_message(name, std::string("station file not read: ") + std::strerror(error));
    }
    return false;
}

// Reads station-file lines until one whose columns col..col+len-1 hold key;
// false at the end of the file or on a read error.
bool find_line(SeqFile& file, const std::string& key, int col, std::string& line) {
    std::string raw;
    while (file.read_line(raw)) {
        line = pad_line(raw, kStationLineLength);
        if (columns(line, col, static_cast<int>(key.size())) == key) return true;
    }
    return false;
}

bool all_blank(const std::string& text) { return text.find_first_not_of(' ') == std::string::npos; }

bool fixed_code(char c) { return c == '*' || c == '-'; }

// A numeric field of a station-file line: blank or unreadable reads as 0;
// `readable` tells whether the field held a number.
double number(const std::string& line, int col, int width, bool& readable) {
    int status = 0;
    double value = read_real_field(line, col, width, status);
    readable = status == 1;
    return value;
}

double number(const std::string& line, int col, int width) {
    bool readable = false;
    return number(line, col, width, readable);
}

// Easting and northing from their fields (11 columns each, side by side).
// A station has co-ordinates when both fields hold numbers, of any sign,
// not both zero: blank fields, or zeros in both (as stations without
// co-ordinates were once written), read back without them.
void take_coordinates(StationRecord& s, const std::string& line, int col) {
    bool east = false, north = false;
    s.easting = number(line, col, 11, east);
    s.northing = number(line, col + 11, 11, north);
    bool away = std::fabs(s.easting) > kMinCoordinate || std::fabs(s.northing) > kMinCoordinate;
    s.coordinates_flag = east && north && away ? 1 : 0;
}

// A height field: a readable number is the height; blank or unreadable
// leaves the height unknown.
void take_height(StationRecord& s, const std::string& line, int col, int width) {
    bool readable = false;
    double h = number(line, col, width, readable);
    if (readable) {
        s.height = static_cast<float>(h);
        s.status = kHeightGiven;
    } else {
        s.height = kUnknownHeight;
        s.status = kNoHeight;
    }
}

// Number mode: the "10" line of the station. Returns false when the line
// found is not a "10" line (the file is then no longer used).
bool take_number_line(StationRecord& s, const std::string& line) {
    if (columns(line, 1, 2) != "10") return false;
    take_coordinates(s, line, 8);
    take_height(s, line, 59, 8);
    s.name.set(columns(line, 31, 20));
    return true;
}

void take_grid_line(RunContext& ctx, StationRecord& s, const std::string& line) {
    take_coordinates(s, line, 38);
    take_height(s, line, 61, 8);
    if (fixed_code(line[68])) {
        s.status = kFixed;
        ++ctx.numbrs.number_of_fixed_stations;
    }
    s.name.set(columns(line, 18, 20));
}

// Degrees, minutes and seconds fields as an angle in radians; false when a
// part does not read as a number.
bool dms_angle(const std::string& line, int dcol, int dwidth, int mcol, int scol, int swidth, double& angle) {
    bool d_ok = false, m_ok = false, s_ok = false;
    double d = number(line, dcol, dwidth, d_ok);
    double m = number(line, mcol, 2, m_ok);
    double sec = number(line, scol, swidth, s_ok);
    auto usable = [&](bool ok, int col, int width) { return ok || all_blank(columns(line, col, width)); };
    if (!usable(d_ok, dcol, dwidth) || !usable(m_ok, mcol, 2) || !usable(s_ok, scol, swidth)) return false;
    angle = (d * 3600.0 + m * 60.0 + sec) / kSecondsPerRadian;
    return true;
}

void take_geographic_line(RunContext& ctx, StationRecord& s, const std::string& line) {
    double latitude = 0.0, longitude = 0.0;
    bool readable = dms_angle(line, 39, 2, 42, 45, 8, latitude) && dms_angle(line, 54, 3, 58, 61, 8, longitude);
    if (line[37] == 's' || line[37] == '-') latitude = -latitude;
    // No map zone to project with, or an unreadable angle: the station has
    // no co-ordinates.
    s.coordinates_flag = geographic_to_grid(ctx, readable, latitude, longitude, s.easting, s.northing) ? 1 : 0;
    float h = static_cast<float>(number(line, 71, 8));
    if (h < 0.001f) {
        s.height = kUnknownHeight;
        s.status = kNoHeight;
    } else {
        s.height = h;
        s.status = kHeightGiven;
    }
    s.height_sd = static_cast<float>(number(line, 93, 5));
    s.geoid = static_cast<float>(number(line, 99, 7));
    s.name.set(columns(line, 18, 20));
    if (fixed_code(line[78])) {
        s.status = kFixed;
        ++ctx.numbrs.number_of_fixed_stations;
    }
}

// Looks the station up in the station file; false when it is not there.
bool search_station_file(RunContext& ctx, StationRecord& s, bool& usable) {
    SeqFile& file = ctx.files.unit23;
    std::string line;
    bool found = false;
    if (ctx.rec01.label_mode == 0) {
        if (find_line(file, edit::int_field(s.number, 3), 4, line)) {
            found = take_number_line(s, line);
            if (!found) usable = false;
        }
    } else {
        FixedText<12> label = station_label(ctx, s.number);
        // A station without a label is never looked up: a blank label
        // would match any line whose label columns are blank.
        if (!label.is_blank() && find_line(file, label.str(), 5, line)) {
            std::string code = columns(line, 1, 3);
            if (code == "grd" || code == "GRD") {
                take_grid_line(ctx, s, line);
                found = true;
            } else if (code == "geo" || code == "GEO") {
                take_geographic_line(ctx, s, line);
                found = true;
            }
        }
    }
    file.rewind();
    return found;
}

void report_too_many_stations(RunContext& ctx, SourceLine at = {}) {
    constexpr std::string_view kMessage = "*** TOO MANY STATIONS - INPUT AND OBSERVED STATIONS EXCEED 1000 ***";
    ioc11(ctx, kMessage, 40);
    opr00(ctx, 3);
    ctx.reginf.data_error_flag = -1;
    ctx.diag.message(at, report_message_text(kMessage));
}

// The observation that first names a station: its line, and whether the
// station is the observed one (else the occupied one).
struct Naming {
    SourceLine at;
    bool observed = false;
};

// A station that observations name but that neither the input nor the
// station file defines: said at the first observation that names it, at
// the column of the station's field (keyword or record-code form; the
// station fields of all observation records stand where a zenith
// distance's do).
void warn_undefined(RunContext& ctx, int number, const Naming& named, bool label_mode) {
    // Labels stand left-aligned, station numbers right-aligned in their fields.
    const Field& field = named.observed ? record::zenith::kTo : record::zenith::kFrom;
    const int column = label_mode ? (named.observed ? keyword::kSecondLabel.col : keyword::kFirstLabel.col)
                                  : field.col + field.width - 1;
    ctx.diag.warning(named.at, column, [&] {
        return "station " + station_in_message(ctx, number) +
               " is used here but defined neither in the input nor in the station file";
    });
}

} // namespace

bool geographic_to_grid(const RunContext& ctx, bool readable, double latitude, double longitude, double& easting,
                        double& northing) {
    const TmvalsBlock& tm = ctx.tmvals;
    easting = 0.0;
    northing = 0.0;
    if (!readable || tm.zone_code == 0 || tm.a <= 0.0 || tm.inverse_flattening <= 0.0) return false;
    double gamma = 0.0, k = 0.0;
    geod01(ctx, easting, northing, latitude, longitude, gamma, k);
    return true;
}

void stnadd(RunContext& ctx) {
    auto& nb = ctx.numbrs;
    DirectFile& work = ctx.files.unit9;
    const bool label_mode = ctx.rec01.label_mode == 1;

    std::string data_directory;
    if (label_mode) {
        std::string path;
        int pathlen = 0, found = 0;
        datpath(path, pathlen, found);
        if (found == 1) data_directory = path;
    }

    const int stations = nb.number_of_stations;
    if (stations > kMaxStations) {
        report_too_many_stations(ctx);
        return;
    }
    KnownStations known;
    for (int r = 1; r <= stations; ++r) known.add(read_station(work, r).number);

    if (nb.number_of_observations <= 0) return;
    Record record(kObsRecordLength);
    // Where each added station is first named.
    std::vector<Naming> named;
    for (int r = stations + 1; r <= stations + nb.number_of_observations; ++r) {
        work.read(r, record);
        std::int32_t from = record.i32(0);
        std::int32_t to = record.i32(4);
        const SourceLine at = ctx.diag.observation(r - stations);
        bool room = true;
        if (from <= 999 && !known.contains(from)) {
            room = known.add(from);
            named.push_back({at, false});
        }
        if (room && !known.contains(to)) {
            room = known.add(to);
            named.push_back({at, true});
        }
        if (!room) {
            report_too_many_stations(ctx, at);
            return;
        }
    }

    const int added = known.count() - stations;
    if (added <= 0) return;
    ctx.option.provisional_heights_required = 1;

    // Make room for the added stations: the observation records move up,
    // the last first, so that the move is done in place.
    const int observations = nb.number_of_zenith_distances + nb.number_of_height_differences;
    for (int r = stations + observations; r > stations; --r) {
        work.read(r, record);
        work.write(r + added, record);
    }

    bool usable = open_station_file(ctx, data_directory);
    for (int i = 1; i <= added; ++i) {
        StationRecord s;
        s.number = known(stations + i);
        s.status = kNoHeight;
        s.height = kUnknownHeight;
        bool found = usable && search_station_file(ctx, s, usable);
        const Naming& first = named[static_cast<std::size_t>(i - 1)];
        if (!found) {
            s = StationRecord{};
            s.number = known(stations + i);
            s.status = kNoHeight;
            s.height = kUnknownHeight;
            if (!label_mode) s.name.set("STATION " + edit::int_field(s.number, 3));
            warn_undefined(ctx, s.number, first, label_mode);
        }
        write_station(work, stations + i, s);
        ctx.diag.stations.push_back({s.number, first.at});
    }

    nb.number_of_stations = stations + added;
    ctx.ioarea.prtlin.blank();
    ctx.files.unit23.close();
}

FixedText<12> station_label(RunContext& ctx, int n) {
    FixedText<12> label;
    if (n < 1 || n > kMaxKeywordStations || !ctx.files.unit18.is_open()) return label;
    label = read_label(ctx.files.unit18, n);
    // A record never written reads as NUL bytes: no label.
    for (int i = 1; i <= 12; ++i)
        if (label(i) == '\0') label(i) = ' ';
    return label;
}

std::string station_in_message(RunContext& ctx, int n) {
    return ctx.rec01.label_mode != 0 ? quoted_label(station_label(ctx, n).view()) : std::to_string(n);
}

void getlab(RunContext& ctx, int n, int col) { ioc11(ctx, station_label(ctx, n).view(), col); }

void tgetnum(RunContext& ctx, int& n) {
    int count = ctx.numbrs.number_of_stations;
    int position = ifind(n, ctx.stnfst.station_number, count);
    if (position > 0) {
        n = position;
        ctx.ioarea.lookup_status1 = 0;
    } else {
        ctx.ioarea.lookup_status1 = -1;
        ctx.ioarea.lookup_status2 = -1;
    }
}

} // namespace quarlo
