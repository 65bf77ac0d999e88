#include "adjust/station_file.h"

#include "core/run_files.h"
#include "geodesy/stnadd.h"
#include "report/edit.h"
#include "report/iocat3.h"
#include "report/print.h"

#include <algorithm>
#include <string_view>

namespace quarlo {

namespace {

void note(std::string* blanked, const char* field) {
    if (!blanked) return;
    if (!blanked->empty()) *blanked += ", ";
    *blanked += field;
}

bool holds_asterisks(const char* field, int w) { return std::find(field, field + w, '*') != field + w; }

// A real with 3 decimals in w columns from `out` and a blank after it, or in
// all `wider` columns when it does not fit in w (wider == w: no room to
// widen); blank, and noted, when it fits neither.
void real_field(char* out, double value, int w, int wider, const char* name, std::string* blanked) {
    edit::put_fixed(out, value, w, 3);
    if (!holds_asterisks(out, w)) {
        std::fill(out + w, out + wider, ' ');
        return;
    }
    edit::put_fixed(out, value, wider, 3);
    if (!holds_asterisks(out, wider)) return;
    note(blanked, name);
    std::fill(out, out + wider, ' ');
}

// Text cut or blank-padded to n columns from `out`.
void text_field(char* out, std::string_view text, int n) {
    const std::size_t k = std::min(text.size(), static_cast<std::size_t>(n));
    std::copy_n(text.data(), k, out);
    std::fill(out + k, out + n, ' ');
}

} // namespace

StationFileEntry station_file_entry(RunContext& ctx, const StationRecord& st, bool label_mode) {
    StationFileEntry e;
    e.number = st.number;
    if (label_mode) e.label = station_label(ctx, st.number);
    e.easting = st.easting;
    e.northing = st.northing;
    e.name = st.name;
    e.height = st.height;
    e.registration = st.registration;
    e.fixed = st.status == kFixed;
    e.height_known = st.status != kNoHeight;
    e.with_coordinates = st.coordinates_flag != 0;
    return e;
}

StationFileLine station_file_line(const StationFileEntry& s, bool label_mode, std::string* blanked) {
    if (blanked) blanked->clear();
    StationFileLine line; // blank
    auto c = [&line](int col) { return &line(col); };
    // A height the station does not have is left blank, which reads back
    // as an unknown height.
    auto height = [&](int col) {
        if (s.height_known) real_field(c(col), s.height, 8, 8, "HEIGHT", blanked);
    };
    if (!label_mode) {
        edit::put_int(c(4), s.number, 3);
        if (s.with_coordinates) {
            real_field(c(8), s.easting, 10, 11, "EASTING", blanked);
            real_field(c(19), s.northing, 11, 11, "NORTHING", blanked);
        }
        text_field(c(31), s.name.view(), 20);
        if (s.registration != 0) {
            edit::put_int(c(51), s.registration, 5);
            if (holds_asterisks(c(51), 5)) {
                note(blanked, "REG. NO.");
                std::fill(c(51), c(51) + 5, ' ');
            }
        }
        height(59);
        *c(1) = '1';
        *c(2) = '0';
        if (s.fixed) *c(67) = '*';
    } else {
        text_field(c(5), s.label.view(), 12);
        text_field(c(18), s.name.view(), 20);
        if (s.with_coordinates) {
            real_field(c(38), s.easting, 10, 11, "EASTING", blanked);
            real_field(c(49), s.northing, 11, 11, "NORTHING", blanked);
        }
        height(61);
        *c(1) = 'g';
        *c(2) = 'r';
        *c(3) = 'd';
        if (s.fixed) *c(69) = '*';
    }
    return line;
}

std::string station_file_name(const RunContext& ctx) { return trim_name(ctx.names.job_name.str()) + ".stn"; }

void report_station_file_not_opened(RunContext& ctx, int error) {
    constexpr std::string_view kMessage = "*** UNABLE TO OPEN STATION FILE ***";
    ioc11(ctx, kMessage, 40);
    opr00(ctx, 2);
    output_not_opened(ctx, station_file_name(ctx), error, kMessage);
}

void report_blanked_fields(RunContext& ctx, const StationFileEntry& entry, bool label_mode,
                           const std::string& blanked) {
    if (blanked.empty()) return;
    std::string station = label_mode ? entry.label.str() : std::to_string(entry.number);
    station.erase(station.find_last_not_of(' ') + 1);
    std::string text = "*** STATION FILE: " + blanked + " OF STATION " + station +
                       " TOO WIDE FOR ITS COLUMNS, LEFT BLANK ***";
    ioc11(ctx, text, 5);
    opr00(ctx, 1);
}

} // namespace quarlo
