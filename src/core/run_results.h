// The results of a run as data: what the data, map and picture outputs
// (<job>.json, <job>.geojson, <job>.html) are written from. The results
// stages print the report; at the end of the last iteration one collector
// reads the work files and the solution into this model, and only when one
// of those outputs was asked for.
#pragma once

#include <cmath>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quarlo {

// The outputs asked for on the command line.
struct ExportRequest {
    bool json = false;
    bool geojson = false;
    bool html = false;
    bool any() const { return json || geojson || html; }
};

// The control-record options of the run, as selected.
struct ControlOptions {
    int zone_code = 0; // 0: local grid
    int required_stage = 0;
    int iterations = 0;
    int analysis_option = 0;
    int precision_option = 0;
    int refraction_option = 0;
    int rotation_option = 0;
    int geoid_model_option = 0;
    int station_file_option = 0;
    int zenith_distance_file_option = 0;
    bool label_mode = false;
    float default_refraction = 0.0f;
    float refraction_sd = 0.0f;    // of K
    float zenith_sd_factor = 0.0f;
    float zenith_co_limit = 0.0f;  // seconds
    float height_co_limit = 0.0f;  // metres
    float weight_factor_ppm = 0.0f;
    float centring_sd = 0.0f;      // metres
    int mean_latitude = 0;         // whole degrees
};

struct StationResult {
    int position = 0; // in the order of the unknowns, from 1
    int number = 0;
    std::optional<std::string> label; // label mode: the 12-character label, trailing blanks cut
    std::string name;  // trailing blanks cut; bytes as read
    bool has_coordinates = false;
    double easting = 0.0;
    double northing = 0.0;
    bool fixed = false;
    int registration = 0;
    std::optional<double> longitude; // WGS84, degrees, when the zone has a way there
    std::optional<double> latitude;
    float geoid = 0.0f;                 // geoid separation, metres
    float height_observation_sd = 0.0f; // > 0: the height is also an observation
    int first_unknown = 0;
    float provisional_height = 0.0f; // of the last iteration
    float height = 0.0f;             // adjusted
    std::optional<float> correction; // of the last iteration
    std::optional<float> sd;         // a-posteriori, from the inverse

    // The 95 % value of the height's standard deviation.
    std::optional<double> sd95() const {
        if (!sd) return std::nullopt;
        return 1.96 * static_cast<double>(*sd);
    }
};

enum class ObservationKind { ZenithDistance, HeightDifference, HeightObservation, RefractionConstraint };

// How well the other observations check an observation, by its redundancy
// number r: checked, weakly checked (r below 0.1: a blunder there moves the
// results more than it shows in the residual), or not checked at all (r so
// near 0 that no blunder there would show).
enum class Checking { Checked, Weakly, Not };

// The outlier test and the reliability figures of one observation, from its
// a-priori standard deviation sigma = 1 / sqrt(p) and its redundancy number
// r = 1 - p a'Qa (Q the inverse of the normal matrix). In the unit of the
// observation's residual. An observation that is not checked has none of
// the three figures.
struct ObservationTest {
    double redundancy = 0.0;
    Checking checking = Checking::Not;
    std::optional<float> normalised_residual;     // w = v / (sigma sqrt(r)); needs the residual
    std::optional<float> minimal_detectable_bias; // sigma sqrt(lambda0 / r)
    std::optional<float> bias_to_noise_ratio;     // sqrt(lambda0 (1 - r) / r)
};

// One observation equation. Zenith distances are in degrees with their
// misclosure and residual in seconds of arc; height differences and height
// observations in metres; refraction constraints in units of 0.001 of K.
struct ObservationResult {
    ObservationKind kind = ObservationKind::ZenithDistance;
    int number = 0;   // zenith distances and height differences: 1.. in the main list; others 1.. of their kind
    int from = 0;     // station position
    int to = 0;       // station position; 0 for height observations and refraction constraints
    int setup = 0;    // set-up digit of the occupied station of a zenith distance
    std::optional<double> as_given; // zenith distances and height differences as read
    std::optional<double> observed; // reduced to the station marks: the value the equation compares
    std::optional<double> computed; // from the provisional values of the last iteration
    float misclosure = 0.0f;        // observed - computed
    float weight = 0.0f;
    double distance = 0.0;  // metres; 0 when none
    int unknown = 0;        // refraction constraints: the coefficient's unknown
    bool coordinate_difference = false;
    std::optional<float> residual;
    std::optional<float> standardised_residual;
    std::optional<ObservationTest> test; // with the inverse
    int line = 0; // of the input: the observation's record, a height observation's station record; 0: none

    std::optional<double> redundancy_number() const {
        return test ? std::optional<double>(test->redundancy) : std::nullopt;
    }
    std::optional<float> normalised_residual() const { return test ? test->normalised_residual : std::nullopt; }
};

struct RefractionResult {
    int unknown = 0;
    int station = 0;     // position of the station the coefficient belongs to (0: the network)
    int observation = 0; // first zenith distance that uses it
    float k = 0.0f;      // adjusted
    std::optional<float> correction;
    std::optional<float> sd;
};

struct RotationResult {
    float phi = 0.0f; // adjusted, radians
    float omega = 0.0f;
    float phi_correction = 0.0f;
    float omega_correction = 0.0f;
    std::optional<float> phi_sd;
    std::optional<float> omega_sd;
};

struct ResultSummary {
    int stations = 0;
    int fixed_stations = 0;
    int zenith_distances = 0;
    int height_differences = 0;
    int height_observations = 0;
    int refraction_constraints = 0;
    int equations = 0;
    int unknowns = 0;
    int band_width = 0;
    int degrees_of_freedom = 0; // redundancy: equations - unknowns
    std::optional<double> pvv;  // sum of p v v
    std::optional<float> variance_factor; // pvv / degrees of freedom, when both exist
    std::optional<float> variance_factor_used; // by the precisions
    bool solved = false;  // corrections and residuals exist
    bool inverse = false; // precisions and redundancy numbers exist
};

// The global test of the model: the sum of p v v against the chi-square
// distribution with the degrees of freedom, two-sided at 95 %.
struct GlobalTest {
    double statistic = 0.0; // sum of p v v
    int degrees_of_freedom = 0;
    double lower = 0.0; // the 2.5 % quantile
    double upper = 0.0; // the 97.5 % quantile
    bool accepted() const { return lower <= statistic && statistic <= upper; }
    // sigma0' / sigma0, the a-posteriori standard deviation of unit weight
    // over the a-priori one, and the interval that the quantiles give it.
    double ratio() const { return root_of(statistic); }
    double ratio_lower() const { return root_of(lower); }
    double ratio_upper() const { return root_of(upper); }

private:
    double root_of(double x) const { return degrees_of_freedom > 0 ? std::sqrt(x / degrees_of_freedom) : 0.0; }
};

// The tests of a run, worked once at its end: the global test when the
// residuals have degrees of freedom, and with the band of the inverse each
// equation's test (in the order of `RunResults::observations`), the counts
// and the largest normalised residual.
struct AdjustmentTests {
    std::optional<GlobalTest> global;
    bool reliability = false; // the observations were tested
    std::vector<ObservationTest> observations;
    int flagged = 0;        // |w| above the critical value
    int weakly_checked = 0;
    int not_checked = 0;
    // Of those not checked, the ones whose redundancy number rounding took
    // (r not below the bound, but not above its rounding error), and the
    // factorisation's smallest pivot as a fraction of its diagonal that
    // bounds the rounding.
    int not_checked_for_rounding = 0;
    float smallest_pivot_ratio = 1.0f;
    // The observation of the largest normalised residual in size, as the
    // residual analysis codes them (k: observation k of the main list; -j:
    // height observation j, of station `largest_station`; 10000 + j:
    // refraction constraint j); 0: none.
    int largest_code = 0;
    int largest_station = 0;
    float largest = 0.0f;
};

struct RunResults {
    ExportRequest requested;
    bool complete = false; // filled at the end of a run that reached the results stage
    std::string job_name;  // the report name up to its first "."
    std::vector<std::string> titles; // the job's title records as the page headings show them, blanks cut
    bool wgs84 = false;    // the stations with coordinates have WGS84 positions
    ControlOptions options;
    ResultSummary summary;
    std::vector<StationResult> stations; // by position
    std::vector<ObservationResult> observations;
    std::vector<RefractionResult> refraction;
    std::optional<RotationResult> rotation;
    // Filled at the end of every run that reached the results stage, for
    // the console as well as for the outputs.
    AdjustmentTests tests;
    std::string input; // the input file as the messages name it

    // The station at a position (1-based), or nullptr.
    const StationResult* station(int position) const {
        if (position < 1 || position > static_cast<int>(stations.size())) return nullptr;
        return &stations[static_cast<std::size_t>(position - 1)];
    }
};

} // namespace quarlo
