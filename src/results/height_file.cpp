// The height file: 80-character records of the adjusted stations in name
// order, closed by two "99" records.
#include "results/station_lists.h"

#include "core/records.h"
#include "report/edit.h"
#include "report/iocat3.h"
#include "report/print.h"

#include <cstdlib>
#include <string>
#include <string_view>

namespace quarlo {

namespace {

constexpr std::size_t kHeightRecordLength = 80;

struct HeightRecord {
    RunContext& ctx;
    const StationRecord& station;
    FixedText<kHeightRecordLength> text = FixedText<kHeightRecordLength>(); // blank

    // Places a field at column col. A value too wide for its field is left
    // blank, never written as asterisks, and the report says so.
    void put(int col, const std::string& field, std::string_view what) {
        if (field.find('*') != std::string::npos) {
            ioc11(ctx, "*** HEIGHT FILE: " + std::string(what) + " OF STATION " +
                           std::to_string(station.number) + " DOES NOT FIT ITS FIELD AND IS LEFT BLANK ***",
                  20);
            opr00(ctx, 2);
            return;
        }
        place(col, field);
    }
    void place(int col, std::string_view field) {
        for (std::size_t i = 0; i < field.size(); ++i) text(col + static_cast<int>(i)) = field[i];
    }
};

} // namespace

void trlev4(RunContext& ctx) {
    SeqFile& file = ctx.files.unit10;
    // The height file is opened at set-up when the control record asks for
    // stage 4.
    if (!file.is_open()) return;

    const int list_number = ctx.reginf.final_list_number == 0 ? -999 : ctx.reginf.final_list_number;
    const int sub_number = std::abs(ctx.reginf.final_list_sub_number);

    for (int k = 1; k <= ctx.numbrs.number_of_stations; ++k) {
        StationRecord s = read_station(ctx.files.unit9, ctx.arrays.name_order(k));
        HeightRecord r{ctx, s};
        r.place(1, "12");
        r.place(3, s.name.view());
        if (s.registration != 0) r.put(24, edit::int_field(s.registration, 5), "REGISTRATION NUMBER");
        r.put(30, edit::int_field(s.number, 3), "NUMBER");
        r.put(60, edit::fixed_field(s.height, 8, 3), "HEIGHT");
        // A station whose height was also observed is written as if held
        // fixed: it takes no final list number.
        if (s.status != kFixed && s.height_sd == 0.0f) {
            r.put(73, edit::int_field(list_number, 4), "FINAL LIST NUMBER");
            // A sub-number above 9 takes the blank column before its own.
            int width = sub_number > 9 ? 2 : 1;
            if (sub_number != 0) r.put(79 - width, edit::int_field(sub_number, width), "FINAL LIST SUB-NUMBER");
        }
        file.write_line(r.text.view());
    }
    file.write_line("99");
    file.write_line("99");
    // Complete; it replaces the old file once the run has succeeded.
    file.finish();
    ctx.summary.wrote(file.path());
}

} // namespace quarlo
