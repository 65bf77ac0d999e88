#include "input/treform.h"

#include "core/run_files.h"
#include "core/records.h"
#include "input/record_layout.h"
#include "report/edit.h"
#include "report/iocat3.h"
#include "report/print.h"

#include <ostream>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

namespace {

// Keyword lines are read as 105 columns; the converted records have 80.
constexpr int kLineWidth = 105;
constexpr int kRecordWidth = 80;
constexpr int kLabelWidth = 12;
// The continuation mark of "ZEN", "VER", "CCD" and "GEO" lines.
constexpr int kContinuationColumn = 80;

enum class Keyword {
    none,
    grid,                  // "GRD", "STN": station by grid coordinates (type 10)
    geographic,            // "GEO": station by latitude and longitude (type 11)
    grid_registration,     // "GCR": grid station with a registration number (type 18)
    zenith,                // "ZEN", "VER": zenith distance or vertical angle (type 23)
    height_difference,     // "DIF": height difference (type 24)
    coordinate_difference  // "CCD": coordinate difference (type 26)
};

// The keyword of columns 1-3, in upper case or in lower case only.
Keyword keyword_of(std::string_view line) {
    std::string_view k = line.substr(0, 3);
    if (k == "GRD" || k == "grd" || k == "STN" || k == "stn") return Keyword::grid;
    if (k == "GEO" || k == "geo") return Keyword::geographic;
    if (k == "GCR" || k == "gcr") return Keyword::grid_registration;
    if (k == "ZEN" || k == "zen" || k == "VER" || k == "ver") return Keyword::zenith;
    if (k == "DIF" || k == "dif") return Keyword::height_difference;
    if (k == "CCD" || k == "ccd") return Keyword::coordinate_difference;
    return Keyword::none;
}

// A keyword written in mixed case ("Grd"), which is no keyword.
bool mixed_case_keyword(std::string_view line) {
    if (line.size() < 3) return false;
    std::string upper(line.substr(0, 3));
    for (char& c : upper)
        if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
    return keyword_of(upper + "   ") != Keyword::none;
}

bool is_station(Keyword k) {
    return k == Keyword::grid || k == Keyword::geographic || k == Keyword::grid_registration;
}

bool is_observation(Keyword k) {
    return k == Keyword::zenith || k == Keyword::height_difference || k == Keyword::coordinate_difference;
}

// Lines that may carry their trailing fields on a continuation line.
bool may_continue(Keyword k) {
    return k == Keyword::geographic || k == Keyword::zenith || k == Keyword::coordinate_difference;
}

// Column col (from 1) of a line held at its full width.
char at(const std::string& line, int col) { return line[static_cast<std::size_t>(col - 1)]; }

// Record-code records that show the input is not in keyword form. A
// coordinate-difference record, or a reciprocal zenith distance, can be the
// first coded record of a file whose stations all come from a station file.
bool is_record_code_line(const std::string& line) {
    std::string_view c(line.data(), 3);
    return c == "10 " || c == "11 " || c == "18 " || c == "23 " || c == "24 " || c == "26 " || c == "23S";
}

// A field of more characters than its record field has room for. Blanks
// inside a number are not significant, so they go first; a number that still
// does not fit is written again with as many decimals as fit; anything else
// is marked unreadable rather than cut into a different value.
std::string fit_field(const std::string& text, int width) {
    if (static_cast<int>(text.size()) <= width) return text;
    std::string squeezed;
    for (char c : text)
        if (c != ' ') squeezed.push_back(c);
    if (static_cast<int>(squeezed.size()) <= width) return edit::blanks(width - static_cast<int>(squeezed.size())) + squeezed;
    int status = 0;
    double value = read_real_field(text, 1, static_cast<int>(text.size()), status);
    if (status == 1) {
        for (int d = width - 2; d >= 0; --d) {
            std::string s = edit::fixed_field(value, width, d);
            if (s.find('*') == std::string::npos) return s;
        }
    }
    return std::string(static_cast<std::size_t>(width), '*');
}

// A field of a keyword line moved into the converted record: columns
// from..from+len-1 of the line into the record from column `to`; into a
// record field of `width` columns when that is narrower than the line's
// (the value is then fitted to it).
struct Move {
    int from;
    int len;
    int to;
    int width = 0;
};

// Station lines: "GRD", "STN" and "GCR" (type 10 and 18 records).
constexpr Move kGridMoves[] = {
    {38, 22, 8},  // easting and northing
    {18, 20, 31}, // name
    {60, 1, 58},  // "E" flag
    {61, 8, 59},  // height
    {69, 1, 67},  // height code
    {70, 5, 69},  // height standard deviation
};
// "GEO" (type 11 records).
constexpr Move kGeographicMoves[] = {
    {38, 3, 8},   // latitude degrees with sign
    {42, 2, 11},  // minutes
    {45, 8, 13},  // seconds with decimals
    {53, 4, 21},  // longitude sign and degrees
    {58, 2, 25},  // minutes
    {61, 8, 27},  // seconds with decimals
    {18, 20, 36}, // name
    {70, 1, 58},  // "E" flag
    {71, 8, 59},  // height
    {79, 1, 67},  // height code
};
// The height standard deviation and the geoid separation of a "GEO" line:
// from columns 81 on, or from its continuation line.
constexpr Move kGeographicTail[] = {{93, 5, 69}};
constexpr Move kGeographicContinuation[] = {{14, 5, 69}};
constexpr Field kGeoidSeparation{99, 7, "geoid separation"};
constexpr Field kContinuedGeoidSeparation{21, 7, "geoid separation"};

// "ZEN" and "VER" lines (type 23), the angle packed or spread.
constexpr Move kPackedZenithMoves[] = {
    {32, 9, 13}, // packed angle
    {42, 6, 23}, // standard deviation
    {49, 9, 29}, // distance
    {58, 1, 39}, // distance type
    {59, 3, 40}, // azimuth
    {63, 5, 44}, // K
    {69, 5, 50}, // instrument height
    {75, 5, 56}, // target height
};
constexpr Move kSpreadZenithMoves[] = {
    {33, 3, 13}, // degrees
    {37, 2, 16}, // minutes
    {40, 4, 18}, // seconds
    {45, 6, 23}, // standard deviation
    {59, 5, 44}, // K
    {66, 5, 50}, // instrument height
    {74, 5, 56}, // target height
};
constexpr Move kZenithTail[] = {
    {81, 6, 63}, // occupied eccentric height
    {88, 6, 70}, // observed eccentric height
    {95, 1, 78}, // eccentric codes
    {97, 1, 80},
};
constexpr Move kZenithContinuation[] = {{1, 6, 63}, {8, 6, 70}, {15, 1, 78}, {17, 1, 80}};
// "DIF" lines (type 24).
constexpr Move kDifferenceMoves[] = {
    {33, 9, 13},    // height difference
    {43, 6, 23},    // standard deviation
    {50, 1, 78},    // eccentric codes
    {52, 1, 80},
    {54, 9, 30, 8}, // distance
    {69, 5, 50},    // instrument height
    {75, 6, 56},    // target height
};
// "CCD" lines (type 26).
constexpr Move kCoordinateMoves[] = {
    {32, 11, 12}, // X, Y and Z differences
    {43, 11, 23},
    {54, 11, 34},
};
constexpr Move kCoordinateTail[] = {
    {81, 4, 61},  // standard deviation
    {88, 5, 66},  // instrument height
    {94, 5, 72},  // target height
    {100, 1, 78}, // eccentric codes
    {102, 1, 80},
};
constexpr Move kCoordinateContinuation[] = {{1, 4, 61}, {8, 5, 66}, {14, 5, 72}, {20, 1, 78}, {22, 1, 80}};

// Letters that act in flag columns of keyword lines.
constexpr Flag kStationEllipsoidal{60, "E"};
constexpr Flag kGeographicSouth{38, "S"};
constexpr Flag kGeographicEllipsoidal{70, "E"};
constexpr Flag kReciprocal{4, "S"};
constexpr Flag kDistanceType{58, "SHE"};

// The columns a kind of keyword line reads: keyword, code column, labels,
// the moved fields and, on a line that is not continued, the tail fields.
ColumnUse keyword_columns(const char* what, bool observation, std::span<const Move> moves,
                          std::span<const Move> tail, bool continued, std::initializer_list<Flag> flags) {
    ColumnUse use(what, kLineWidth, {keyword::kKeyword, keyword::kFirstLabel}, flags);
    if (observation)
        use.use(keyword::kSecondLabel.col, keyword::kSecondLabel.width);
    else
        use.use(4, 1); // station code
    for (const Move& m : moves) use.use(m.from, m.len);
    if (continued) use.use(kContinuationColumn, 1);
    else
        for (const Move& m : tail) use.use(m.from, m.len);
    return use;
}

// The columns of a continuation line: the tail fields.
ColumnUse continuation_columns(std::span<const Move> tail, const Field* extra = nullptr) {
    ColumnUse use("a continuation line", kLineWidth);
    for (const Move& m : tail) use.use(m.from, m.len);
    if (extra) use.use(extra->col, extra->width);
    return use;
}

// A "ZEN" or "VER" angle spread over degrees, minutes and seconds columns.
bool spread_angle(const std::string& line) { return at(line, 36) == ' ' && at(line, 39) == ' '; }

// The layout a keyword line is read by.
const ColumnUse& columns_of(Keyword k, const std::string& line, bool continued) {
    static const ColumnUse grid = keyword_columns("a GRD or STN line", false, kGridMoves, {}, false, {kStationEllipsoidal});
    static const ColumnUse grid_registration =
        keyword_columns("a GCR line", false, kGridMoves, {}, false, {kStationEllipsoidal});
    auto geographic_columns = [](bool cont) {
        ColumnUse use = keyword_columns("a GEO line", false, kGeographicMoves, kGeographicTail, cont,
                                        {kGeographicSouth, kGeographicEllipsoidal});
        if (!cont) use.use(kGeoidSeparation.col, kGeoidSeparation.width);
        return use;
    };
    static const ColumnUse geographic = geographic_columns(false);
    static const ColumnUse geographic_continued = geographic_columns(true);
    static const ColumnUse packed =
        keyword_columns("a ZEN or VER line", true, kPackedZenithMoves, kZenithTail, false, {kReciprocal, kDistanceType});
    static const ColumnUse packed_continued =
        keyword_columns("a ZEN or VER line", true, kPackedZenithMoves, kZenithTail, true, {kReciprocal, kDistanceType});
    static const ColumnUse spread =
        keyword_columns("a ZEN or VER line", true, kSpreadZenithMoves, kZenithTail, false, {kReciprocal});
    static const ColumnUse spread_continued =
        keyword_columns("a ZEN or VER line", true, kSpreadZenithMoves, kZenithTail, true, {kReciprocal});
    static const ColumnUse difference =
        keyword_columns("a DIF line", true, kDifferenceMoves, {}, false, {});
    static const ColumnUse coordinates =
        keyword_columns("a CCD line", true, kCoordinateMoves, kCoordinateTail, false, {});
    static const ColumnUse coordinates_continued =
        keyword_columns("a CCD line", true, kCoordinateMoves, kCoordinateTail, true, {});
    switch (k) {
    case Keyword::grid: return grid;
    case Keyword::grid_registration: return grid_registration;
    case Keyword::geographic: return continued ? geographic_continued : geographic;
    case Keyword::zenith:
        if (spread_angle(line)) return continued ? spread_continued : spread;
        return continued ? packed_continued : packed;
    case Keyword::height_difference: return difference;
    default: return continued ? coordinates_continued : coordinates;
    }
}

const ColumnUse& continuation_columns_of(Keyword k) {
    static const ColumnUse geographic = continuation_columns(kGeographicContinuation, &kContinuedGeoidSeparation);
    static const ColumnUse zenith = continuation_columns(kZenithContinuation);
    static const ColumnUse coordinates = continuation_columns(kCoordinateContinuation);
    return k == Keyword::geographic ? geographic : k == Keyword::zenith ? zenith : coordinates;
}

// One converted record: 80 columns, blank-filled.
class Card {
public:
    Card() : text_(kRecordWidth, ' ') {}

    void put(int col, std::string_view s) {
        for (std::size_t i = 0; i < s.size(); ++i) {
            std::size_t idx = static_cast<std::size_t>(col - 1) + i;
            if (idx < text_.size()) text_[idx] = s[i];
        }
    }
    void put(int col, char c) { put(col, std::string_view(&c, 1)); }

    // The fields of a line moved into the record.
    void move(const std::string& line, std::span<const Move> moves) {
        for (const Move& m : moves) {
            std::string field = columns(line, m.from, m.len);
            put(m.to, m.width > 0 ? fit_field(field, m.width) : field);
        }
    }

    const std::string& text() const { return text_; }

private:
    std::string text_;
};

// A line of the input as the conversion reads it.
struct InputLine {
    std::string text;    // 105 columns, a comment ("!" and what follows) blanked out
    std::string written; // as it stands in the file
    std::size_t comment = std::string::npos; // where the comment starts in `written`
    SourceLine at;

    // The line as the program reads it, comment removed, at its full length.
    std::string_view read() const { return std::string_view(written).substr(0, comment); }
    void blank() {
        text.assign(kLineWidth, ' ');
        written.clear();
        comment = std::string::npos;
        at = SourceLine{};
    }
};

bool is_end_record(std::string_view line) { return line.size() >= 2 && line[0] == '9' && line[1] == '9'; }

class Converter {
public:
    explicit Converter(RunContext& ctx) : ctx_(ctx), in_(ctx.files.unit4) {}

    enum class Form { keyword, record_code, too_many_stations };

    // Both passes over the input; stops at the first record-code record.
    Form run();
    // Appends the observations and the end record to quarlo19.wrk and
    // writes the label work file.
    void finish();

private:
    bool read_line(InputLine& line);
    int find_label(const FixedText<kLabelWidth>& label, int count) const;
    bool station_number(const FixedText<kLabelWidth>& label, int& number, SourceLine at);
    bool station_line(Keyword k, const InputLine& line, const InputLine* cont);
    bool observation_line(Keyword k, const InputLine& line, const InputLine* cont);
    void report_unreadable_geoid(const FixedText<kLabelWidth>& label, SourceLine at);
    void report_too_many_stations(SourceLine at);
    void check(Keyword k, const InputLine& line, const InputLine* cont);
    void other_line(const InputLine& line);
    void after_end();
    void record_code_prefix();

    RunContext& ctx_;
    SeqFile& in_;
    InputLine line_, cont_;
    // The first label of the previous observation line, repeated by a blank
    // first label. Blank until an observation line gives one.
    FixedText<kLabelWidth> previous_first_label_;
    int coordinate_differences_ = 0;
    // The user's line of each station line (by station number; 0 for a
    // station that only observations name) and of each converted
    // observation of the three kinds, in the order they are written.
    std::vector<SourceLine> station_lines_ = std::vector<SourceLine>(kMaxKeywordStations + 2);
    std::vector<SourceLine> zenith_lines_, difference_lines_, coordinate_lines_;
};

bool Converter::read_line(InputLine& line) {
    if (!in_.read_line(line.written)) return false;
    line.at = last_line(in_);
    line.comment = line.written.find('!');
    line.text.assign(line.written, 0, std::min(line.comment, static_cast<std::size_t>(kLineWidth)));
    line.text.resize(kLineWidth, ' ');
    return true;
}

// The number of the station with this label among the first `count`, or 0.
int Converter::find_label(const FixedText<kLabelWidth>& label, int count) const {
    for (int j = 1; j <= count; ++j)
        if (ctx_.arrays.label(j) == label) return j;
    return 0;
}

// The number of the station with this label; a label not yet known is
// numbered as a new station. False when that passes the station limit.
bool Converter::station_number(const FixedText<kLabelWidth>& label, int& number, SourceLine at) {
    auto& count = ctx_.numbrs.number_of_stations;
    number = find_label(label, count);
    if (number != 0) return true;
    if (count + 1 > kMaxKeywordStations) {
        report_too_many_stations(at);
        return false;
    }
    number = ++count;
    auto& arrays = ctx_.arrays;
    arrays.label(number) = label;
    arrays.code(number) = ' ';
    arrays.height_text(number).blank();
    arrays.label_geoid(number) = 0.0f;
    station_lines_[static_cast<std::size_t>(number)] = SourceLine{};
    return true;
}

void Converter::report_unreadable_geoid(const FixedText<kLabelWidth>& label, SourceLine at) {
    constexpr std::string_view kStart = "*** GEOID SEPARATION NOT READABLE FOR";
    constexpr std::string_view kEnd = "- TAKEN AS ZERO ***";
    ioc11(ctx_, kStart, 40);
    ioc11(ctx_, label.view(), 78);
    ioc11(ctx_, kEnd, 91);
    opr00(ctx_, 2);
    ctx_.diag.message(at, [&] {
        return std::string(report_message_text(kStart)) + " " + quoted_label(label.view()) + " " +
               std::string(report_message_text(kEnd));
    });
    ctx_.diag.dropped();
}

void Converter::report_too_many_stations(SourceLine at) {
    ctx_.diag.message(at, "more than 999 stations: the run is abandoned");
}

// Warnings about the columns of a keyword line and of its continuation.
void Converter::check(Keyword k, const InputLine& line, const InputLine* cont) {
    check_columns(ctx_, columns_of(k, line.text, cont != nullptr), line.at, line.read(), line.written);
    if (cont && cont->at.known())
        check_columns(ctx_, continuation_columns_of(k), cont->at, cont->read(), cont->written);
}

// A station line, converted and written to quarlo19.wrk at once; a repeated
// label is dropped or written as a redefinition of the first station.
bool Converter::station_line(Keyword k, const InputLine& l, const InputLine* cont) {
    const std::string& line = l.text;
    auto& arrays = ctx_.arrays;
    auto& count = ctx_.numbrs.number_of_stations;
    const bool geographic = k == Keyword::geographic;
    const bool registration = k == Keyword::grid_registration;
    const int height_col = geographic ? 71 : 61;
    const int height_code_col = geographic ? 79 : 69;
    const char code = at(line, 4);
    const char height_code = at(line, height_code_col);
    const FixedText<8> height_text(columns(line, height_col, 8));

    ++count;
    const int n = count;
    const FixedText<kLabelWidth> label(columns(line, keyword::kFirstLabel.col, kLabelWidth));
    int number = n;
    bool redefinition = false;
    if (!registration) {
        int j = find_label(label, n - 1);
        if (j != 0) {
            --count;
            char c = arrays.code(j);
            if (code == c || height_code == c) {
                bool drop = (code == ' ' && height_code == ' ') || c == ' ' || height_text == arrays.height_text(j);
                if (drop) {
                    ctx_.diag.warning(l.at, keyword::kFirstLabel.col, [&] {
                        const SourceLine first = station_lines_[static_cast<std::size_t>(j)];
                        return "station " + quoted_label(label.view()) + " is defined twice" +
                               (first.known() ? " (first at line " + std::to_string(first.line) + ")" : std::string()) +
                               ": this line is dropped";
                    }, l.written);
                    ctx_.diag.dropped();
                    return true;
                }
            }
            number = j;
            redefinition = true;
        }
    }
    if (count > kMaxKeywordStations) {
        report_too_many_stations(l.at);
        return false;
    }

    if (!redefinition) {
        arrays.label(n) = label;
        arrays.code(n) = ' ';
        arrays.height_text(n).blank();
        arrays.label_geoid(n) = 0.0f;
        station_lines_[static_cast<std::size_t>(n)] = l.at;
        if (!registration && (code != ' ' || height_code != ' ')) {
            arrays.code(n) = height_code != ' ' ? height_code : code;
            arrays.height_text(n) = height_text;
        }
    }

    Card card;
    card.put(1, geographic ? "11" : registration ? "18" : "10");
    card.put(4, edit::int_field(number, 3));
    card.put(7, redefinition ? '#' : code);
    if (geographic) {
        card.move(line, kGeographicMoves);
        if (cont)
            card.move(cont->text, kGeographicContinuation);
        else
            card.move(line, kGeographicTail);
    } else {
        card.move(line, kGridMoves);
    }
    if (registration) {
        // The registration number follows "TS" in the label; characters
        // beyond the end of the label count as blanks.
        std::string text = label.str();
        std::size_t ts = text.find("TS");
        if (ts != std::string::npos) card.put(53, columns(text, static_cast<int>(ts) + 3, 4));
    }
    ctx_.files.unit19.write_line(card.text());
    ctx_.diag.converted.push_back(l.at);

    if (!registration) {
        arrays.label_geoid(number) = 0.0f;
        if (geographic) {
            int status = 0;
            const Field& n_field = cont ? kContinuedGeoidSeparation : kGeoidSeparation;
            double n_value = read_real_field(cont ? cont->text : line, n_field.col, n_field.width, status);
            if (status < 0) report_unreadable_geoid(label, l.at);
            arrays.label_geoid(number) = static_cast<float>(n_value);
        }
    }
    return true;
}

// An observation line, converted to its record on the scratch file of its
// kind; labels not yet known are numbered as stations.
bool Converter::observation_line(Keyword k, const InputLine& l, const InputLine* cont) {
    const std::string& line = l.text;
    FixedText<kLabelWidth> first(columns(line, keyword::kFirstLabel.col, kLabelWidth));
    if (first.is_blank())
        first = previous_first_label_;
    else
        previous_first_label_ = first;

    auto& numbrs = ctx_.numbrs;
    if (k == Keyword::zenith) {
        ++numbrs.number_of_zenith_distances;
    } else if (k == Keyword::height_difference) {
        ++numbrs.number_of_height_differences;
    } else {
        ++coordinate_differences_;
        if (coordinate_differences_ == 1 && ctx_.option.geoid_model_option == 0) ctx_.option.geoid_model_option = 1;
    }

    const FixedText<kLabelWidth> second(columns(line, keyword::kSecondLabel.col, kLabelWidth));
    int from = 0, to = 0;
    if (!station_number(first, from, l.at) || !station_number(second, to, l.at)) return false;

    // Trailing fields: columns 81 on, or the continuation line from column 1.
    const std::string& tail = cont ? cont->text : line;

    Card card;
    if (k == Keyword::zenith) {
        card.put(1, "23");
        card.put(3, at(line, 4));
        card.put(4, edit::int_field(from, 3));
        card.put(9, edit::int_field(to, 3));
        std::string_view kw(line.data(), 2);
        if (kw == "VE" || kw == "ve") card.put(12, 'V');
        // Spread angle: degrees, minutes and seconds in their own columns.
        card.move(line, spread_angle(line) ? std::span<const Move>(kSpreadZenithMoves) : kPackedZenithMoves);
        card.move(tail, cont ? std::span<const Move>(kZenithContinuation) : kZenithTail);
        ctx_.files.unit21.write_line(card.text());
        zenith_lines_.push_back(l.at);
    } else if (k == Keyword::height_difference) {
        card.put(1, "24");
        card.put(4, edit::int_field(from, 3));
        card.put(9, edit::int_field(to, 3));
        card.move(line, kDifferenceMoves);
        ctx_.files.unit20.write_line(card.text());
        difference_lines_.push_back(l.at);
    } else {
        card.put(1, "26");
        card.put(5, edit::int_field(from, 3));
        card.put(9, edit::int_field(to, 3));
        card.move(line, kCoordinateMoves);
        card.move(tail, cont ? std::span<const Move>(kCoordinateContinuation) : kCoordinateTail);
        ctx_.files.unit22.write_line(card.text());
        coordinate_lines_.push_back(l.at);
    }
    return true;
}

// A line that is neither a keyword line nor a record-code station or
// observation record. Blank and comment lines, the head of the input and
// the ignored records are in place; anything else is dropped.
void Converter::other_line(const InputLine& l) {
    const std::string& t = l.text;
    if (t.find_first_not_of(' ') == std::string::npos) return;
    const bool coded = t[0] >= '0' && t[0] <= '9' && t[1] >= '0' && t[1] <= '9';
    const int code = coded ? (t[0] - '0') * 10 + (t[1] - '0') : -1;
    if (code == 94 || code == 95 || code == 20 || code == 21 || code == 22) return;
    if ((code == 1 || code == 92) && l.at.line <= ctx_.diag.header_end) return;
    ctx_.diag.message(l.at, [&] {
        if (mixed_case_keyword(t))
            return "line ignored: '" + t.substr(0, 3) + "' is not a keyword: keywords are written all in upper case "
                   "or all in lower case";
        return std::string("line ignored: it is neither a keyword line nor a record of the head of the input");
    }, l.written);
    ctx_.diag.dropped();
}

// What follows the end record is not read: said once, at its first line.
void Converter::after_end() {
    while (read_line(line_)) {
        std::size_t first = line_.text.find_first_not_of(' ');
        if (first == std::string::npos) continue;
        ctx_.diag.warning(line_.at, static_cast<int>(first) + 1, kAfterEndWarning, line_.written);
        return;
    }
}

// The input is in record-code form from the line just stepped back over:
// the lines before it that are no part of the head of the input were
// skipped, and are said to be.
void Converter::record_code_prefix() {
    const long resume = in_.tell();
    const int resume_line = in_.line_number();
    in_.rewind();
    std::string& raw = line_.written;
    while (in_.line_number() < resume_line && in_.read_line(raw)) {
        std::string_view why = record_skip_reason(raw);
        const bool coded = why.empty() && raw.find_first_not_of(' ') != std::string::npos;
        if (coded) {
            const int code = (raw[0] - '0') * 10 + (raw[1] - '0');
            const bool head = code == 94 || code == 95 ||
                              (in_.line_number() <= ctx_.diag.header_end ? code == 1 || code == 92
                                                                          : code >= 20 && code <= 22);
            if (!head) why = "line skipped: a record of this type is not read before the station records";
        }
        if (why.empty()) continue;
        ctx_.diag.message(last_line(in_), why, raw);
        ctx_.diag.dropped();
    }
    in_.seek(resume, resume_line);
}

Converter::Form Converter::run() {
    for (int pass = 1; pass <= 2; ++pass) {
        // Pass 1 starts where the header ended; pass 2 at the first line.
        if (pass == 2) in_.rewind();
        while (read_line(line_)) {
            const Keyword k = keyword_of(line_.text);
            // A continuation line belongs to its line in both passes, so that
            // it is never taken for a line of its own. A continuation asked
            // for by the last line of the file reads as blank.
            const bool continued = may_continue(k) && at(line_.text, kContinuationColumn) == '\\';
            if (continued && !read_line(cont_)) cont_.blank();
            const InputLine* tail = continued ? &cont_ : nullptr;

            if (is_station(k)) {
                if (pass == 1) {
                    check(k, line_, tail);
                    if (!station_line(k, line_, tail)) return Form::too_many_stations;
                } else if (line_.at.line <= ctx_.diag.header_end) {
                    // Station lines are converted from the end of the head on.
                    ctx_.diag.message(line_.at, "line ignored: a station line before the control record is not read",
                                      line_.written);
                    ctx_.diag.dropped();
                }
                continue;
            }
            if (is_observation(k)) {
                if (pass == 2) {
                    check(k, line_, tail);
                    if (!observation_line(k, line_, tail)) return Form::too_many_stations;
                }
                continue;
            }
            if (is_record_code_line(line_.text)) {
                in_.backspace();
                if (pass == 1) record_code_prefix();
                return Form::record_code;
            }
            if (is_end_record(line_.text)) {
                if (pass == 2) after_end();
                break;
            }
            if (pass == 2) other_line(line_);
        }
    }
    return Form::keyword;
}

void Converter::finish() {
    auto& files = ctx_.files;
    // Zenith distances, then height differences, then coordinate differences.
    for (SeqFile* scratch : {&files.unit21, &files.unit20, &files.unit22}) {
        scratch->rewind();
        std::string record;
        while (scratch->read_line(record)) files.unit19.write_line(record);
    }
    files.unit19.write_line(pad_line("99", kRecordWidth));
    auto& converted = ctx_.diag.converted;
    for (const auto* lines : {&zenith_lines_, &difference_lines_, &coordinate_lines_})
        converted.insert(converted.end(), lines->begin(), lines->end());
    converted.push_back(SourceLine{});
    for (int n = 1; n <= ctx_.numbrs.number_of_stations; ++n)
        write_label(files.unit18, n, ctx_.arrays.label(n), ctx_.arrays.label_geoid(n));
}

} // namespace

void treform(RunContext& ctx) {
    auto& files = ctx.files;
    ctx.rec01.label_mode = 1;
    ctx.numbrs.number_of_stations = 0;
    ctx.numbrs.number_of_zenith_distances = 0;
    ctx.numbrs.number_of_height_differences = 0;

    ctx.diag.converted.clear();
    ctx.diag.converted.reserve(kMaxKeywordStations + kMaxObservations + 1);
    Converter converter(ctx);
    Converter::Form form = converter.run();
    if (form == Converter::Form::too_many_stations) {
        if (ctx.console.out) *ctx.console.out << " There are more than 999 stations \n" << std::flush;
        ctx.option.run_status = -9;
        return;
    }

    if (form == Converter::Form::keyword) {
        converter.finish();
        files.unit4.close();
        // Read back at once: it must be complete on disk.
        files.unit19.finish();
    }

    files.unit20.close_delete();
    files.unit21.close_delete();
    files.unit22.close_delete();

    if (form == Converter::Form::record_code) {
        // Nothing was converted: the readers take the input file as it
        // stands, from the record just stepped back over.
        ctx.rec01.label_mode = 0;
        ctx.diag.converted.clear();
        ctx.ioarea.report_skipped = true;
        ctx.numbrs.number_of_stations = 0;
        ctx.numbrs.number_of_zenith_distances = 0;
        ctx.numbrs.number_of_height_differences = 0;
        files.unit18.close_delete();
        files.unit19.close_delete();
        return;
    }

    if (!open_work_file(ctx, files.unit4, files.unit19_name, SeqFile::Mode::Old))
        throw FatalStop(" Unable to open work file " + files.unit19_name, kExitRunTimeError);
    files.unit4_is_work_file = true;
}

} // namespace quarlo
