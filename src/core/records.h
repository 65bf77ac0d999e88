// Record layouts of the work files, and reading and writing them.
#pragma once

#include "core/context.h"
#include "core/workfile.h"

#include <cstdint>
#include <vector>

namespace quarlo {

constexpr int kObsRecordLength = 82;   // quarlo09.wrk
constexpr int kEqnRecordLength = 72;   // quarlo01.wrk
constexpr int kLabelRecordLength = 16; // quarlo18.wrk
constexpr int kCoordRecordLength = 32; // quarlo11.wrk
constexpr int kBlockRecordLength = 2048; // quarlo02.wrk, quarlo13.wrk

// Height status of a station.
enum HeightStatus : std::int32_t {
    kFixed = 0,
    kHeightGiven = 1,
    kNoHeight = 2,
    kNotObserved = 3,
    kNumberUsed = 4,
    kRedefinition = 5
};

constexpr float kUnknownHeight = 9999.0f;

// Station record of quarlo09.wrk (72 bytes).
struct StationRecord {
    std::int32_t number = 0;
    std::int32_t status = 0;
    double easting = 0.0;
    double northing = 0.0;
    FixedText<20> name;
    float height = 0.0f;
    std::int32_t registration = 0;
    float height_sd = 0.0f;
    std::int32_t pillar = 0;
    std::int32_t coordinates_flag = 0;
    float geoid = 0.0f;
    // Standard deviation of the adjusted height (metres), stored by the
    // precision analysis; 0 when none was computed. height_sd keeps the
    // a-priori value of a height observation throughout.
    float adjusted_sd = 0.0f;
};

// Zenith distance record of quarlo09.wrk (type 23).
struct ZenithRecord {
    std::int32_t from = 0; // set-up x 1000 + station
    std::int32_t to = 0;
    double zenith = 0.0; // radians
    float sd = 0.0f;     // seconds
    double distance = 0.0;
    double azimuth = 0.0; // degrees
    float k = 0.0f;
    std::int32_t reciprocal = 0;     // 1, -1 or 0
    std::int32_t refraction_set = 0; // 0, 1 or 2
    float instrument_height = 0.0f;
    float target_height = 0.0f;
    float occupied_eccentric_height = 0.0f;
    float observed_eccentric_height = 0.0f;
    std::int32_t occupied_eccentric_code = 0;
    std::int32_t observed_eccentric_code = 0;
    char distance_type = ' ';
    std::int32_t distance_supplied = 0;
};

// Height difference record of quarlo09.wrk (types 24 and 26; 44 bytes).
struct HeightDiffRecord {
    std::int32_t from = 0;
    std::int32_t to = 0;
    float dh = 0.0f; // 10000 + record number on quarlo11.wrk for type 26
    float sd = 0.0f;
    std::int32_t occupied_eccentric_code = 0;
    std::int32_t observed_eccentric_code = 0;
    float instrument_height = 0.0f;
    float target_height = 0.0f;
    double distance = 0.0;
    // 1 on a type 26 record: dh - 10000 is then a record of quarlo11.wrk.
    std::int32_t coordinate_difference = 0;
};

// A coordinate-difference record's height difference is this base plus its
// record number on quarlo11.wrk.
constexpr float kCoordinateDifferenceBase = 10000.0f;

// Coordinate-difference record of quarlo11.wrk (32 bytes).
struct CoordDiffRecord {
    std::int32_t first = 0;
    std::int32_t second = 0;
    double dx = 0.0;
    double dy = 0.0;
    double dz = 0.0;
};

// Station record of quarlo01.wrk written by the iteration set-up (72 bytes).
struct EqnStationRecord {
    std::int32_t status = 0;
    double easting = 0.0;
    double northing = 0.0;
    std::int32_t first_unknown = 0;
    std::int32_t number = 0;
    FixedText<20> name;
    float height = 0.0f;
    std::int32_t registration = 0;
    float height_sd = 0.0f;
    std::int32_t pillar = 0;
    std::int32_t coordinates_flag = 0;
    float geoid = 0.0f;
};

// Observation-equation record of quarlo01.wrk (records 1001 on).
struct EquationRecord {
    std::array<std::int32_t, 5> unknown{};
    std::array<float, 5> coefficient{};
    float misclosure = 0.0f;
    float weight = 0.0f;
    std::int32_t from_position = 0;
    std::int32_t to_position = 0;
    std::int32_t refraction_set = 0;
    double distance = 0.0;
};

// Byte sizes of the fields written for each record kind.
constexpr int kStationRecordBytes = 72;
constexpr int kZenithRecordBytes = 77;
constexpr int kHeightDiffRecordBytes = 44;
constexpr int kEqnStationRecordBytes = 72;
constexpr int kEquationRecordBytes = 68;

void encode(const StationRecord& s, Record& r);
StationRecord decode_station(const Record& r);
void encode(const ZenithRecord& z, Record& r);
ZenithRecord decode_zenith(const Record& r);
void encode(const HeightDiffRecord& h, Record& r);
void encode(const CoordDiffRecord& c, Record& r);
void encode(const EqnStationRecord& s, Record& r);
void encode(const EquationRecord& e, Record& r);
EquationRecord decode_equation(const Record& r);

// The station-work-file record of a station as the iteration set-up left it
// on the equation work file (no adjusted standard deviation yet).
StationRecord station_record(const EqnStationRecord& s);

// Reading and writing whole records of a direct-access file.
StationRecord read_station(DirectFile& f, int rec);
void write_station(DirectFile& f, int rec, const StationRecord& s);
ZenithRecord read_zenith(DirectFile& f, int rec);
void write_zenith(DirectFile& f, int rec, const ZenithRecord& z);
HeightDiffRecord read_height_diff(DirectFile& f, int rec);
void write_height_diff(DirectFile& f, int rec, const HeightDiffRecord& h);
CoordDiffRecord read_coord_diff(DirectFile& f, int rec);
void write_coord_diff(DirectFile& f, int rec, const CoordDiffRecord& c);
EqnStationRecord read_eqn_station(DirectFile& f, int rec);
void write_eqn_station(DirectFile& f, int rec, const EqnStationRecord& s);
EquationRecord read_equation(DirectFile& f, int rec);
// Station records 1 .. count of the equation work file, held at their
// record numbers (entry 0 unused), for a stage that reads each station
// many times while they do not change.
void read_eqn_stations(DirectFile& f, int count, std::vector<EqnStationRecord>& stations);

// The same, read once and then looked up: a record outside 1 .. count is
// read from the file as before.
class EqnStations {
public:
    EqnStations(DirectFile& f, int count) : file_(f) { read_eqn_stations(f, count, held_); }
    EqnStationRecord operator()(int rec) const {
        if (rec >= 1 && static_cast<std::size_t>(rec) < held_.size()) return held_[static_cast<std::size_t>(rec)];
        return read_eqn_station(file_, rec);
    }

private:
    DirectFile& file_;
    std::vector<EqnStationRecord> held_;
};
void write_equation(DirectFile& f, int rec, const EquationRecord& e);

// Label work file: the 12-character label and geoid separation of station n.
FixedText<12> read_label(DirectFile& f, int n, float* geoid = nullptr);
void write_label(DirectFile& f, int n, const FixedText<12>& label, float geoid);

} // namespace quarlo
