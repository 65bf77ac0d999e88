// The results of a run as data: what the data, map and picture outputs
// (<job>.json, <job>.geojson, <job>.html) are written from. The results
// stages print the report; at the end of the last iteration one collector
// reads the work files and the solution into this model, and only when one
// of those outputs was asked for.
#pragma once

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
    std::optional<double> redundancy_number;
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

    // The station at a position (1-based), or nullptr.
    const StationResult* station(int position) const {
        if (position < 1 || position > static_cast<int>(stations.size())) return nullptr;
        return &stations[static_cast<std::size_t>(position - 1)];
    }
};

} // namespace quarlo
