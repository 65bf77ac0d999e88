#include "input/record_layout.h"

#include "report/iocat3.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

namespace quarlo {

ColumnUse::ColumnUse(const char* what, int width, std::initializer_list<Field> fields, std::initializer_list<Flag> flags)
    : what_(what), width_(width) {
    for (int c = 1; c <= width_ && c <= kMaxWidth; ++c) unused_bytes_[static_cast<std::size_t>(c - 1)] = 0xff;
    for (const Field& f : fields) use(f.col, f.width);
    for (const Flag& f : flags) flag(f);
}

ColumnUse& ColumnUse::use(int col, int width) {
    for (int c = col; c < col + width && c <= width_; ++c)
        if (c >= 1) {
            used_[static_cast<std::size_t>(c)] = true;
            unused_bytes_[static_cast<std::size_t>(c - 1)] = 0;
        }
    return *this;
}

bool ColumnUse::blank_where_unused(const char* text, std::size_t n) const {
    constexpr std::uint64_t kBlanks = 0x2020202020202020u;
    std::size_t i = 0;
    for (; i + 8 <= n; i += 8) {
        std::uint64_t chars = 0, unused = 0;
        std::memcpy(&chars, text + i, 8);
        std::memcpy(&unused, unused_bytes_.data() + i, 8);
        // A byte is not zero where the character is not a blank.
        if (((chars ^ kBlanks) & unused) != 0) return false;
    }
    for (; i < n; ++i)
        if (text[i] != ' ' && unused_bytes_[i] != 0) return false;
    return true;
}

ColumnUse& ColumnUse::flag(const Flag& f) {
    use(f.col, 1);
    for (Flag& slot : flags_) {
        if (slot.col == 0) {
            slot = f;
            break;
        }
    }
    return *this;
}

void check_columns(RunContext& ctx, const ColumnUse& use, SourceLine at, std::string_view text,
                   std::string_view quote) {
    Diagnostics& d = ctx.diag;
    const std::size_t n = text.size();
    const void* tab = n > 0 ? std::memchr(text.data(), '\t', n) : nullptr;
    if (tab) {
        const int col = static_cast<int>(static_cast<const char*>(tab) - text.data()) + 1;
        d.warning(at, col,
                  "tab character: the program counts it as one column, so the fields after it are not in the "
                  "columns they appear to be in",
                  quote);
    }
    for (const Flag& f : use.flags()) {
        if (f.col < 1 || static_cast<std::size_t>(f.col) > n) continue;
        const char c = text[static_cast<std::size_t>(f.col - 1)];
        if (c < 'a' || c > 'z' || !std::strchr(f.letters, c - 'a' + 'A')) continue;
        d.warning(at, f.col, [&] {
            const char upper = static_cast<char>(c - 'a' + 'A');
            return std::string("lower-case '") + c + "' in column " + std::to_string(f.col) + " has no effect: only '" +
                   upper + "' acts there";
        }, quote);
    }
    if (tab) return;
    // Nearly every line: nothing to say.
    if (n <= static_cast<std::size_t>(std::min(use.width(), ColumnUse::kMaxWidth)) &&
        use.blank_where_unused(text.data(), n))
        return;
    for (std::size_t i = 0; i < n; ++i) {
        if (text[i] == ' ') continue;
        const int col = static_cast<int>(i) + 1;
        if (col > use.width()) {
            d.warning(at, col, [&] { return "text after column " + std::to_string(use.width()) + " is not read"; }, quote);
            return;
        }
        if (!use.used(col)) {
            d.warning(at, col, [&] {
                return "text in column " + std::to_string(col) + ", which " + use.what() +
                       " does not use: is a field one column off?";
            }, quote);
            return;
        }
    }
}

FieldReader::~FieldReader() {
    if (unused_) ctx_.diag.dropped();
}

std::int32_t FieldReader::integer(const Field& f) {
    std::int32_t value = jio01(ctx_, f.col, f.width);
    check(f);
    return value;
}

double FieldReader::real(const Field& f) {
    double value = eio00(ctx_, f.col, f.width);
    check(f);
    return value;
}

double FieldReader::angle(const Field& f) {
    double value = esu05(ctx_, f.col, f.width);
    check(f);
    return value;
}

void FieldReader::check(const Field& f) {
    if (ctx_.ioarea.field_status >= 0) return;
    unused_ = true;
    ctx_.diag.message(ctx_.ioarea.record_at, [&] {
        std::string text = ctx_.ioarea.card.sub(f.col, f.width);
        text.erase(0, text.find_first_not_of(' '));
        text.erase(text.find_last_not_of(' ') + 1);
        return std::string(f.name) + " \"" + visible_text(text, 20) + "\" cannot be read; taken as 0";
    });
}

namespace record {

const ColumnUse* columns_of(int code) {
    using namespace station;
    auto grid_layout = [](const char* what) {
        return ColumnUse(what, 80,
                         {record::kCode, kNumber, station::kCode, kEasting, kNorthing, kName, kRegistration, kHeight,
                          kHeightCode, kHeightSd},
                         {kEllipsoidal});
    };
    static const ColumnUse grid = grid_layout("a type 10 record");
    static const ColumnUse grid_registration = grid_layout("a type 18 record");
    static const ColumnUse geographic("a type 11 record", 80,
                                      {record::kCode, kNumber, station::kCode, kLatitude, kLongitudeSign, kLongitude,
                                       kGeographicName, kHeight, kHeightCode, kHeightSd},
                                      {kSouth, kEllipsoidal});
    static const ColumnUse zenith_record("a type 23 record", 80,
                                         {record::kCode, zenith::kFrom, zenith::kTo, zenith::kAngle, zenith::kSd,
                                          zenith::kDistance, zenith::kAzimuth, zenith::kRefraction,
                                          zenith::kInstrument, zenith::kTarget, zenith::kOccupiedEccentric,
                                          zenith::kObservedEccentric, zenith::kOccupiedCode, zenith::kObservedCode},
                                         {zenith::kReciprocal, zenith::kVertical, zenith::kDistanceType});
    static const ColumnUse difference_record("a type 24 record", 80,
                                             {record::kCode, difference::kFrom, difference::kTo, difference::kValue,
                                              difference::kSd, difference::kDistance, difference::kInstrument,
                                              difference::kTarget, difference::kOccupiedCode,
                                              difference::kObservedCode});
    static const ColumnUse coordinate_record("a type 26 record", 80,
                                             {record::kCode, coordinates::kFirst, coordinates::kSecond, coordinates::kDx,
                                              coordinates::kDy, coordinates::kDz, coordinates::kSd,
                                              coordinates::kInstrument, coordinates::kTarget,
                                              coordinates::kOccupiedCode, coordinates::kObservedCode});
    using namespace control;
    static const ColumnUse control_record(
        "the control record", 80,
        {record::kCode, kNoFilling, kZone, kRefractionOption, kZenithLimit, kHeightLimit, kListNumber, kListSubNumber,
         kWeightFactor, kEquationOutput, kSolutionOutput, kGeoidModel, kRefraction, kRefractionSd, kMeanLatitude,
         kStage, kStationFile, kIterations, kZenithSdFactor, kAnalysis, kAnalysisAlternative, kPrecision, kCentring,
         kRotation, kZenithFile, kVerticalAngles, kHalveK});
    static const ColumnUse title_record("a title record", 80, {record::kCode, kTitle});
    switch (code) {
    case 1: return &control_record;
    case 10: return &grid;
    case 11: return &geographic;
    case 18: return &grid_registration;
    case 23: return &zenith_record;
    case 24: return &difference_record;
    case 26: return &coordinate_record;
    case 92: return &title_record;
    default: return nullptr;
    }
}

} // namespace record

} // namespace quarlo
