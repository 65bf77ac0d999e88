// The run context: every shared block of a run as a named member, created
// zero-filled (texts blank) at the start of a run and passed by reference to
// every stage. Nothing else in the program holds mutable run data.
#pragma once

#include "core/diagnostics.h"
#include "core/fatal.h"
#include "core/run_results.h"
#include "core/workfile.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

// A table indexed from 1, as the stages address their station and
// observation tables. An index outside 1..N is a program fault, never a
// write past the table: it stops the run.
template <typename T, int N>
class Table {
public:
    Table() { data_.fill(T{}); }
    T& operator()(int i) {
        check(i);
        return data_[static_cast<std::size_t>(i - 1)];
    }
    const T& operator()(int i) const {
        check(i);
        return data_[static_cast<std::size_t>(i - 1)];
    }
    static constexpr int capacity() { return N; }
    void fill(const T& value) { data_.fill(value); }

private:
    static void check(int i) {
        if (i < 1 || i > N)
            throw FatalStop(" Internal error: table index out of range", kExitRunTimeError);
    }
    std::array<T, static_cast<std::size_t>(N)> data_;
};

// A fixed-length character field (blank-filled), columns counted from 1.
template <std::size_t N>
class FixedText {
public:
    FixedText() { c_.fill(' '); }
    explicit FixedText(std::string_view s) { set(s); }

    char& operator()(int col) {
        check(col);
        return c_[static_cast<std::size_t>(col - 1)];
    }
    char operator()(int col) const {
        check(col);
        return c_[static_cast<std::size_t>(col - 1)];
    }
    // The whole field, or columns col..col+len-1 (cut at the end of the field).
    std::string str() const { return std::string(c_.data(), N); }
    std::string sub(int col, int len) const {
        if (col < 1 || len <= 0 || static_cast<std::size_t>(col) > N) return {};
        std::size_t n = std::min<std::size_t>(static_cast<std::size_t>(len), N - static_cast<std::size_t>(col - 1));
        return std::string(c_.data() + col - 1, n);
    }
    std::string_view view() const { return std::string_view(c_.data(), N); }
    // Replaces the whole field: the text blank-padded or cut to N characters.
    void set(std::string_view s) {
        std::size_t k = std::min(s.size(), N);
        std::copy_n(s.data(), k, c_.data());
        std::fill(c_.begin() + static_cast<std::ptrdiff_t>(k), c_.end(), ' ');
    }
    void blank() { c_.fill(' '); }
    bool is_blank() const {
        for (char ch : c_)
            if (ch != ' ') return false;
        return true;
    }
    static constexpr std::size_t size() { return N; }
    bool operator==(const FixedText&) const = default;

private:
    static void check(int col) {
        if (col < 1 || static_cast<std::size_t>(col) > N)
            throw FatalStop(" Internal error: column outside a text field", kExitRunTimeError);
    }
    std::array<char, N> c_;
};

// Run options and status flags.
struct OptionBlock {
    // -9 abandoned during set-up; -1 stopped by an adjustment error;
    // otherwise analysis option + 1.
    std::int32_t run_status = 0;
    std::int32_t refraction_option = 0;
    std::int32_t solution_output = 0;
    std::int32_t equation_output = 0;
    std::int32_t vertical_angle_conversion = 0;
    std::int32_t precision_option = 0;
    std::int32_t centring_sd = 0; // hundredths of a centimetre
    std::int32_t station_file_option = 0;
    std::int32_t geoid_model_option = 0;
    std::int32_t eccentric_data_present = 0;
    std::int32_t rotation_option = 0;
    std::int32_t provisional_heights_required = 0;
    std::int32_t banded_inverse_switch = 0;
    std::int32_t refraction_conversion = 0;
    std::int32_t weight_factor = 0; // tenths of a ppm
    std::int32_t zenith_distance_switch = 0;
};

// Counts of the run.
struct NumbrsBlock {
    std::int32_t number_of_stations = 0;
    std::int32_t number_of_fixed_stations = 0;
    std::int32_t number_of_observations = 0;
    std::int32_t number_of_zenith_distances = 0;
    std::int32_t number_of_height_differences = 0;
    std::int32_t projection_type = 0;
    std::int32_t number_of_reciprocal_equations = 0;
    std::int32_t mean_latitude = 0;
    std::int32_t matrix_size = 0;
    std::int32_t band_width = 0;
    std::int32_t number_of_height_observations = 0;
    std::int32_t rejected_station_count = 0;
    std::int32_t number_of_refraction_constraints = 0;
    // Height-observation equations written by the equations stage (kept,
    // adjusted stations with a standard deviation); with the observation
    // records and the refraction constraints they make the equation count.
    std::int32_t number_of_height_observation_equations = 0;
    // Equation records 1001 .. 1000 + number_of_equations of the pass.
    std::int32_t number_of_equations = 0;
    std::int32_t next_record_number = 0;
    std::int32_t title_record_count = 0;
};

// Control values and iteration state.
struct Rec01Block {
    std::int32_t iterations_left = 0;
    std::int32_t required_stage = 0;
    std::int32_t label_mode = 0;
    float zenith_sd_factor = 0.0f;
    float default_refraction = 0.0f;
    float refraction_standard_deviation = 0.0f; // times 1000
    float zenith_co_limit = 0.0f;               // seconds
    float height_difference_co_limit = 0.0f;    // metres
    std::int32_t iteration_total = 0;
    std::int32_t pass_countdown = 0;
};

struct ReginfBlock {
    std::int32_t final_list_number = 0;
    std::int32_t final_list_sub_number = 0;
    std::int32_t data_error_flag = 0;
};

// Ellipsoid and projection constants of the run's zone.
struct TmvalsBlock {
    double a = 0.0;
    double e2 = 0.0;
    double inverse_flattening = 0.0;
    double k0 = 0.0;
    double central_meridian = 0.0; // radians
    double false_easting = 0.0;
    double false_northing = 0.0;
    std::int32_t zone_code = 0;
};

// Rotation parameters of the height differences (radians).
struct RotationBlock {
    float phi = 0.0f;
    float omega = 0.0f;
    float phi_correction = 0.0f;
    float omega_correction = 0.0f;
};

struct NamesBlock {
    FixedText<20> station_name;          // the station name being read or written
    std::array<FixedText<20>, 3> buffer; // further name buffers of later stages
    FixedText<80> job_name;              // report file name up to its first "."
};

// The equation being formed.
struct ObsBlock {
    std::array<std::int32_t, 5> unknown{};
    std::array<float, 5> coefficient{};
};

constexpr int kMaxStations = 1000;
constexpr int kMaxKeywordStations = 999;
constexpr int kMaxObservations = 6000;
constexpr int kMaxUnknowns = 4000;

// Station tables in the order of the unknowns.
struct StnfstBlock {
    // Per station position: the refraction register / first unknown number.
    Table<std::int16_t, kMaxStations> refraction_register;
    // Per station position: the station number in numbered order.
    Table<std::int16_t, kMaxStations> station_number;
};

// Per-observation and per-station work tables of the provisional heights
// and results stages.
struct FrmstnBlock {
    Table<std::int16_t, kMaxObservations> from_position;
    // Results stage: the from-station number of each zenith distance.
    Table<std::int16_t, kMaxObservations> from_station;
};

// One link of the ordering stage: the positions of two stations whose
// unknowns meet in one observation.
struct Link {
    std::int16_t from = 0;
    std::int16_t to = 0;
};

// Scratch tables re-used stage by stage.
struct ArraysBlock {
    // Input conversion: the label table by station number.
    Table<FixedText<12>, kMaxStations> label;
    Table<FixedText<8>, kMaxStations> height_text;
    Table<char, kMaxStations> code;
    Table<float, kMaxStations> label_geoid;

    // Ordering and provisional heights.
    Table<std::int16_t, kMaxStations> station_number_table;
    Table<std::int16_t, kMaxStations> second_table;
    std::vector<Link> link_list; // at most kMaxObservations links
    Table<std::int16_t, kMaxObservations> to_position;
    Table<double, kMaxObservations> observation_value;

    // Iteration set-up: stations named by each observation.
    Table<std::int16_t, kMaxObservations> observation_from;
    Table<std::int16_t, kMaxObservations> observation_to;

    // Final lists: the station names and, entry k, the station position of
    // the k-th station in name order.
    Table<FixedText<20>, kMaxStations> sort_name;
    Table<std::int16_t, kMaxStations> name_order;
};

// A run of words in a block store: length, first position and block, last
// position and block (positions 1..512, blocks from 1).
struct SegmentCursor {
    std::int32_t length = 0;
    std::int32_t first_position = 0;
    std::int32_t first_block = 0;
    std::int32_t last_position = 0;
    std::int32_t last_block = 0;
};

// The normal equations: the cursors of the two block stores, the
// right-hand side (then the solution) and the failing-row register.
struct NeareaBlock {
    SegmentCursor normal;
    SegmentCursor inverse;
    Table<float, kMaxUnknowns> rhs;
    // The square root each row of the factor was divided by, from which
    // the inverse factor is formed again.
    Table<float, kMaxUnknowns> pivot_root;
    std::int32_t failing_row = 0;
    // The vector holds this pass's corrections (false while it holds the
    // reduced right-hand side of a pass that forms no solution).
    bool solved = false;
    // The smallest pivot of the pass's factorisation as a fraction of its
    // row's diagonal as formed: how many digits rounding left the factor,
    // and so the inverse.
    float smallest_pivot_ratio = 1.0f;
};

constexpr int kBlockWords = 512;
constexpr int kCacheSlots = 10000;

// One block store's cache: the ring pointer, the block held by each slot
// and the slots' words (allocated as slots come into use).
struct BlockCache {
    std::int32_t ring_pointer = 0;
    std::vector<std::int32_t> directory;  // kCacheSlots entries, 0 = empty
    std::vector<float> words;             // slot s at (s - 1) * kBlockWords
    std::vector<std::int32_t> slot_of;    // block number -> slot holding it, 0 = none
    // Records on their way to and from the work file, gathered into runs of
    // consecutive records moved in one transfer.
    std::vector<float> write_run, read_run;
    std::int32_t write_first = 0, write_count = 0, read_first = 0, read_count = 0;
};

// The cache directory of the two block stores and their sizing.
struct MatbufBlock {
    BlockCache normal;
    BlockCache inverse;
    std::int32_t write_back = 0;
    std::int32_t print_flag = 0;
    std::int32_t cache_capacity = kCacheSlots;
    std::int32_t overflow_limit = 2 * kCacheSlots;
    std::int32_t inverse_block_count = 0;
    std::int32_t normal_block_count = 0;
    // Width of the rows of the inverse the normal store holds: n (the
    // whole upper triangle), b + 1 (the band) or 1 (the diagonal); 0 while
    // it holds none.
    std::int32_t inverse_width = 0;
};

struct FactorBlock {
    float variance_factor = 0.0f;
};

struct HeadBlock {
    std::string hdname; // current section heading; empty until chosen
};

// Print line, page state and the current input record.
struct IoareaBlock {
    FixedText<32> progid;
    FixedText<48> rtitle;
    std::array<FixedText<68>, 2> jobtxt;
    FixedText<11> rundat;
    std::int32_t record_code = 0;
    FixedText<80> card;
    std::int32_t record_count = 0;
    std::int32_t pagno = 0;
    std::int32_t lnleft = 0;
    FixedText<132> prtlin;
    std::int32_t pagsiz = 0;
    // Field readers: 0 blank, 1 read, 2 negative angle read, -1 not readable.
    std::int32_t field_status = 0;
    // Record reader: 0 normal, -1 an integer field was not readable, -2 end.
    std::int32_t record_status = 0;
    // The record reader: the line read last as it stands in the file, the
    // user's line the current record came from, and whether lines that hold
    // no record are reported as skipped (once the input is known to be in
    // record-code form).
    std::string line;
    SourceLine record_at;
    bool report_skipped = false;
    // Status words: the unmatched-station count of the ordering stage, which
    // the main driver then sets to 1 (the print switch of the provisional
    // height listing); the two station-lookup status words.
    std::int32_t unmatched_station_count = 0;
    std::int32_t lookup_status1 = 0;
    std::int32_t lookup_status2 = 0;
};

// Files of the run by unit number.
struct FilesBlock {
    DirectFile unit1;  // equation work file quarlo01.wrk, 72 bytes
    DirectFile unit2;  // inverse store quarlo02.wrk, 2048 bytes
    SeqFile unit3;     // report
    SeqFile unit4;     // input (or the reformatted input quarlo19.wrk)
    bool unit4_is_work_file = false;
    DirectFile unit9;  // observation work file quarlo09.wrk, 82 bytes
    SeqFile unit10;    // height file
    DirectFile unit11; // coordinate differences quarlo11.wrk, 32 bytes
    DirectFile unit13; // normal store quarlo13.wrk, 2048 bytes
    DirectFile unit14; // height-observation misclosures quarlo14.wrk, 4 bytes
    DirectFile unit15; // refraction misclosures quarlo15.wrk, 4 bytes
    SeqFile unit16;    // station list file (job name + ".stn")
    SeqFile unit17;    // zenith-distance file (job name + ".zen")
    DirectFile unit18; // label work file quarlo18.wrk, 16 bytes
    SeqFile unit19;    // reformatted input quarlo19.wrk
    SeqFile unit20;    // scratch: height differences; later the geoid file
    SeqFile unit21;    // scratch: zenith distances
    SeqFile unit22;    // scratch: coordinate differences
    SeqFile unit23;    // station file read by station assembly
    // The eight work-file names that take the work path, in the order
    // quarlo01, 02, 13, 09, 18, 20, 21, 22.
    std::array<std::string, 8> work_names;
    std::string unit11_name = "quarlo11.wrk";
    std::string unit14_name = "quarlo14.wrk";
    std::string unit15_name = "quarlo15.wrk";
    std::string unit19_name = "quarlo19.wrk";
    // Every work file created in this run, removed at its end.
    std::vector<std::string> work_paths;
    // The run's own folder that holds them; empty: none (they are named
    // as they stand).
    std::string work_folder;
    // Station and zenith-distance files asked for that could not be opened.
    int outputs_not_opened = 0;
};

// Paths read from the options file (kept between calls of the path reader).
struct PathState {
    std::string input_path;  // ends with "/" when set; at most 40 characters
    std::string output_path;
    std::string work_path;
    bool options_found = false;
};

// The console the run talks to.
struct Console {
    std::istream* in = nullptr;
    std::ostream* out = nullptr;
    std::ostream* err = nullptr; // messages about the input; none: not printed
    bool interactive = false;    // standard input is a terminal
};

// What the console's closing summary reports, gathered as the run goes.
struct SummaryBlock {
    std::int32_t stations = 0;       // taking part in the adjustment
    std::int32_t fixed_stations = 0; // of those
    std::int32_t coordinate_differences = 0; // among the height differences
    std::int32_t passes = 0;         // iterations run
    // Residual analysis of the last pass: the estimate of the variance
    // factor, the degrees of freedom and the largest standardised residual
    // with its observation (k: main-list observation k; -j: height
    // observation j, of station `residual_station`; 10000 + j: refraction
    // constraint j).
    bool residual_analysis = false;
    float variance_factor = 0.0f;
    std::int32_t degrees_of_freedom = 0;
    float largest_residual = 0.0f;
    std::int32_t largest_code = 0;
    std::int32_t residual_station = 0;
    // Output files written, in the order they were completed.
    std::vector<std::string> written;
    void wrote(const std::string& name) {
        if (std::find(written.begin(), written.end(), name) == written.end()) written.push_back(name);
    }
};

struct RunContext {
    OptionBlock option;
    NumbrsBlock numbrs;
    Rec01Block rec01;
    ReginfBlock reginf;
    TmvalsBlock tmvals;
    RotationBlock rotation;
    NamesBlock names;
    ObsBlock obs;
    StnfstBlock stnfst;
    FrmstnBlock frmstn;
    ArraysBlock arrays;
    FactorBlock factor;
    NeareaBlock nearea;
    MatbufBlock matbuf;
    HeadBlock head;
    IoareaBlock ioarea;
    FilesBlock files;
    PathState paths;
    Console console;
    Diagnostics diag;
    SummaryBlock summary;
    // The outputs asked for on the command line and, at the end of a run
    // that reached the results stage, the results they are written from.
    RunResults results;

    // Set when the report was ended with its final page break.
    bool report_finished = false;
    // Run date override (day-Mon-yyyy, 11 characters) for reproducible reports.
    std::string fixed_run_date;
    // File the stage timings are appended to; empty: stages are not timed.
    std::string stage_times_path;

    RunContext() = default;
    RunContext(const RunContext&) = delete;
    RunContext& operator=(const RunContext&) = delete;
};

} // namespace quarlo
