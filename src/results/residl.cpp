#include "results/residl.h"

#include "core/records.h"
#include "geodesy/stnadd.h"
#include "pelmo_routines/stations.h"
#include "report/iocat3.h"
#include "report/print.h"
#include "results/residual.h"

#include <array>
#include <cmath>
#include <string_view>

namespace quarlo {

namespace {

constexpr float kRho = 206264.8f; // seconds per radian

// Observation codes of the extremes: k for main-list observation k, -j for
// height observation j, 10000 + j for refraction constraint j.
constexpr int kRefractionCode = 10000;

// Counts over ten classes, from "below -4 units" to "4 units and above";
// a residual of 0 counts on the positive side.
struct Distribution {
    std::array<int, 10> count{};

    void add(float x, float unit1, float unit2, float unit3, float unit4) {
        float a = std::fabs(x);
        int m = a < unit1 ? 0 : a < unit2 ? 1 : a < unit3 ? 2 : a < unit4 ? 3 : 4;
        ++count[static_cast<std::size_t>(x >= 0.0f ? 5 + m : 4 - m)];
    }
};

// Largest and smallest value with the observation where each was first met.
struct Extremes {
    float max;
    float min;
    int max_code = 0;
    int min_code = 0;

    explicit Extremes(float bound) : max(-bound), min(bound) {}
    void update(float x, int code) {
        if (x > max) {
            max = x;
            max_code = code;
        }
        if (x < min) {
            min = x;
            min_code = code;
        }
    }
};

// Sum and sum of squares of a set of residuals.
struct Moments {
    double sum = 0.0;
    double sum2 = 0.0;
    void add(float x) {
        sum += x;
        sum2 += static_cast<double>(x) * x;
    }
    // Standard deviation about the mean of n values (n >= 2).
    double deviation(int n) const {
        double s = (sum2 - sum * sum / n) / (n - 1);
        return std::sqrt(s > 0.0 ? s : 0.0);
    }
};

constexpr std::array<int, 10> kCaptionColumns = {23, 31, 41, 51, 61, 72, 82, 92, 102, 113};
constexpr std::array<std::string_view, 10> kUnitCaptions = {"< -4",    "-4 TO -3", "-3 TO -2", "-2 TO -1", "-1 TO 0",
                                                            "0 TO 1",  "1 TO 2",   "2 TO 3",   "3 TO 4",   "> 4"};
constexpr std::array<std::string_view, 10> kSecondCaptions = {"< -8",   "-8 TO -6", "-6 TO -4", "-4 TO -2", "-2 TO 0",
                                                              "0 TO 2", "2 TO 4",   "4 TO 6",   "6 TO 8",   "> 8"};

class ResidualAnalysis {
public:
    explicit ResidualAnalysis(RunContext& ctx)
        : ctx_(ctx),
          label_(ctx.rec01.label_mode != 0),
          nz_(ctx.numbrs.number_of_zenith_distances),
          nh_(ctx.numbrs.number_of_height_differences),
          no_(ctx.numbrs.number_of_height_observation_equations),
          nr_(ctx.numbrs.number_of_refraction_constraints),
          nm_(ctx.numbrs.number_of_observations),
          stations_(ctx.files.unit1, ctx.numbrs.number_of_stations) {}

    void run();

private:
    void list_observation(int k);
    void constraint(int record, int code, double& kind_sum);
    void place_station(int position, const EqnStationRecord& st, bool to);
    void summary();
    void note_for_console();
    void standardised_distribution();
    void zenith_distribution();
    void height_distribution();
    void captions(const std::array<std::string_view, 10>& texts);
    void counts(const Distribution& d);
    void reference(int code, int col);
    struct Statistics {
        const Extremes& extremes;
        int width; // of the extremes and the mean
        int col;
        bool metres;
        double mean;
        bool show_deviation;
        double deviation;
        int total;
        int total_col;
    };
    void statistics(const Statistics& s);
    bool deviations() const { return r_ > 0; }

    // The listing mode is the sign of the station count: positive while
    // zenith distances are listed, negative while height differences are.
    bool zenith_mode() const { return ctx_.numbrs.number_of_stations > 0; }
    void switch_to_height_differences() {
        if (ctx_.numbrs.number_of_stations > 0) ctx_.numbrs.number_of_stations = -ctx_.numbrs.number_of_stations;
    }

    RunContext& ctx_;
    const bool label_;
    const int nz_, nh_, no_, nr_, nm_;
    const EqnStations stations_; // as the iteration set-up wrote them
    int r_ = 0;
    int total_ = 0;

    double pvv_ = 0.0, plv_ = 0.0;
    double pvv_zenith_ = 0.0, pvv_height_ = 0.0, pvv_observation_ = 0.0, pvv_refraction_ = 0.0;
    Distribution standardised_, zenith_;
    std::array<Distribution, 3> height_; // millimetres, centimetres, decimetres
    Extremes standardised_ext_{10.0f}, zenith_ext_{10.0f}, height_ext_{100.0f};
    Moments standardised_sum_, zenith_sum_, height_sum_;
    int previous_from_ = 0;
};

// Restores the station count to positive however the analysis ends.
struct StationCountGuard {
    std::int32_t& count;
    ~StationCountGuard() {
        if (count < 0) count = -count;
    }
};

// Number (or label), fixed-station mark, name and pillar mark of a station.
void ResidualAnalysis::place_station(int position, const EqnStationRecord& st, bool to) {
    int number = ctx_.stnfst.station_number(position);
    int name_col;
    if (!label_) {
        int col = to ? 45 : 12;
        ioc03(ctx_, number, col, 3, 0);
        if (st.status == kFixed) ioc11(ctx_, "*", col + 3);
        name_col = to ? 53 : 20;
    } else {
        int col = to ? 45 : 8;
        getlab(ctx_, number, col);
        if (st.status == kFixed) ioc11(ctx_, "*", col - 1);
        name_col = to ? 59 : 22;
    }
    ioc11(ctx_, st.name.view(), name_col, 20);
    if (st.pillar == 1 || st.pillar == -1) pillar(ctx_, name_col);
}

void ResidualAnalysis::list_observation(int k) {
    auto& unit1 = ctx_.files.unit1;
    EquationRecord e = read_equation(unit1, 1000 + k);
    float v = equation_residual(ctx_, e);
    float w = v * root_weight(e.weight);
    const EqnStationRecord from = stations_(e.from_position);
    const EqnStationRecord to = stations_(e.to_position);

    double d = 0.0;
    if (from.easting != 0.0 && to.easting != 0.0) {
        double de = to.easting - from.easting, dn = to.northing - from.northing;
        d = std::sqrt(de * de + dn * dn);
    }
    if (e.distance != 0.0) d = e.distance;

    place_station(e.to_position, to, true);

    const double pvv = static_cast<double>(e.weight) * v * v;
    const bool zenith = zenith_mode();
    if (zenith) {
        ioc05(ctx_, v, 83, 5, 1);
        ioc05(ctx_, std::sin(v / static_cast<double>(kRho)) * d, 124, 7, 3);
        zenith_.add(v, 2.0f, 4.0f, 6.0f, 8.0f);
        zenith_ext_.update(v, k);
        zenith_sum_.add(v);
        pvv_zenith_ += pvv;
    } else {
        ioc05(ctx_, v, 82, 7, 3);
        if (d != 0.0) ioc05(ctx_, std::atan2(static_cast<double>(v), d) * kRho, 124, 5, 1);
        // Signed, as in the other distributions: counting |v| would leave
        // the negative half of the table always empty.
        height_[0].add(v, 0.001f, 0.002f, 0.003f, 0.004f);
        height_[1].add(v, 0.01f, 0.02f, 0.03f, 0.04f);
        height_[2].add(v, 0.1f, 0.2f, 0.3f, 0.4f);
        height_ext_.update(v, k);
        height_sum_.add(v);
        pvv_height_ += pvv;
    }

    ioc03(ctx_, k, 2, 4, 0);
    ioc05(ctx_, w, 97, 6, 3);
    if (std::fabs(w) > kFlaggedStandardisedResidual) ioc11(ctx_, "***", 104);
    if (d != 0.0) ioc05(ctx_, d, 110, 6, -1);
    standardised_.add(w, 1.0f, 2.0f, 3.0f, 4.0f);
    standardised_ext_.update(w, k);
    standardised_sum_.add(w);
    pvv_ += pvv;
    plv_ += static_cast<double>(e.weight) * v * e.misclosure;

    if (!zenith) {
        place_station(e.from_position, from, false);
        if (k == 1) opr10(ctx_, 1);
        opr00(ctx_, 1);
        return;
    }
    // The zenith distances of one set-up share one from-station entry; a
    // new set-up starts after two blank lines.
    if (e.from_position == previous_from_ && e.refraction_set == 0) {
        opr00(ctx_, 1);
        return;
    }
    place_station(e.from_position, from, false);
    int spacing = (e.from_position == previous_from_ || k == 1) ? 2 : 3;
    previous_from_ = e.from_position;
    if (e.refraction_set == 2) {
        spacing = 1;
        previous_from_ = 0;
    }
    opr00(ctx_, spacing);
}

// Height observations and refraction constraints have one unknown each;
// they enter the sums and the standardised distribution, unlisted.
void ResidualAnalysis::constraint(int record, int code, double& kind_sum) {
    EquationRecord e = read_equation(ctx_.files.unit1, record);
    float v = ctx_.nearea.rhs(e.unknown[0]) - e.misclosure;
    float w = v * root_weight(e.weight);
    const double pvv = static_cast<double>(e.weight) * v * v;
    pvv_ += pvv;
    plv_ += static_cast<double>(e.weight) * v * e.misclosure;
    kind_sum += pvv;
    standardised_.add(w, 1.0f, 2.0f, 3.0f, 4.0f);
    standardised_ext_.update(w, code);
    standardised_sum_.add(w);
}

void ResidualAnalysis::summary() {
    const int u = ctx_.numbrs.matrix_size;
    total_ = nm_ + no_ + nr_;
    r_ = total_ - u;
    float estimate = 0.0f;
    if (r_ > 0) {
        estimate = static_cast<float>(pvv_ / r_);
        ctx_.factor.variance_factor = estimate;
    } else {
        ctx_.factor.variance_factor = 1.0f;
    }

    ioc11(ctx_, "(PVV) =", 71);
    ioc05(ctx_, pvv_, 79, 10, 3);
    opr00(ctx_, 3);
    ioc11(ctx_, "(PLV) =", 71);
    ioc05(ctx_, plv_, 79, 10, 3);
    opr00(ctx_, 1);
    ioc11(ctx_, "Estimate of variance factor =", 49);
    ioc05(ctx_, estimate, 79, 10, 3);
    opr00(ctx_, 2);
    opr00(ctx_, 1);

    auto component = [&](std::string_view caption, int col, int n, double kind_sum) {
        if (n <= 0) return;
        double value = r_ > 0 ? total_ * kind_sum / (static_cast<double>(n) * r_) : 0.0;
        ioc11(ctx_, caption, col);
        ioc05(ctx_, value, 89, 7, 3);
        opr00(ctx_, 1);
    };
    component("Zenith distance component =", 61, nz_, pvv_zenith_);
    component("Height difference component =", 59, nh_, pvv_height_);
    component("Refraction component =", 66, nr_, pvv_refraction_);
    component("Height observation component =", 58, no_, pvv_observation_);

    ioc11(ctx_, "Number of redundant observations =", 44);
    ioc03(ctx_, r_, 79, 10, 0);
    opr00(ctx_, 3);
    ioc11(ctx_, "Average redundancy number =", 51);
    ioc05(ctx_, total_ > 0 ? static_cast<double>(r_) / total_ : 0.0, 79, 10, 3);
    opr00(ctx_, 2);
}

// The figures the console's summary gives: the variance factor and the
// largest standardised residual, with the station of a height observation.
void ResidualAnalysis::note_for_console() {
    SummaryBlock& s = ctx_.summary;
    s.residual_analysis = true;
    s.degrees_of_freedom = r_;
    s.variance_factor = r_ > 0 ? static_cast<float>(pvv_ / r_) : 0.0f;
    const Extremes& e = standardised_ext_;
    const bool max_larger = e.max_code != 0 && (e.min_code == 0 || std::fabs(e.max) >= std::fabs(e.min));
    s.largest_residual = max_larger ? e.max : e.min;
    s.largest_code = max_larger ? e.max_code : e.min_code;
    s.residual_station = 0;
    if (s.largest_code < 0) {
        EquationRecord eq = read_equation(ctx_.files.unit1, 1000 + nz_ + nh_ - s.largest_code);
        s.residual_station = ctx_.stnfst.station_number(eq.from_position);
    }
}

void ResidualAnalysis::captions(const std::array<std::string_view, 10>& texts) {
    for (std::size_t i = 0; i < 10; ++i) ioc11(ctx_, texts[i], kCaptionColumns[i]);
    opr00(ctx_, 3);
    ioc12(ctx_, '-', 23, 94);
    opr00(ctx_, 1);
}

void ResidualAnalysis::counts(const Distribution& d) {
    for (std::size_t i = 0; i < 10; ++i) ioc03(ctx_, d.count[i], 22 + 10 * static_cast<int>(i), 4, 0);
    opr00(ctx_, 1);
}

// The observation an extreme was found at; nothing when no residual
// reached the initial bound.
void ResidualAnalysis::reference(int code, int col) {
    if (code == 0) return;
    if (code < 1) {
        ioc11(ctx_, "(Height observation     )", col);
        ioc03(ctx_, -code, col + 20, 4, 0);
    } else if (code < kRefractionCode) {
        ioc11(ctx_, "(Observation     )", col);
        ioc03(ctx_, code, col + 13, 4, 0);
    } else {
        ioc11(ctx_, "(Refraction observation     )", col);
        ioc03(ctx_, code - kRefractionCode, col + 24, 4, 0);
    }
}

// Extremes, mean, standard deviation (when one is shown) and count of a
// distribution; `col` is the column of the observation references and of
// the standard deviation caption.
void ResidualAnalysis::statistics(const Statistics& s) {
    auto extreme = [&](std::string_view caption, float value, int code, int spacing) {
        ioc11(ctx_, caption, 34);
        ioc05(ctx_, value, 44, s.width, 3);
        if (s.metres) ioc11(ctx_, "metres", 54);
        reference(code, s.col);
        opr00(ctx_, spacing);
    };
    extreme("Maximum =", s.extremes.max, s.extremes.max_code, 3);
    extreme("Minimum =", s.extremes.min, s.extremes.min_code, 2);
    ioc11(ctx_, "Mean =", 37);
    ioc05(ctx_, s.mean, 44, s.width, 3);
    if (s.show_deviation) {
        ioc11(ctx_, "Standard deviation =", s.col);
        ioc05(ctx_, s.deviation, s.col + 21, 7, 3);
    }
    opr00(ctx_, 2);
    ioc11(ctx_, "Total =", 36);
    ioc03(ctx_, s.total, s.total_col, 4, 0);
    opr00(ctx_, 2);
}

void ResidualAnalysis::standardised_distribution() {
    ioc11(ctx_, "RESIDUAL  ANALYSIS", 57);
    opr00(ctx_, 1);
    ioc11(ctx_, "STANDARD RESIDUAL DISTRIBUTION", 10);
    opr00(ctx_, 2);
    captions(kUnitCaptions);
    counts(standardised_);
    const int n = total_ > 0 ? total_ : 2;
    const bool shown = deviations() && total_ >= 2;
    statistics({standardised_ext_, 7, 60, false, standardised_sum_.sum / n, shown,
                shown ? standardised_sum_.deviation(total_) : 0.0, total_, 47});
    opr00(ctx_, 1);
}

void ResidualAnalysis::zenith_distribution() {
    ioc11(ctx_, "ZENITH DISTANCE RESIDUAL DISTRIBUTION", 10);
    ioc11(ctx_, "(SECONDS)", 48);
    opr00(ctx_, 3);
    captions(kSecondCaptions);
    counts(zenith_);
    statistics({zenith_ext_, 9, 60, false, zenith_sum_.sum / nz_, deviations(), zenith_sum_.deviation(nz_), nz_, 49});
    opr00(ctx_, 1);
}

void ResidualAnalysis::height_distribution() {
    // The unit follows the spread of the residuals, whatever the redundancy.
    const double sigma = height_sum_.deviation(nh_);
    std::size_t unit = sigma >= 0.04 ? 2 : sigma >= 0.004 ? 1 : 0;
    constexpr std::array<std::string_view, 3> kUnitNames = {"(MILLIMETRES)", "(CENTIMETRES)", "(DECIMETRES)"};

    ioc11(ctx_, "HEIGHT DIFFERENCE RESIDUAL DISTRIBUTION", 10);
    ioc11(ctx_, kUnitNames[unit], 50);
    opr00(ctx_, 3);
    captions(kUnitCaptions);
    counts(height_[unit]);
    statistics({height_ext_, 9, 65, true, height_sum_.sum / nh_, deviations(), sigma, nh_, 49});
}

void ResidualAnalysis::run() {
    StationCountGuard guard{ctx_.numbrs.number_of_stations};
    const int s = nh_ == 0 ? nz_ + 1 : nz_;
    if (s == 0) switch_to_height_differences();
    for (int k = 1; k <= nm_; ++k) {
        list_observation(k);
        if (k == s) {
            switch_to_height_differences();
            ctx_.ioarea.lnleft = 0;
        }
    }
    const int base = 1000 + nz_ + nh_;
    for (int j = 1; j <= no_; ++j) constraint(base + j, -j, pvv_observation_);
    for (int j = 1; j <= nr_; ++j) constraint(base + no_ + j, kRefractionCode + j, pvv_refraction_);

    summary();
    note_for_console();

    ctx_.numbrs.number_of_stations = std::abs(ctx_.numbrs.number_of_stations);
    ctx_.ioarea.lnleft = 0;
    set03(ctx_, "NOUGHT", 1);
    standardised_distribution();
    if (nz_ > 1) zenith_distribution();
    if (nh_ > 1) height_distribution();
}

} // namespace

void residl(RunContext& ctx) {
    ResidualAnalysis analysis(ctx);
    analysis.run();
}

} // namespace quarlo
