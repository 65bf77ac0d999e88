// Work files of the adjustment stages prepared directly in a scratch
// directory: station records then observation records on quarlo09.wrk, the
// equation work file, the coordinate-difference and label work files.
#pragma once

#include "core/records.h"
#include "support/test_util.h"

#include <cmath>
#include <string>
#include <vector>

namespace quarlo::test {

inline double deg(int d, int m, double s) { return (d + m / 60.0 + s / 3600.0) * 3.141592653589793 / 180.0; }

// A line of a station file: the texts placed at their columns in 70 blanks.
inline std::string line70(std::initializer_list<std::pair<int, std::string>> fields) {
    std::string line(70, ' ');
    for (const auto& [col, text] : fields) line.replace(static_cast<std::size_t>(col - 1), text.size(), text);
    return line;
}

inline StationRecord station(int number, int status, float height, double e = 0.0, double n = 0.0,
                             const std::string& name = "") {
    StationRecord s;
    s.number = number;
    s.status = status;
    s.height = height;
    s.easting = e;
    s.northing = n;
    s.coordinates_flag = (e > 0.0001 && n > 0.0001) ? 1 : 0;
    s.name.set(name.empty() ? "STN " + std::to_string(number) : name);
    return s;
}

inline ZenithRecord zenith(int from, int to, double z, double distance = 0.0, float hi = 0.0f, float ht = 0.0f,
                           float k = 0.065f) {
    ZenithRecord r;
    r.from = from;
    r.to = to;
    r.zenith = z;
    r.sd = 5.0f;
    r.distance = distance;
    r.distance_supplied = distance != 0.0 ? 1 : 0;
    r.k = k;
    r.instrument_height = hi;
    r.target_height = ht;
    r.refraction_set = 1;
    return r;
}

inline HeightDiffRecord height_diff(int from, int to, float dh, float hi = 0.0f, float ht = 0.0f) {
    HeightDiffRecord h;
    h.from = from;
    h.to = to;
    h.dh = dh;
    h.sd = 0.01f;
    h.instrument_height = hi;
    h.target_height = ht;
    return h;
}

// A type 26 record: its height difference names record `record` of quarlo11.wrk.
inline HeightDiffRecord coordinate_diff(int from, int to, int record, float hi = 0.0f, float ht = 0.0f) {
    HeightDiffRecord h = height_diff(from, to, kCoordinateDifferenceBase + static_cast<float>(record), hi, ht);
    h.coordinate_difference = 1;
    return h;
}

struct AdjustRun {
    TempDir dir;
    TestRun run;
    std::vector<StationRecord> stations;
    std::vector<ZenithRecord> zeniths;
    std::vector<HeightDiffRecord> differences;

    AdjustRun() {
        auto& f = run.c().files;
        f.unit1.open("quarlo01.wrk", kEqnRecordLength);
        f.unit9.open("quarlo09.wrk", kObsRecordLength);
        f.unit18.open("quarlo18.wrk", kLabelRecordLength);
        run.open_report();
        run.c().rec01.iterations_left = 1;
        run.c().rec01.iteration_total = 1;
        run.c().rec01.pass_countdown = 1;
        run.c().rec01.required_stage = 1;
    }
    RunContext& c() { return run.c(); }

    // Lays the records out on quarlo09.wrk and sets the counts.
    void write() {
        auto& ctx = c();
        int n = static_cast<int>(stations.size());
        for (int i = 0; i < n; ++i) write_station(ctx.files.unit9, i + 1, stations[static_cast<std::size_t>(i)]);
        int rec = n;
        for (const auto& z : zeniths) write_zenith(ctx.files.unit9, ++rec, z);
        for (const auto& h : differences) write_height_diff(ctx.files.unit9, ++rec, h);
        ctx.numbrs.number_of_stations = n;
        ctx.numbrs.number_of_zenith_distances = static_cast<int>(zeniths.size());
        ctx.numbrs.number_of_height_differences = static_cast<int>(differences.size());
        ctx.numbrs.number_of_observations = static_cast<int>(zeniths.size() + differences.size());
    }

    void add_coord_diff(int rec, const CoordDiffRecord& cd) {
        auto& f = c().files;
        if (!f.unit11.is_open()) f.unit11.open("quarlo11.wrk", kCoordRecordLength);
        write_coord_diff(f.unit11, rec, cd);
    }

    void label(int number, const std::string& text, float geoid = 0.0f) {
        write_label(c().files.unit18, number, FixedText<12>(text), geoid);
    }

    StationRecord obs_station(int rec) { return read_station(c().files.unit9, rec); }
    EqnStationRecord eqn_station(int rec) { return read_eqn_station(c().files.unit1, rec); }

    // Report records containing the text.
    std::vector<std::string> lines_with(const std::string& text) {
        std::vector<std::string> out;
        for (const auto& l : run.report())
            if (l.find(text) != std::string::npos) out.push_back(l);
        return out;
    }
};

} // namespace quarlo::test
