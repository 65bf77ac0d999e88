// Lines of a station file in the layout that station assembly reads back:
// "10" lines in number mode, "grd" lines in label mode. Written by the
// iteration set-up (stage 1) and by the adjusted station file.
#pragma once

#include "core/context.h"
#include "core/records.h"

#include <string>

namespace quarlo {

constexpr int kStationFileLineLength = 70;

struct StationFileEntry {
    int number = 0;          // number mode
    FixedText<12> label;     // label mode
    double easting = 0.0;
    double northing = 0.0;
    FixedText<20> name;
    float height = 0.0f;
    int registration = 0;    // number mode; 0 selects the form without it
    bool fixed = false;      // "*" mark
    bool height_known = true; // false: the height columns stay blank (unknown)
    bool with_coordinates = true; // false: the easting and northing columns stay blank
};

// The entry of a station record: a fixed station carries the mark, one
// without a height leaves the height blank, and one without co-ordinates
// leaves the easting and northing blank, so that each reads back as it was.
StationFileEntry station_file_entry(RunContext& ctx, const StationRecord& st, bool label_mode);

// One 70-character line.
// Number mode: (3X,I3,1X,F10.3,1X,F11.3,1X,20A1,8X,F8.3), or with a
// registration number (3X,I3,1X,F10.3,1X,F11.3,1X,20A1,1X,I4,3X,F8.3), the
// easting and northing blank without co-ordinates; "10" in columns 1-2 and
// "*" in column 67 for a fixed station.
// Label mode: (4X,A,1X,20A1,F10.3,1X,F11.3,1X,F8.3), or without coordinates
// (4X,A,1X,20A1,23X,F8.3); "grd" in columns 1-3 and "*" in column 69.
// A line never holds asterisks: an easting or registration number too wide
// for its field takes the blank column beside it, which the reader's field
// includes (easting F11.3 up to the northing, registration I5 from the
// column after the name); a value that does not fit even so is left blank
// and its field named in `blanked` ("EASTING", "NORTHING", "REG. NO.",
// "HEIGHT", separated by ", "; empty when every field fitted).
using StationFileLine = FixedText<kStationFileLineLength>;
StationFileLine station_file_line(const StationFileEntry& entry, bool label_mode, std::string* blanked = nullptr);

// The station file a run writes: the job name followed by ".stn".
std::string station_file_name(const RunContext& ctx);

// Report line telling that the station file could not be opened (errno
// `error`); standard error says it too.
void report_station_file_not_opened(RunContext& ctx, int error);

// Report line telling that fields of a station's line were left blank.
void report_blanked_fields(RunContext& ctx, const StationFileEntry& entry, bool label_mode,
                           const std::string& blanked);

} // namespace quarlo
