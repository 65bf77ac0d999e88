#include "adjust/station_file.h"

#include "report/edit.h"

namespace quarlo {

std::string station_file_line(const StationFileEntry& s, bool label_mode) {
    using namespace edit;
    // A height the station does not have is left blank, which reads back
    // as an unknown height.
    std::string height = s.height_known ? fixed_field(s.height, 8, 3) : blanks(8);
    std::string line;
    if (!label_mode) {
        line = blanks(3) + int_field(s.number, 3) + blanks(1) + fixed_field(s.easting, 10, 3) + blanks(1) +
               fixed_field(s.northing, 11, 3) + blanks(1) + text_field(s.name.str(), 20);
        if (s.registration == 0)
            line += blanks(8);
        else
            line += blanks(1) + int_field(s.registration, 4) + blanks(3);
        line += height;
        line = text_field(line, kStationFileLineLength);
        line.replace(0, 2, "10");
        if (s.fixed) line[66] = '*';
    } else {
        line = blanks(4) + text_field(s.label.str(), 12) + blanks(1) + text_field(s.name.str(), 20);
        if (s.with_coordinates)
            line += fixed_field(s.easting, 10, 3) + blanks(1) + fixed_field(s.northing, 11, 3) + blanks(1);
        else
            line += blanks(23);
        line += height;
        line = text_field(line, kStationFileLineLength);
        line.replace(0, 3, "grd");
        if (s.fixed) line[68] = '*';
    }
    return line;
}

} // namespace quarlo
