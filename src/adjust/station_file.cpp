#include "adjust/station_file.h"

#include "core/run_files.h"
#include "geodesy/stnadd.h"
#include "report/edit.h"
#include "report/iocat3.h"
#include "report/print.h"

namespace quarlo {

namespace {

bool holds_asterisks(const std::string& field) { return field.find('*') != std::string::npos; }

void note(std::string* blanked, const char* field) {
    if (!blanked) return;
    if (!blanked->empty()) *blanked += ", ";
    *blanked += field;
}

// A real in w columns, or in `wider` columns when it does not fit in w
// (wider == w: no room to widen); blank, and noted, when it fits neither.
std::string real_field(double value, int w, int wider, const char* name, std::string* blanked) {
    std::string f = edit::fixed_field(value, w, 3);
    if (!holds_asterisks(f)) return f + edit::blanks(wider - w);
    f = edit::fixed_field(value, wider, 3);
    if (!holds_asterisks(f)) return f;
    note(blanked, name);
    return edit::blanks(wider);
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

std::string station_file_line(const StationFileEntry& s, bool label_mode, std::string* blanked) {
    using namespace edit;
    if (blanked) blanked->clear();
    // A height the station does not have is left blank, which reads back
    // as an unknown height.
    auto height = [&] { return s.height_known ? real_field(s.height, 8, 8, "HEIGHT", blanked) : blanks(8); };
    std::string line;
    if (!label_mode) {
        std::string coordinates = blanks(22);
        if (s.with_coordinates) {
            coordinates = real_field(s.easting, 10, 11, "EASTING", blanked);
            coordinates += real_field(s.northing, 11, 11, "NORTHING", blanked);
        }
        line = blanks(3) + int_field(s.number, 3) + blanks(1) + coordinates + blanks(1) + text_field(s.name.str(), 20);
        if (s.registration == 0) {
            line += blanks(8);
        } else {
            std::string reg = int_field(s.registration, 5);
            if (holds_asterisks(reg)) {
                note(blanked, "REG. NO.");
                reg = blanks(5);
            }
            line += reg + blanks(3);
        }
        line += height();
        line = text_field(line, kStationFileLineLength);
        line.replace(0, 2, "10");
        if (s.fixed) line[66] = '*';
    } else {
        line = blanks(4) + text_field(s.label.str(), 12) + blanks(1) + text_field(s.name.str(), 20);
        if (s.with_coordinates) {
            std::string easting = real_field(s.easting, 10, 11, "EASTING", blanked);
            std::string northing = real_field(s.northing, 11, 11, "NORTHING", blanked);
            line += easting + northing + blanks(1);
        } else {
            line += blanks(23);
        }
        line += height();
        line = text_field(line, kStationFileLineLength);
        line.replace(0, 3, "grd");
        if (s.fixed) line[68] = '*';
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
