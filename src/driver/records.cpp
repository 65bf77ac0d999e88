#include "driver/records.h"

namespace quarlo {

void encode(const StationRecord& s, Record& r) {
    r.set_i32(0, s.number);
    r.set_i32(4, s.status);
    r.set_f64(8, s.easting);
    r.set_f64(16, s.northing);
    r.set_text(24, s.name.view(), 20);
    r.set_f32(44, s.height);
    r.set_i32(48, s.registration);
    r.set_f32(52, s.height_sd);
    r.set_i32(56, s.pillar);
    r.set_i32(60, s.coordinates_flag);
    r.set_f32(64, s.geoid);
    r.set_f32(68, s.adjusted_sd);
}

StationRecord decode_station(const Record& r) {
    StationRecord s;
    s.number = r.i32(0);
    s.status = r.i32(4);
    s.easting = r.f64(8);
    s.northing = r.f64(16);
    s.name.set(r.text(24, 20));
    s.height = r.f32(44);
    s.registration = r.i32(48);
    s.height_sd = r.f32(52);
    s.pillar = r.i32(56);
    s.coordinates_flag = r.i32(60);
    s.geoid = r.f32(64);
    s.adjusted_sd = r.f32(68);
    return s;
}

void encode(const ZenithRecord& z, Record& r) {
    r.set_i32(0, z.from);
    r.set_i32(4, z.to);
    r.set_f64(8, z.zenith);
    r.set_f32(16, z.sd);
    r.set_f64(20, z.distance);
    r.set_f64(28, z.azimuth);
    r.set_f32(36, z.k);
    r.set_i32(40, z.reciprocal);
    r.set_i32(44, z.refraction_set);
    r.set_f32(48, z.instrument_height);
    r.set_f32(52, z.target_height);
    r.set_f32(56, z.occupied_eccentric_height);
    r.set_f32(60, z.observed_eccentric_height);
    r.set_i32(64, z.occupied_eccentric_code);
    r.set_i32(68, z.observed_eccentric_code);
    r.set_ch(72, z.distance_type);
    r.set_i32(73, z.distance_supplied);
}

ZenithRecord decode_zenith(const Record& r) {
    ZenithRecord z;
    z.from = r.i32(0);
    z.to = r.i32(4);
    z.zenith = r.f64(8);
    z.sd = r.f32(16);
    z.distance = r.f64(20);
    z.azimuth = r.f64(28);
    z.k = r.f32(36);
    z.reciprocal = r.i32(40);
    z.refraction_set = r.i32(44);
    z.instrument_height = r.f32(48);
    z.target_height = r.f32(52);
    z.occupied_eccentric_height = r.f32(56);
    z.observed_eccentric_height = r.f32(60);
    z.occupied_eccentric_code = r.i32(64);
    z.observed_eccentric_code = r.i32(68);
    z.distance_type = r.ch(72);
    z.distance_supplied = r.i32(73);
    return z;
}

void encode(const HeightDiffRecord& h, Record& r) {
    r.set_i32(0, h.from);
    r.set_i32(4, h.to);
    r.set_f32(8, h.dh);
    r.set_f32(12, h.sd);
    r.set_i32(16, h.occupied_eccentric_code);
    r.set_i32(20, h.observed_eccentric_code);
    r.set_f32(24, h.instrument_height);
    r.set_f32(28, h.target_height);
    r.set_f64(32, h.distance);
    r.set_i32(40, h.coordinate_difference);
}

HeightDiffRecord decode_height_diff(const Record& r) {
    HeightDiffRecord h;
    h.from = r.i32(0);
    h.to = r.i32(4);
    h.dh = r.f32(8);
    h.sd = r.f32(12);
    h.occupied_eccentric_code = r.i32(16);
    h.observed_eccentric_code = r.i32(20);
    h.instrument_height = r.f32(24);
    h.target_height = r.f32(28);
    h.distance = r.f64(32);
    h.coordinate_difference = r.i32(40);
    return h;
}

void encode(const CoordDiffRecord& c, Record& r) {
    r.set_i32(0, c.first);
    r.set_i32(4, c.second);
    r.set_f64(8, c.dx);
    r.set_f64(16, c.dy);
    r.set_f64(24, c.dz);
}

CoordDiffRecord decode_coord_diff(const Record& r) {
    CoordDiffRecord c;
    c.first = r.i32(0);
    c.second = r.i32(4);
    c.dx = r.f64(8);
    c.dy = r.f64(16);
    c.dz = r.f64(24);
    return c;
}

void encode(const EqnStationRecord& s, Record& r) {
    r.set_i32(0, s.status);
    r.set_f64(4, s.easting);
    r.set_f64(12, s.northing);
    r.set_i32(20, s.first_unknown);
    r.set_i32(24, s.number);
    r.set_text(28, s.name.view(), 20);
    r.set_f32(48, s.height);
    r.set_i32(52, s.registration);
    r.set_f32(56, s.height_sd);
    r.set_i32(60, s.pillar);
    r.set_i32(64, s.coordinates_flag);
    r.set_f32(68, s.geoid);
}

EqnStationRecord decode_eqn_station(const Record& r) {
    EqnStationRecord s;
    s.status = r.i32(0);
    s.easting = r.f64(4);
    s.northing = r.f64(12);
    s.first_unknown = r.i32(20);
    s.number = r.i32(24);
    s.name.set(r.text(28, 20));
    s.height = r.f32(48);
    s.registration = r.i32(52);
    s.height_sd = r.f32(56);
    s.pillar = r.i32(60);
    s.coordinates_flag = r.i32(64);
    s.geoid = r.f32(68);
    return s;
}

void encode(const EquationRecord& e, Record& r) {
    for (std::size_t i = 0; i < 5; ++i) {
        r.set_i32(4 * i, e.unknown[i]);
        r.set_f32(20 + 4 * i, e.coefficient[i]);
    }
    r.set_f32(40, e.misclosure);
    r.set_f32(44, e.weight);
    r.set_i32(48, e.from_position);
    r.set_i32(52, e.to_position);
    r.set_i32(56, e.refraction_set);
    r.set_f64(60, e.distance);
}

EquationRecord decode_equation(const Record& r) {
    EquationRecord e;
    for (std::size_t i = 0; i < 5; ++i) {
        e.unknown[i] = r.i32(4 * i);
        e.coefficient[i] = r.f32(20 + 4 * i);
    }
    e.misclosure = r.f32(40);
    e.weight = r.f32(44);
    e.from_position = r.i32(48);
    e.to_position = r.i32(52);
    e.refraction_set = r.i32(56);
    e.distance = r.f64(60);
    return e;
}

StationRecord station_record(const EqnStationRecord& e) {
    StationRecord s;
    s.number = e.number;
    s.status = e.status;
    s.easting = e.easting;
    s.northing = e.northing;
    s.name = e.name;
    s.height = e.height;
    s.registration = e.registration;
    s.height_sd = e.height_sd;
    s.pillar = e.pillar;
    s.coordinates_flag = e.coordinates_flag;
    s.geoid = e.geoid;
    return s;
}

namespace {

Record read_raw(DirectFile& f, int rec) {
    Record r(static_cast<std::size_t>(std::max(f.record_length(), kObsRecordLength)));
    f.read(rec, r);
    return r;
}

template <typename T>
void write_raw(DirectFile& f, int rec, const T& value, int nbytes) {
    Record r(static_cast<std::size_t>(std::max(f.record_length(), kObsRecordLength)));
    encode(value, r);
    f.write(rec, r, nbytes);
}

} // namespace

StationRecord read_station(DirectFile& f, int rec) { return decode_station(read_raw(f, rec)); }
void write_station(DirectFile& f, int rec, const StationRecord& s) { write_raw(f, rec, s, kStationRecordBytes); }
ZenithRecord read_zenith(DirectFile& f, int rec) { return decode_zenith(read_raw(f, rec)); }
void write_zenith(DirectFile& f, int rec, const ZenithRecord& z) { write_raw(f, rec, z, kZenithRecordBytes); }
HeightDiffRecord read_height_diff(DirectFile& f, int rec) { return decode_height_diff(read_raw(f, rec)); }
void write_height_diff(DirectFile& f, int rec, const HeightDiffRecord& h) {
    write_raw(f, rec, h, kHeightDiffRecordBytes);
}
CoordDiffRecord read_coord_diff(DirectFile& f, int rec) { return decode_coord_diff(read_raw(f, rec)); }
void write_coord_diff(DirectFile& f, int rec, const CoordDiffRecord& c) { write_raw(f, rec, c, kCoordRecordLength); }
EqnStationRecord read_eqn_station(DirectFile& f, int rec) { return decode_eqn_station(read_raw(f, rec)); }
void write_eqn_station(DirectFile& f, int rec, const EqnStationRecord& s) {
    write_raw(f, rec, s, kEqnStationRecordBytes);
}
EquationRecord read_equation(DirectFile& f, int rec) { return decode_equation(read_raw(f, rec)); }
void write_equation(DirectFile& f, int rec, const EquationRecord& e) { write_raw(f, rec, e, kEquationRecordBytes); }

FixedText<12> read_label(DirectFile& f, int n, float* geoid) {
    Record r(kLabelRecordLength);
    f.read(n, r);
    if (geoid) *geoid = r.f32(12);
    return FixedText<12>(r.text(0, 12));
}

void write_label(DirectFile& f, int n, const FixedText<12>& label, float geoid) {
    Record r(kLabelRecordLength);
    r.set_text(0, label.view(), 12);
    r.set_f32(12, geoid);
    f.write(n, r);
}

} // namespace quarlo
