// Observation equations of one iteration: every zenith distance and height
// difference becomes one linearised, weighted equation on the equation work
// file and one line of the report; then the height observations and the
// refraction coefficients get their constraint equations, and the band
// width of the equations is measured. Any observation in error stops the
// job once every observation has been listed.
#include "adjust/vobseqn.h"

#include "adjust/equation_lines.h"
#include "adjust/tdband.h"
#include "adjust/zenith_reduction.h"
#include "core/run_files.h"
#include "core/records.h"
#include "geodesy/crdiff2.h"
#include "geodesy/geodcat.h"
#include "geodesy/stnadd.h"
#include "input/record_layout.h"
#include "input/trlev1.h"
#include "pelmo_routines/spdcor.h"
#include "report/edit.h"
#include "report/iocat3.h"
#include "report/print.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

namespace {

constexpr double kDegreesPerRadian = 57.295779513;
constexpr double kDefaultRadius = 6370100.0;
constexpr double kShortest = 0.001;     // metres: a shorter distance is no distance
constexpr double kNoSeparation = 0.001; // metres: a smaller geoid separation is none
constexpr int kFirstEquation = 1000; // equation k is record 1000 + k
// An observation that cannot give a finite equation.
constexpr std::string_view kOutOfRange = "*** OBSERVATION OUT OF RANGE ***";

enum ErrorCode {
    kZenithError = 1,
    kSameCoordinates = 2,
    kMisclosureTooLarge = 3,
    kNoDistance = 8,
    kPartnerMissing = 9,
    kOccupiedNotFound = 10,
    kObservedNotFound = 11,
    kNoCoordinates = 12
};

bool finite(const EquationRecord& e) {
    for (float c : e.coefficient)
        if (!std::isfinite(c)) return false;
    return std::isfinite(e.misclosure) && std::isfinite(e.weight) && e.weight > 0.0f;
}

class Equations {
public:
    explicit Equations(RunContext& ctx);
    void run();

private:
    void open_zen_file();
    void zenith(int i);
    void reduce_distance(ZenithLine& l, const EqnStationRecord& s1, const EqnStationRecord& s2, bool coords);
    void direction_and_radius(ZenithLine& l, double& alpha, double& phi, const EqnStationRecord& s1,
                              const EqnStationRecord& s2, bool coords);
    int refraction_unknown(const ZenithRecord& z, int p1);
    void height_difference(int j);
    bool coordinate_difference(HeightLine& l, const EqnStationRecord& s1, const EqnStationRecord& s2);
    void constraints();
    void stop_if_errors();
    int position_of(int number);
    // A message of the stage in the report and at the observation's line.
    void message(std::string_view text, SourceLine at);
    void check_distance(const ZenithRecord& z, const EqnStationRecord& s1, const EqnStationRecord& s2, SourceLine at);
    float carried_misclosure(DirectFile& file, int rec);
    void write_observation_equation(int rec, const EquationRecord& eq) {
        write_equation(ctx_.files.unit1, rec, eq);
        band_ = std::max(band_, equation_width(eq));
    }

    RunContext& ctx_;
    // The stations' positions by number, and their records (from 1) as the
    // iteration set-up wrote them.
    StationPositions<kMaxStations> positions_;
    EqnStations stations_;
    bool label_;
    bool zone_;
    bool first_iteration_;
    int analysis_;
    int nz_, nh_, nobs_, base_;
    double radius_ = kDefaultRadius;
    double polar_radius_ = 0.0;   // c = a / sqrt(1 - e2)
    double second_e2_ = 0.0;      // e'2
    double phi0_ = 0.0;           // mean latitude, radians
    double centring_ = 0.0;       // centring standard deviation, metres
    int network_k_ = 0;           // the network refraction coefficient
    int previous_k_unknown_ = 0;  // of the zenith equation before
    float remembered_k_ = 0.0f;   // refraction option 3
    int sequence_ = 0;
    int errors_ = 0;
    int band_ = 0; // of the observation equations written
    bool zen_file_ = false;
};

Equations::Equations(RunContext& ctx)
    : ctx_(ctx),
      positions_(ctx.stnfst.station_number, ctx.numbrs.number_of_stations),
      stations_(ctx.files.unit1, ctx.numbrs.number_of_stations),
      label_(ctx.rec01.label_mode != 0),
      zone_(ctx.tmvals.zone_code != 0),
      first_iteration_(ctx.rec01.pass_countdown == ctx.rec01.iteration_total),
      analysis_(ctx.option.run_status - 1),
      nz_(ctx.numbrs.number_of_zenith_distances),
      nh_(ctx.numbrs.number_of_height_differences),
      nobs_(ctx.numbrs.number_of_observations),
      base_(ctx.numbrs.number_of_stations + ctx.numbrs.rejected_station_count) {
    if (zone_) {
        const auto& t = ctx.tmvals;
        double b = t.a * (1.0 - 1.0 / t.inverse_flattening);
        polar_radius_ = t.a / std::sqrt(1.0 - t.e2);
        second_e2_ = (t.a * t.a - b * b) / (b * b);
    }
    phi0_ = -ctx.numbrs.mean_latitude / kDegreesPerRadian;
    centring_ = ctx.option.centring_sd / 10000.0;
    network_k_ = ctx.numbrs.matrix_size - (ctx.option.rotation_option > 0 ? 2 : 0);
}

void Equations::run() {
    // The eccentric-station data file is not read by this stage: it is
    // not opened.
    begin_section(ctx_, "TLHED2");
    open_zen_file();
    try {
        // Counted afresh in every pass.
        ctx_.numbrs.number_of_reciprocal_equations = 0;
        for (int i = 1; i <= nz_; ++i) zenith(i);

        begin_section(ctx_, "TLHED6");
        for (int j = 1; j <= nh_; ++j) height_difference(j);

        // The constraints come before the stop so that a standard deviation
        // they cannot use is listed with the other errors.
        constraints();
        stop_if_errors();
        // Every observation's equation was written in this pass (any that
        // was not stopped the job): their band, as bandwd measures it.
        set_band_width(ctx_, band_);
    } catch (...) {
        if (zen_file_) ctx_.files.unit17.close();
        throw;
    }
    if (zen_file_) {
        // Complete; it replaces the old file once the run has succeeded.
        ctx_.files.unit17.finish();
        ctx_.summary.wrote(ctx_.files.unit17.path());
    }
}

void Equations::open_zen_file() {
    if (ctx_.option.zenith_distance_switch == 0) return;
    std::string name = trim_name(ctx_.names.job_name.str()) + ".zen";
    int error = 0;
    zen_file_ = ctx_.files.unit17.open(name, SeqFile::Mode::Staged, &error);
    if (!zen_file_) {
        constexpr std::string_view kMessage = "*** UNABLE TO OPEN ZENITH DISTANCE FILE ***";
        equation_message(ctx_, kMessage);
        // Said once, although every pass tries it.
        if (ctx_.rec01.pass_countdown == ctx_.rec01.iteration_total) output_not_opened(ctx_, name, error, kMessage);
    }
}

// As tgetnum finds it, status words and all.
int Equations::position_of(int number) {
    const int position = positions_.find(number);
    if (position > 0) {
        ctx_.ioarea.lookup_status1 = 0;
    } else {
        ctx_.ioarea.lookup_status1 = -1;
        ctx_.ioarea.lookup_status2 = -1;
    }
    return position;
}

void Equations::message(std::string_view text, SourceLine at) {
    equation_message(ctx_, text);
    ctx_.diag.message(at, report_message_text(text));
}

// An observed slope or horizontal distance far from the distance between
// the stations' grid positions points at a shifted field or a wrong
// station number. Said once, in the first iteration.
void Equations::check_distance(const ZenithRecord& z, const EqnStationRecord& s1, const EqnStationRecord& s2,
                               SourceLine at) {
    constexpr double kTolerance = 0.05;
    const bool slope = z.distance_type == 'S';
    if (!first_iteration_ || z.distance_supplied == 0 || !(slope || z.distance_type == 'H')) return;
    const double grid = std::hypot(s2.easting - s1.easting, s2.northing - s1.northing);
    // A slope distance is compared by its horizontal part.
    const double horizontal = slope ? z.distance * std::sin(z.zenith) : z.distance;
    if (!(grid >= kShortest) || !(std::fabs(horizontal - grid) > kTolerance * grid)) return;
    // The last column of the field: numbers stand right-aligned.
    const Field& field = label_ ? keyword::kZenithDistance : record::zenith::kDistance;
    const int column = field.col + field.width - 1;
    ctx_.diag.warning(at, column, [&] {
        return std::string("observed ") + (slope ? "slope" : "horizontal") + " distance " +
               edit::fixed_text(z.distance, 3) + " m differs by " +
               edit::fixed_text(100.0 * std::fabs(horizontal - grid) / grid, 1) + " % from the grid distance " +
               edit::fixed_text(grid, 3) + " m between the stations: a shifted field or a wrong station number?";
    });
}

// ---- Zenith distances ---------------------------------------------------

void Equations::zenith(int i) {
    ++sequence_;
    ZenithLine l;
    l.sequence = sequence_;
    l.z = read_zenith(ctx_.files.unit9, base_ + i);
    const ZenithRecord& z = l.z;
    const SourceLine at = ctx_.diag.observation(i);
    const int refraction_option = ctx_.option.refraction_option;
    l.reciprocal = z.reciprocal == 1 || z.reciprocal == -1;
    l.marker = z.distance_type == 'E' ? 'E' : ' ';
    l.azimuth = z.azimuth;
    l.d = z.distance;
    double alpha = z.azimuth / kDegreesPerRadian;
    double phi = phi0_;
    float k = z.k;
    if (refraction_option == 3) {
        if (z.reciprocal == 0) remembered_k_ = z.k;
        if (z.reciprocal == 1) k = remembered_k_;
    }

    // An observation to or from a station that takes no part shows its
    // numbers and the message only; nothing of it is worked out.
    int p1 = position_of(z.from % 1000);
    int p2 = position_of(z.to);
    if (p1 == 0 || p2 == 0) {
        // The first message is printed on the observation's line.
        zenith_short_line(ctx_, l);
        tlerr1(ctx_, p1 == 0 ? kOccupiedNotFound : kObservedNotFound, at);
        if (p1 == 0 && p2 == 0) tlerr1(ctx_, kObservedNotFound, at);
        errors_ += (p1 == 0 ? 1 : 0) + (p2 == 0 ? 1 : 0);
        return;
    }
    const EqnStationRecord s1 = stations_(p1);
    const EqnStationRecord s2 = stations_(p2);
    bool coords = s1.coordinates_flag != 0 && s2.coordinates_flag != 0;

    if (coords) check_distance(z, s1, s2, at);
    reduce_distance(l, s1, s2, coords);
    bool in_error = false;

    if (analysis_ < 4 && z.zenith == 0.0) {
        tlerr1(ctx_, kZenithError, at);
        ++errors_;
        in_error = true;
    }

    // Without a usable distance the line is measured on the grid.
    if (z.distance_supplied == 0 || !(std::isfinite(l.d) && l.d >= kShortest)) {
        if (!coords) {
            tlerr1(ctx_, kNoDistance, at);
            ++errors_;
            in_error = true;
        } else {
            double scale = zone_ ? geod03(ctx_, s1.easting, s1.northing, s2.easting, s2.northing) : 1.0;
            double de = s1.easting - s2.easting, dn = s1.northing - s2.northing;
            l.d = std::sqrt(de * de + dn * dn) / scale;
            if (zone_) l.marker = 'E';
            if (!(l.d >= kShortest)) {
                tlerr1(ctx_, kSameCoordinates, at);
                ++errors_;
                in_error = true;
            }
        }
    }

    direction_and_radius(l, alpha, phi, s1, s2, coords);

    EquationRecord eq;
    if (!in_error) {
        if (analysis_ < 4) {
            double dhi = (static_cast<double>(z.instrument_height) + z.occupied_eccentric_height) -
                         (static_cast<double>(z.target_height) + z.observed_eccentric_height);
            l.z_reduced = reduce_to_marks(z.zenith, dhi, l.d);
        }
        ComputedZenith c = computed_zenith(l.d, s1.height, s2.height, radius_, k);
        l.computed = c.value;
        l.misclosure = analysis_ < 4 ? static_cast<float>((l.z_reduced - c.value) * kSecondsPerRadian) : 0.0f;
        l.sigma = z.sd;
        if (ctx_.option.centring_sd != 0) {
            double centring = std::atan2(centring_, c.x) * kSecondsPerRadian;
            l.sigma = std::sqrt(l.sigma * l.sigma + centring * centring);
        }
        eq.misclosure = l.misclosure;
        eq.weight = static_cast<float>(1.0 / (l.sigma * l.sigma));
        if (s1.status != kFixed) {
            eq.unknown[0] = s1.first_unknown;
            eq.coefficient[0] = static_cast<float>(c.height_coefficient);
        }
        eq.coefficient[1] = static_cast<float>(-0.001 * l.d * kSecondsPerRadian / radius_);
        if (s2.status != kFixed) {
            eq.unknown[2] = s2.first_unknown;
            eq.coefficient[2] = static_cast<float>(-c.height_coefficient);
        }
        eq.from_position = p1;
        eq.to_position = p2;
        eq.refraction_set = z.refraction_set;
        eq.distance = l.d;
    }
    eq.unknown[1] = refraction_unknown(z, p1);

    if (in_error) {
        zenith_short_line(ctx_, l);
        opr00(ctx_, 2);
        return;
    }
    zenith_line(ctx_, l);
    if (!(std::fabs(l.misclosure) < ctx_.rec01.zenith_co_limit)) {
        tlerr1(ctx_, kMisclosureTooLarge, at);
        ++errors_;
        return;
    }
    if (!finite(eq)) {
        message(kOutOfRange, at);
        ++errors_;
        return;
    }
    // Only a warning, given in every iteration's listing: said once.
    if (z.reciprocal == -1) {
        if (first_iteration_)
            tlerr1(ctx_, kPartnerMissing, at);
        else
            tlerr1(ctx_, kPartnerMissing);
    }
    write_observation_equation(kFirstEquation + i, eq);
}

// The distance reduced to the ellipsoid (slope and horizontal distances,
// and any distance when geoid separations are in use).
void Equations::reduce_distance(ZenithLine& l, const EqnStationRecord& s1, const EqnStationRecord& s2,
                                bool coords) {
    const ZenithRecord& z = l.z;
    const bool slope = z.distance_type == 'S' || z.distance_type == 'H';
    const bool geoid = ctx_.option.geoid_model_option != 0;
    const bool separations = std::fabs(s1.geoid) >= kNoSeparation || std::fabs(s2.geoid) >= kNoSeparation;
    if (!(slope || geoid) || z.distance_type == 'E' || !(z.distance >= kShortest)) return;
    if (!slope && !separations) return;

    double h1 = s1.height, h2 = s2.height;
    if (geoid && separations) {
        double n1 = std::fabs(s1.geoid) < kNoSeparation ? s2.geoid : s1.geoid;
        double n2 = std::fabs(s2.geoid) < kNoSeparation ? s1.geoid : s2.geoid;
        if (slope) {
            h1 += n1;
            h2 += n2;
        } else {
            h1 = n1;
            h2 = n2;
        }
    }
    h1 = h1 + z.occupied_eccentric_height + z.instrument_height;
    h2 = h2 + z.observed_eccentric_height + z.target_height;
    if (z.distance_type == 'H') h2 = h1;
    if (zone_ && coords) radius_ = geod06(ctx_, s1.easting, s1.northing, s2.easting, s2.northing);

    double c_slope = 0.0, c_msl = 0.0, c_ecc = 0.0, c_chord = 0.0;
    spdcor(z.distance, radius_, 0.0, h1, h2, c_slope, c_msl, c_ecc, c_chord);
    if (geoid && !slope) c_chord = 0.0;
    l.d = z.distance + c_slope + c_msl + c_ecc + c_chord;
    if (geoid) l.marker = 'E';
}

// In a map zone: the azimuth and latitude of the line from the grid, and
// the radius of the earth in its direction.
void Equations::direction_and_radius(ZenithLine& l, double& alpha, double& phi, const EqnStationRecord& s1,
                                     const EqnStationRecord& s2, bool coords) {
    if (!zone_) return;
    if (coords) {
        double phi1 = 0.0, lambda1 = 0.0, gamma1 = 0.0, k1 = 0.0;
        double phi2 = 0.0, lambda2 = 0.0, gamma2 = 0.0, k2 = 0.0;
        geod02(ctx_, s1.easting, s1.northing, phi1, lambda1, gamma1, k1);
        geod02(ctx_, s2.easting, s2.northing, phi2, lambda2, gamma2, k2);
        alpha = std::atan2(s2.easting - s1.easting, s2.northing - s1.northing) - gamma1;
        l.azimuth = alpha * kDegreesPerRadian;
        if (l.azimuth < 0.0) l.azimuth += 360.0;
        phi = (phi1 + phi2) / 2.0;
    }
    double cp = std::cos(phi), ca = std::cos(alpha);
    double t = second_e2_ * cp * cp;
    radius_ = polar_radius_ / std::sqrt(1.0 + t) / (1.0 + t * ca * ca);
}

// The refraction coefficient a zenith distance observes: one for the
// network, one per occupied station, per refraction set or per
// observation; the second of a simultaneous pair shares its partner's.
int Equations::refraction_unknown(const ZenithRecord& z, int p1) {
    const int option = ctx_.option.refraction_option;
    if (z.reciprocal == 1) ++ctx_.numbrs.number_of_reciprocal_equations;
    if (option == 0) return network_k_;
    if (z.reciprocal == 1) return previous_k_unknown_;
    auto& reg = ctx_.stnfst.refraction_register;
    if (option == 1) {
        if (reg(p1) >= 0) reg(p1) = static_cast<std::int16_t>(-(reg(p1) + 1));
    } else if (option == 2) {
        if (z.refraction_set == 1) reg(p1) = static_cast<std::int16_t>(reg(p1) + 1);
    } else {
        reg(p1) = static_cast<std::int16_t>(reg(p1) + 1);
    }
    previous_k_unknown_ = std::abs(static_cast<int>(reg(p1)));
    return previous_k_unknown_;
}

// ---- Height differences -------------------------------------------------

void Equations::height_difference(int j) {
    ++sequence_;
    HeightLine l;
    l.sequence = sequence_;
    l.h = read_height_diff(ctx_.files.unit9, base_ + nz_ + j);
    const HeightDiffRecord& h = l.h;
    const SourceLine at = ctx_.diag.observation(nz_ + j);
    l.coordinate_difference = h.coordinate_difference != 0;
    l.dh = h.dh;
    l.dhr = l.dh + h.instrument_height - h.target_height;

    int p1 = position_of(h.from % 1000);
    int p2 = position_of(h.to);
    l.found = p1 != 0 && p2 != 0;
    bool out_of_range = false;
    EquationRecord eq;
    if (l.found) {
        const EqnStationRecord s1 = stations_(p1);
        const EqnStationRecord s2 = stations_(p2);
        bool coords = s1.coordinates_flag != 0 && s2.coordinates_flag != 0;
        double de = s2.easting - s1.easting, dn = s2.northing - s1.northing;
        double distance = h.distance;
        if (l.coordinate_difference) {
            if (!coords) {
                tlerr1(ctx_, kNoCoordinates, at);
                ++errors_;
                return;
            }
            out_of_range = !coordinate_difference(l, s1, s2);
            distance = std::sqrt(de * de + dn * dn);
        } else if (h.dh >= kCoordinateDifferenceBase) {
            out_of_range = true;
        }

        // A fixed end leaves its slot unused, coefficient and all.
        if (s1.status != kFixed) {
            eq.unknown[0] = s1.first_unknown;
            eq.coefficient[0] = -1.0f;
        }
        if (s2.status != kFixed) {
            eq.unknown[1] = s2.first_unknown;
            eq.coefficient[1] = 1.0f;
        }
        const int rotation = ctx_.option.rotation_option;
        if ((rotation == 2 || (rotation == 1 && l.coordinate_difference)) && coords) {
            eq.unknown[2] = ctx_.numbrs.matrix_size - 1;
            eq.coefficient[2] = static_cast<float>(de / 100.0);
            eq.unknown[3] = ctx_.numbrs.matrix_size;
            eq.coefficient[3] = static_cast<float>(-dn / 100.0);
            l.dhr = l.dhr - de * std::tan(static_cast<double>(ctx_.rotation.phi)) +
                    dn * std::tan(static_cast<double>(ctx_.rotation.omega));
        }

        l.computed = static_cast<double>(s2.height) - s1.height;
        l.misclosure = analysis_ < 4 ? static_cast<float>(l.dhr - l.computed) : 0.0f;
        double variance = static_cast<double>(h.sd) * h.sd;
        if (ctx_.option.weight_factor != 0) {
            double ppm = ctx_.option.weight_factor / 10.0;
            double d = coords ? std::sqrt(de * de + dn * dn) : h.distance;
            double part = ppm * d / 1000000.0;
            variance += part * part;
        }
        l.weight = static_cast<float>(1.0 / variance);

        eq.misclosure = l.misclosure;
        eq.weight = l.weight;
        eq.from_position = p1;
        eq.to_position = p2;
        eq.distance = distance;
        if (!finite(eq)) out_of_range = true;
        if (!out_of_range) write_observation_equation(kFirstEquation + nz_ + j, eq);
    }

    height_line(ctx_, l);
    if (!l.found) {
        if (p1 == 0) tlerr1(ctx_, kOccupiedNotFound, at);
        if (p2 == 0) tlerr1(ctx_, kObservedNotFound, at);
        errors_ += (p1 == 0 ? 1 : 0) + (p2 == 0 ? 1 : 0);
    } else if (out_of_range) {
        message(kOutOfRange, at);
        ++errors_;
    } else if (!(std::fabs(l.misclosure) < ctx_.rec01.height_difference_co_limit)) {
        tlerr1(ctx_, kMisclosureTooLarge, at);
        ++errors_;
    }
}

// The height difference of coordinate-difference data; false when its
// record is not one that reading wrote or gives no finite value.
bool Equations::coordinate_difference(HeightLine& l, const EqnStationRecord& s1, const EqnStationRecord& s2) {
    DirectFile& file = ctx_.files.unit11;
    double rec = static_cast<double>(l.h.dh) - kCoordinateDifferenceBase;
    if (!file.is_open() || rec < 1.0 || rec > file.records_on_file() || rec != std::floor(rec)) return false;
    CoordDiffRecord c = read_coord_diff(file, static_cast<int>(rec));
    float dh = 0.0f;
    try {
        crdiff2(ctx_, l.h.from % 1000, l.h.to, c.dx, c.dy, c.dz, s1.easting, s1.northing, s2.easting, s2.northing,
                s1.geoid, s2.geoid, s1.height, dh);
    } catch (const FatalStop&) {
        // No map zone: said at the record that needed one (the sequence
        // number counts the zenith distances, then the height differences).
        if (ctx_.reginf.data_error_flag == -1)
            ctx_.diag.message(ctx_.diag.observation(l.sequence), report_message_text(kCoordinateDifferencesNeedAZone));
        throw;
    }
    l.dh = dh;
    l.dhr = dh;
    return std::isfinite(dh);
}

// ---- Job stop, constraints ----------------------------------------------

void Equations::stop_if_errors() {
    int total = errors_ + std::abs(ctx_.reginf.data_error_flag);
    if (total == 0) return;
    ioc11(ctx_, "*** JOB STOPPED BECAUSE OF     ERROR  ***", kEquationMessageColumn);
    if (total < 1000)
        ioc03(ctx_, total, 67, 3, 0);
    else
        ioc03(ctx_, total, 66, 4, 0);
    if (total >= 2) ioc11(ctx_, "S", 76);
    opr00(ctx_, 3);
    throw FatalStop(" Errors in observation processing", kExitDataErrors);
}

// A misclosure carried from the previous iteration, 0 in the first.
float Equations::carried_misclosure(DirectFile& file, int rec) {
    if (first_iteration_ || !file.is_open()) return 0.0f;
    Record r(4);
    file.read(rec, r);
    return r.f32(0);
}

// Equations of one unknown each: the heights that are also observations,
// then every refraction coefficient.
void Equations::constraints() {
    auto& nb = ctx_.numbrs;
    const int nst = nb.number_of_stations;
    auto& reg = ctx_.stnfst.refraction_register;
    std::vector<EqnStationRecord> st(static_cast<std::size_t>(nst) + 1);
    for (int p = 1; p <= nst; ++p) {
        st[static_cast<std::size_t>(p)] = stations_(p);
        reg(p) = static_cast<std::int16_t>(st[static_cast<std::size_t>(p)].first_unknown);
    }

    int next = nobs_;
    int heights = 0;
    if (nb.number_of_height_observations > 0) {
        for (int p = 1; p <= nst; ++p) {
            const EqnStationRecord& s = st[static_cast<std::size_t>(p)];
            if (s.first_unknown == 0 || s.status == kFixed || s.height_sd == 0.0f) continue;
            ++heights;
            EquationRecord eq;
            eq.unknown[0] = s.first_unknown;
            eq.coefficient[0] = 1.0f;
            eq.misclosure = carried_misclosure(ctx_.files.unit14, heights);
            eq.weight = static_cast<float>(1.0 / (static_cast<double>(s.height_sd) * s.height_sd));
            eq.from_position = p;
            ++next;
            if (finite(eq)) {
                write_equation(ctx_.files.unit1, kFirstEquation + next, eq);
            } else {
                if (label_)
                    getlab(ctx_, s.number, 7);
                else
                    ioc03(ctx_, s.number, 6, 4, 0);
                message("*** HEIGHT STANDARD DEVIATION OUT OF RANGE ***", ctx_.diag.station_numbered(s.number));
                ++errors_;
            }
        }
    }
    nb.number_of_height_observation_equations = heights;

    int refraction = 0;
    if (nz_ > 0) {
        double sk = ctx_.rec01.refraction_standard_deviation;
        float weight = static_cast<float>(1.0 / (sk * sk));
        if (!(std::isfinite(weight) && weight > 0.0f)) {
            message("*** REFRACTION STANDARD DEVIATION OUT OF RANGE ***", ctx_.diag.control);
            ++errors_;
        }
        const int last = nb.matrix_size - (ctx_.option.rotation_option > 0 ? 2 : 0);
        auto first = [&](int q) { return st[static_cast<std::size_t>(q)].first_unknown; };
        int p = 0;
        int owner = 0; // the last station met whose first unknown is not above u
        for (int u = 1; u <= last; ++u) {
            while (p < nst && (first(p + 1) == 0 || first(p + 1) <= u)) {
                ++p;
                if (first(p) != 0) owner = p;
            }
            bool height = owner != 0 && first(owner) == u && st[static_cast<std::size_t>(owner)].status != kFixed;
            if (height) continue;
            ++refraction;
            EquationRecord eq;
            eq.unknown[0] = u;
            eq.coefficient[0] = 1.0f;
            eq.misclosure = carried_misclosure(ctx_.files.unit15, refraction);
            eq.weight = weight;
            eq.from_position = owner;
            ++next;
            if (finite(eq)) write_equation(ctx_.files.unit1, kFirstEquation + next, eq);
        }
    }
    nb.number_of_refraction_constraints = refraction;
    nb.number_of_equations = next;
}

} // namespace

void vobseqn(RunContext& ctx) {
    Equations equations(ctx);
    equations.run();
}

} // namespace quarlo
