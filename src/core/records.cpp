#include "core/records.h"

#include <algorithm>
#include <array>
#include <bit>
#include <concepts>
#include <cstring>
#include <limits>
#include <type_traits>

namespace quarlo {

namespace {

// Each record layout is described once, as a list of (offset, field) pairs
// walked by a visitor: the writer puts each field into the record, the
// reader takes it out, so the two directions cannot disagree.
struct Writer {
    Record& r;
    void operator()(std::size_t at, const std::int32_t& v) { r.set_i32(at, v); }
    void operator()(std::size_t at, const float& v) { r.set_f32(at, v); }
    void operator()(std::size_t at, const double& v) { r.set_f64(at, v); }
    void operator()(std::size_t at, const char& v) { r.set_ch(at, v); }
    template <std::size_t N>
    void operator()(std::size_t at, const FixedText<N>& v) { r.set_text(at, v.view(), N); }
};

struct Reader {
    const Record& r;
    void operator()(std::size_t at, std::int32_t& v) { v = r.i32(at); }
    void operator()(std::size_t at, float& v) { v = r.f32(at); }
    void operator()(std::size_t at, double& v) { v = r.f64(at); }
    void operator()(std::size_t at, char& v) { v = r.ch(at); }
    template <std::size_t N>
    void operator()(std::size_t at, FixedText<N>& v) { v.set(r.text_view(at, N)); }
};

template <typename Io, typename S>
void layout(Io& io, S& s) requires std::same_as<std::remove_const_t<S>, StationRecord> {
    io(0, s.number);
    io(4, s.status);
    io(8, s.easting);
    io(16, s.northing);
    io(24, s.name);
    io(44, s.height);
    io(48, s.registration);
    io(52, s.height_sd);
    io(56, s.pillar);
    io(60, s.coordinates_flag);
    io(64, s.geoid);
    io(68, s.adjusted_sd);
}

template <typename Io, typename Z>
void layout(Io& io, Z& z) requires std::same_as<std::remove_const_t<Z>, ZenithRecord> {
    io(0, z.from);
    io(4, z.to);
    io(8, z.zenith);
    io(16, z.sd);
    io(20, z.distance);
    io(28, z.azimuth);
    io(36, z.k);
    io(40, z.reciprocal);
    io(44, z.refraction_set);
    io(48, z.instrument_height);
    io(52, z.target_height);
    io(56, z.occupied_eccentric_height);
    io(60, z.observed_eccentric_height);
    io(64, z.occupied_eccentric_code);
    io(68, z.observed_eccentric_code);
    io(72, z.distance_type);
    io(73, z.distance_supplied);
}

template <typename Io, typename H>
void layout(Io& io, H& h) requires std::same_as<std::remove_const_t<H>, HeightDiffRecord> {
    io(0, h.from);
    io(4, h.to);
    io(8, h.dh);
    io(12, h.sd);
    io(16, h.occupied_eccentric_code);
    io(20, h.observed_eccentric_code);
    io(24, h.instrument_height);
    io(28, h.target_height);
    io(32, h.distance);
    io(40, h.coordinate_difference);
}

template <typename Io, typename C>
void layout(Io& io, C& c) requires std::same_as<std::remove_const_t<C>, CoordDiffRecord> {
    io(0, c.first);
    io(4, c.second);
    io(8, c.dx);
    io(16, c.dy);
    io(24, c.dz);
}

template <typename Io, typename S>
void layout(Io& io, S& s) requires std::same_as<std::remove_const_t<S>, EqnStationRecord> {
    io(0, s.status);
    io(4, s.easting);
    io(12, s.northing);
    io(20, s.first_unknown);
    io(24, s.number);
    io(28, s.name);
    io(48, s.height);
    io(52, s.registration);
    io(56, s.height_sd);
    io(60, s.pillar);
    io(64, s.coordinates_flag);
    io(68, s.geoid);
}

template <typename Io, typename E>
void layout(Io& io, E& e) requires std::same_as<std::remove_const_t<E>, EquationRecord> {
    for (std::size_t i = 0; i < 5; ++i) {
        io(4 * i, e.unknown[i]);
        io(20 + 4 * i, e.coefficient[i]);
    }
    io(40, e.misclosure);
    io(44, e.weight);
    io(48, e.from_position);
    io(52, e.to_position);
    io(56, e.refraction_set);
    io(60, e.distance);
}

// The same layout as byte copies: on a little-endian machine a field's
// bytes in the record are its bytes in memory, so runs of fields that lie
// side by side both in the record and in the structure move as one copy.
// Worked out once per layout by walking it, so that the list of fields
// stays the only description of the record.
struct Spans {
    struct Span {
        std::size_t record_at, value_at, size;
    };
    std::array<Span, 24> span{};
    int count = 0;
    std::size_t extent = 0; // record bytes the layout reaches
    bool direct = std::endian::native == std::endian::little;

    void add(std::size_t at, std::size_t value_at, std::size_t size) {
        extent = std::max(extent, at + size);
        if (count > 0) {
            Span& last = span[static_cast<std::size_t>(count - 1)];
            if (last.record_at + last.size == at && last.value_at + last.size == value_at) {
                last.size += size;
                return;
            }
        }
        if (count == static_cast<int>(span.size())) {
            direct = false;
            return;
        }
        span[static_cast<std::size_t>(count++)] = {at, value_at, size};
    }
};

struct Planner {
    const unsigned char* base;
    Spans& spans;
    void field(std::size_t at, const void* v, std::size_t size) {
        spans.add(at, static_cast<std::size_t>(static_cast<const unsigned char*>(v) - base), size);
    }
    void operator()(std::size_t at, const std::int32_t& v) { field(at, &v, 4); }
    void operator()(std::size_t at, const float& v) { field(at, &v, 4); }
    void operator()(std::size_t at, const double& v) { field(at, &v, 8); }
    void operator()(std::size_t at, const char& v) { field(at, &v, 1); }
    template <std::size_t N>
    void operator()(std::size_t at, const FixedText<N>& v) { field(at, v.view().data(), N); }
};

static_assert(sizeof(std::int32_t) == 4 && sizeof(float) == 4 && sizeof(double) == 8);
static_assert(std::numeric_limits<float>::is_iec559 && std::numeric_limits<double>::is_iec559);

template <typename T>
const Spans& spans_of() {
    static_assert(std::is_trivially_copyable_v<T>);
    static const Spans spans = [] {
        Spans s;
        const T probe{};
        Spans fields;
        Planner p{reinterpret_cast<const unsigned char*>(&probe), fields};
        layout(p, probe);
        // In record order, so that neighbours in both places join up.
        std::sort(fields.span.begin(), fields.span.begin() + fields.count,
                  [](const Spans::Span& a, const Spans::Span& b) { return a.record_at < b.record_at; });
        for (int i = 0; i < fields.count; ++i) {
            const Spans::Span& f = fields.span[static_cast<std::size_t>(i)];
            s.add(f.record_at, f.value_at, f.size);
        }
        s.direct = s.direct && fields.direct;
        return s;
    }();
    return spans;
}

// The value's fields into the bytes of a record that reach to the layout's
// extent; the bytes between fields are left as they are.
template <typename T>
void to_bytes(const Spans& s, const T& value, std::uint8_t* bytes) {
    const auto* from = reinterpret_cast<const unsigned char*>(&value);
    for (int i = 0; i < s.count; ++i) {
        const Spans::Span& sp = s.span[static_cast<std::size_t>(i)];
        std::memcpy(bytes + sp.record_at, from + sp.value_at, sp.size);
    }
}

template <typename T>
void encode_with_layout(const T& value, Record& r) {
    const Spans& s = spans_of<T>();
    if (s.direct && s.extent <= r.size()) {
        to_bytes(s, value, r.data());
        return;
    }
    Writer w{r};
    layout(w, value);
}

// The value from the bytes of a record that reach to the layout's extent.
template <typename T>
T from_bytes(const Spans& s, const std::uint8_t* bytes) {
    T value;
    auto* to = reinterpret_cast<unsigned char*>(&value);
    for (int i = 0; i < s.count; ++i) {
        const Spans::Span& sp = s.span[static_cast<std::size_t>(i)];
        std::memcpy(to + sp.value_at, bytes + sp.record_at, sp.size);
    }
    return value;
}

template <typename T>
T decode_with_layout(const Record& r) {
    const Spans& s = spans_of<T>();
    if (s.direct && s.extent <= r.size()) return from_bytes<T>(s, r.data());
    T value;
    Reader rd{r};
    layout(rd, value);
    return value;
}

} // namespace

void encode(const StationRecord& s, Record& r) { encode_with_layout(s, r); }
StationRecord decode_station(const Record& r) { return decode_with_layout<StationRecord>(r); }
void encode(const ZenithRecord& z, Record& r) { encode_with_layout(z, r); }
ZenithRecord decode_zenith(const Record& r) { return decode_with_layout<ZenithRecord>(r); }
void encode(const HeightDiffRecord& h, Record& r) { encode_with_layout(h, r); }
void encode(const CoordDiffRecord& c, Record& r) { encode_with_layout(c, r); }
void encode(const EqnStationRecord& s, Record& r) { encode_with_layout(s, r); }
void encode(const EquationRecord& e, Record& r) { encode_with_layout(e, r); }
EquationRecord decode_equation(const Record& r) { return decode_with_layout<EquationRecord>(r); }

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

// A record held in the file's memory is decoded where it lies; any other
// is read first.
template <typename T>
T read_decoded(DirectFile& f, int rec) {
    const Spans& s = spans_of<T>();
    if (s.direct)
        if (const std::uint8_t* bytes = f.held(rec, s.extent)) return from_bytes<T>(s, bytes);
    return decode_with_layout<T>(read_raw(f, rec));
}

template <typename T>
void write_raw(DirectFile& f, int rec, const T& value, int nbytes) {
    const Spans& s = spans_of<T>();
    if (s.direct && nbytes <= static_cast<int>(Record::kInline) && s.extent <= static_cast<std::size_t>(nbytes)) {
        // The bytes laid out in place, the gaps between fields zero.
        std::uint8_t bytes[Record::kInline] = {};
        to_bytes(s, value, bytes);
        f.write(rec, bytes, static_cast<std::size_t>(nbytes));
        return;
    }
    Record r(static_cast<std::size_t>(std::max(f.record_length(), kObsRecordLength)));
    encode(value, r);
    f.write(rec, r, nbytes);
}

} // namespace

StationRecord read_station(DirectFile& f, int rec) { return read_decoded<StationRecord>(f, rec); }
void write_station(DirectFile& f, int rec, const StationRecord& s) { write_raw(f, rec, s, kStationRecordBytes); }
ZenithRecord read_zenith(DirectFile& f, int rec) { return read_decoded<ZenithRecord>(f, rec); }
void write_zenith(DirectFile& f, int rec, const ZenithRecord& z) { write_raw(f, rec, z, kZenithRecordBytes); }
HeightDiffRecord read_height_diff(DirectFile& f, int rec) { return read_decoded<HeightDiffRecord>(f, rec); }
void write_height_diff(DirectFile& f, int rec, const HeightDiffRecord& h) {
    write_raw(f, rec, h, kHeightDiffRecordBytes);
}
CoordDiffRecord read_coord_diff(DirectFile& f, int rec) { return read_decoded<CoordDiffRecord>(f, rec); }
void write_coord_diff(DirectFile& f, int rec, const CoordDiffRecord& c) { write_raw(f, rec, c, kCoordRecordLength); }
EqnStationRecord read_eqn_station(DirectFile& f, int rec) { return read_decoded<EqnStationRecord>(f, rec); }
void write_eqn_station(DirectFile& f, int rec, const EqnStationRecord& s) {
    write_raw(f, rec, s, kEqnStationRecordBytes);
}
EquationRecord read_equation(DirectFile& f, int rec) { return read_decoded<EquationRecord>(f, rec); }
void write_equation(DirectFile& f, int rec, const EquationRecord& e) { write_raw(f, rec, e, kEquationRecordBytes); }

void read_eqn_stations(DirectFile& f, int count, std::vector<EqnStationRecord>& stations) {
    stations.assign(static_cast<std::size_t>(std::max(count, 0)) + 1, EqnStationRecord{});
    for (int p = 1; p <= count; ++p) stations[static_cast<std::size_t>(p)] = read_eqn_station(f, p);
}

namespace {

// Label work file record: the label and the station's geoid separation.
struct LabelRecord {
    FixedText<12> label;
    float geoid = 0.0f;
};

template <typename Io, typename L>
void layout(Io& io, L& l) requires std::same_as<std::remove_const_t<L>, LabelRecord> {
    io(0, l.label);
    io(12, l.geoid);
}

} // namespace

FixedText<12> read_label(DirectFile& f, int n, float* geoid) {
    Record r(kLabelRecordLength);
    f.read(n, r);
    LabelRecord l = decode_with_layout<LabelRecord>(r);
    if (geoid) *geoid = l.geoid;
    return l.label;
}

void write_label(DirectFile& f, int n, const FixedText<12>& label, float geoid) {
    Record r(kLabelRecordLength);
    encode_with_layout(LabelRecord{label, geoid}, r);
    f.write(n, r);
}

} // namespace quarlo
