// The fixed columns of the input records, each field described once: the
// readers take their columns from here, and the checks of a record as read
// (text in columns its layout leaves unused, a lower-case letter where only
// the upper-case one acts, a tab) take the columns that are used from the
// same lists.
#pragma once

#include "core/context.h"

#include <array>
#include <initializer_list>
#include <string_view>

namespace quarlo {

// A field of a record: its first column, its width and what the messages
// call it.
struct Field {
    int col;
    int width;
    const char* name;
};

// A column in which only some upper-case letters act, and those letters.
struct Flag {
    int col;
    const char* letters;
};

// Which columns a kind of record or line reads.
class ColumnUse {
public:
    static constexpr int kMaxWidth = 105;

    // `what` names the kind in the warnings ("a type 24 record", "a DIF
    // line"); `width` is the number of columns read.
    ColumnUse(const char* what, int width, std::initializer_list<Field> fields = {},
              std::initializer_list<Flag> flags = {});
    ColumnUse& use(int col, int width);
    ColumnUse& flag(const Flag& f);

    const char* what() const { return what_; }
    int width() const { return width_; }
    bool used(int col) const { return col >= 1 && col <= width_ && used_[static_cast<std::size_t>(col)]; }
    const std::array<Flag, 4>& flags() const { return flags_; }
    // Whether the first n characters of a line (n <= width()) are blank in
    // every column this layout leaves unused: looked at eight columns at a
    // time.
    bool blank_where_unused(const char* text, std::size_t n) const;

private:
    const char* what_;
    int width_;
    std::array<bool, kMaxWidth + 1> used_{};
    // 0xff for the columns not used, byte col - 1 for column col.
    std::array<unsigned char, kMaxWidth> unused_bytes_{};
    std::array<Flag, 4> flags_{};
};

// The warning at the first line after the end record that is not blank.
constexpr std::string_view kAfterEndWarning = "the lines after the end record (99) are not read";

// Warnings about a line read under a layout: a tab (the first one), a
// lower-case letter in a flag column, and text in the first column the
// layout leaves unused or beyond its last column (not looked for after a
// tab, which shifts every column after it). `text` is the line as the
// program reads it (comments blanked), `quote` the line as written.
void check_columns(RunContext& ctx, const ColumnUse& use, SourceLine at, std::string_view text,
                   std::string_view quote);

// The fields of the current input record, read by the field readers. A
// field that cannot be read is taken as 0, as the readers do, and said on
// standard error at the record's line; a record with such a field counts
// as not read as written.
class FieldReader {
public:
    explicit FieldReader(RunContext& ctx) : ctx_(ctx) {}
    ~FieldReader();
    FieldReader(const FieldReader&) = delete;
    FieldReader& operator=(const FieldReader&) = delete;

    std::int32_t integer(const Field& f);
    double real(const Field& f);
    float real32(const Field& f) { return static_cast<float>(real(f)); }
    double angle(const Field& f);
    // The field status of the last field read.
    int status() const { return ctx_.ioarea.field_status; }
    // Part of the record is not used, as a message has said.
    void not_used() { unused_ = true; }

private:
    void check(const Field& f);

    RunContext& ctx_;
    bool unused_ = false;
};

// Record-code records, by their code in columns 1-2.
namespace record {
constexpr Field kCode{1, 2, "record code"};

namespace station { // types 10 (grid), 18 (grid, registration number) and 11 (geographic)
constexpr Field kNumber{4, 3, "station number"};
constexpr Field kCode{7, 1, "station code"};
constexpr Field kEasting{8, 11, "easting"};
constexpr Field kNorthing{19, 11, "northing"};
constexpr Field kName{31, 20, "station name"};
constexpr Field kRegistration{52, 5, "registration number"};
constexpr Field kLatitude{8, 13, "latitude"};
constexpr Field kLongitudeSign{21, 1, "longitude sign"};
constexpr Field kLongitude{22, 13, "longitude"};
constexpr Field kGeographicName{36, 20, "station name"};
constexpr Flag kSouth{8, "S"};
constexpr Flag kEllipsoidal{58, "E"};
constexpr Field kHeight{59, 8, "height"};
constexpr Field kHeightCode{67, 1, "height code"};
constexpr Field kHeightSd{69, 5, "height standard deviation"};
} // namespace station

namespace zenith { // type 23
constexpr Flag kReciprocal{3, "S"};
constexpr Field kFrom{4, 4, "occupied station"};
constexpr Field kTo{9, 3, "observed station"};
constexpr Flag kVertical{12, "V"};
constexpr Field kAngle{13, 9, "angle"};
constexpr Field kSd{23, 6, "standard deviation"};
constexpr Field kDistance{29, 10, "distance"};
constexpr Flag kDistanceType{39, "SHE"};
constexpr Field kAzimuth{40, 3, "azimuth"};
constexpr Field kRefraction{44, 5, "refraction coefficient K"};
constexpr Field kInstrument{50, 5, "instrument height"};
constexpr Field kTarget{56, 6, "target height"};
constexpr Field kOccupiedEccentric{63, 6, "occupied eccentric height"};
constexpr Field kObservedEccentric{70, 6, "observed eccentric height"};
constexpr Field kOccupiedCode{78, 1, "occupied eccentric code"};
constexpr Field kObservedCode{80, 1, "observed eccentric code"};
} // namespace zenith

namespace difference { // type 24
constexpr Field kFrom{4, 4, "occupied station"};
constexpr Field kTo{9, 3, "observed station"};
constexpr Field kValue{13, 9, "height difference"};
constexpr Field kSd{23, 6, "standard deviation"};
constexpr Field kDistance{30, 8, "distance"};
constexpr Field kInstrument{50, 5, "instrument height"};
constexpr Field kTarget{56, 6, "target height"};
constexpr Field kOccupiedCode{78, 1, "occupied eccentric code"};
constexpr Field kObservedCode{80, 1, "observed eccentric code"};
} // namespace difference

namespace coordinates { // type 26
constexpr Field kFirst{4, 4, "first station"};
constexpr Field kSecond{9, 3, "second station"};
constexpr Field kDx{12, 11, "X difference"};
constexpr Field kDy{23, 11, "Y difference"};
constexpr Field kDz{34, 11, "Z difference"};
constexpr Field kSd{61, 4, "standard deviation"};
constexpr Field kInstrument{66, 5, "instrument height"};
constexpr Field kTarget{72, 5, "target height"};
constexpr Field kOccupiedCode{78, 1, "occupied eccentric code"};
constexpr Field kObservedCode{80, 1, "observed eccentric code"};
} // namespace coordinates

namespace control { // type 01
constexpr Field kNoFilling{3, 1, "column 3"};
constexpr Field kZone{4, 3, "zone"};
constexpr Field kRefractionOption{8, 1, "refraction option"};
constexpr Field kZenithLimit{12, 4, "zenith distance (C-O) limit"};
constexpr Field kHeightLimit{16, 3, "height difference (C-O) limit"};
constexpr Field kListNumber{20, 4, "final list number"};
constexpr Field kListSubNumber{25, 2, "final list sub-number"};
constexpr Field kWeightFactor{28, 3, "height difference weight factor"};
constexpr Field kEquationOutput{32, 1, "observation equation output"};
constexpr Field kSolutionOutput{34, 1, "normal equation solution output"};
constexpr Field kGeoidModel{36, 1, "geoid separation model option"};
constexpr Field kRefraction{38, 5, "default refraction coefficient"};
constexpr Field kRefractionSd{44, 5, "refraction standard deviation"};
constexpr Field kMeanLatitude{51, 2, "mean latitude"};
constexpr Field kStage{54, 1, "required stage"};
constexpr Field kStationFile{56, 1, "station file option"};
constexpr Field kIterations{58, 1, "number of iterations"};
constexpr Field kZenithSdFactor{60, 3, "zenith distance standard deviation factor"};
constexpr Field kAnalysis{64, 1, "analysis option"};
constexpr Field kAnalysisAlternative{65, 1, "analysis option"}; // counts as column 64
constexpr Field kPrecision{66, 1, "precision listing option"};
constexpr Field kCentring{68, 4, "centring standard deviation"};
constexpr Field kRotation{74, 1, "rotation option"};
constexpr Field kZenithFile{76, 1, "zenith-distance file option"};
constexpr Field kVerticalAngles{78, 1, "vertical angle conversion"};
constexpr Field kHalveK{80, 1, "refraction coefficient conversion"};
} // namespace control

constexpr Field kTitle{3, 68, "title"}; // type 92

// The columns of a record of this code; nullptr for the codes whose
// columns are not checked (ignored records, the end record).
const ColumnUse* columns_of(int code);
} // namespace record

// Keyword lines: the columns that later messages point at (the lines'
// other fields are described where they are converted).
namespace keyword {
constexpr Field kKeyword{1, 3, "keyword"};
constexpr Field kFirstLabel{5, 12, "label"};
constexpr Field kSecondLabel{19, 12, "second label"};
constexpr Field kZenithDistance{49, 9, "distance"}; // of a "ZEN" line with a packed angle
} // namespace keyword

} // namespace quarlo
