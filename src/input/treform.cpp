#include "input/treform.h"

#include "core/run_files.h"
#include "core/records.h"
#include "report/edit.h"
#include "report/iocat3.h"
#include "report/print.h"

#include <ostream>
#include <string>
#include <string_view>

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
Keyword keyword_of(const std::string& line) {
    std::string_view k(line.data(), 3);
    if (k == "GRD" || k == "grd" || k == "STN" || k == "stn") return Keyword::grid;
    if (k == "GEO" || k == "geo") return Keyword::geographic;
    if (k == "GCR" || k == "gcr") return Keyword::grid_registration;
    if (k == "ZEN" || k == "zen" || k == "VER" || k == "ver") return Keyword::zenith;
    if (k == "DIF" || k == "dif") return Keyword::height_difference;
    if (k == "CCD" || k == "ccd") return Keyword::coordinate_difference;
    return Keyword::none;
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

    // Columns from..from+len-1 of a line into the record from column to.
    void move(const std::string& line, int from, int len, int to) { put(to, columns(line, from, len)); }
    // The same into a record field of `width` columns narrower than the line's.
    void move(const std::string& line, int from, int len, int to, int width) {
        put(to, fit_field(columns(line, from, len), width));
    }

    const std::string& text() const { return text_; }

private:
    std::string text_;
};

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
    bool read_line(std::string& line);
    int find_label(const FixedText<kLabelWidth>& label, int count) const;
    bool station_number(const FixedText<kLabelWidth>& label, int& number);
    bool station_line(Keyword k, const std::string& line, const std::string* cont);
    bool observation_line(Keyword k, const std::string& line, const std::string* cont);
    void report_unreadable_geoid(const FixedText<kLabelWidth>& label);

    RunContext& ctx_;
    SeqFile& in_;
    // The first label of the previous observation line, repeated by a blank
    // first label. Blank until an observation line gives one.
    FixedText<kLabelWidth> previous_first_label_;
    int coordinate_differences_ = 0;
};

// The next line as 105 columns, with any comment ("!" and what follows)
// blanked out.
bool Converter::read_line(std::string& line) {
    std::string raw;
    if (!in_.read_line(raw)) return false;
    line = pad_line(raw, kLineWidth);
    std::size_t bang = line.find('!');
    if (bang != std::string::npos) line.replace(bang, std::string::npos, line.size() - bang, ' ');
    return true;
}

// The station number of a label among the first `count` stations, or 0.
int Converter::find_label(const FixedText<kLabelWidth>& label, int count) const {
    for (int j = 1; j <= count; ++j)
        if (ctx_.arrays.label(j) == label) return j;
    return 0;
}

// The number of the station with this label; a label not yet known is
// numbered as a new station. False when that passes the station limit.
bool Converter::station_number(const FixedText<kLabelWidth>& label, int& number) {
    auto& count = ctx_.numbrs.number_of_stations;
    number = find_label(label, count);
    if (number != 0) return true;
    if (count + 1 > kMaxKeywordStations) return false;
    number = ++count;
    auto& arrays = ctx_.arrays;
    arrays.label(number) = label;
    arrays.code(number) = ' ';
    arrays.height_text(number).blank();
    arrays.label_geoid(number) = 0.0f;
    return true;
}

void Converter::report_unreadable_geoid(const FixedText<kLabelWidth>& label) {
    ioc11(ctx_, "*** GEOID SEPARATION NOT READABLE FOR", 40);
    ioc11(ctx_, label.view(), 78);
    ioc11(ctx_, "- TAKEN AS ZERO ***", 91);
    opr00(ctx_, 2);
}

// A station line, converted and written to quarlo19.wrk at once; a repeated
// label is dropped or written as a redefinition of the first station.
bool Converter::station_line(Keyword k, const std::string& line, const std::string* cont) {
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
    const FixedText<kLabelWidth> label(columns(line, 5, kLabelWidth));
    int number = n;
    bool redefinition = false;
    if (!registration) {
        int j = find_label(label, n - 1);
        if (j != 0) {
            --count;
            char c = arrays.code(j);
            if (code == c || height_code == c) {
                bool drop = (code == ' ' && height_code == ' ') || c == ' ' || height_text == arrays.height_text(j);
                if (drop) return true;
            }
            number = j;
            redefinition = true;
        }
    }
    if (count > kMaxKeywordStations) return false;

    if (!redefinition) {
        arrays.label(n) = label;
        arrays.code(n) = ' ';
        arrays.height_text(n).blank();
        arrays.label_geoid(n) = 0.0f;
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
        card.move(line, 38, 3, 8);   // latitude degrees with sign
        card.move(line, 42, 2, 11);  // minutes
        card.move(line, 45, 8, 13);  // seconds with decimals
        card.move(line, 53, 4, 21);  // longitude sign and degrees
        card.move(line, 58, 2, 25);  // minutes
        card.move(line, 61, 8, 27);  // seconds with decimals
        card.move(line, 18, 20, 36); // name
        card.move(line, 70, 1, 58);  // "E" flag
        card.move(line, 71, 8, 59);  // height
        card.move(line, 79, 1, 67);  // height code
        if (cont)
            card.move(*cont, 14, 5, 69);
        else
            card.move(line, 93, 5, 69); // height standard deviation
    } else {
        card.move(line, 38, 22, 8);  // easting and northing
        card.move(line, 18, 20, 31); // name
        card.move(line, 60, 1, 58);  // "E" flag
        card.move(line, 61, 8, 59);  // height
        card.move(line, 69, 1, 67);  // height code
        card.move(line, 70, 5, 69);  // height standard deviation
    }
    if (registration) {
        // The registration number follows "TS" in the label; characters
        // beyond the end of the label count as blanks.
        std::string text = label.str();
        std::size_t ts = text.find("TS");
        if (ts != std::string::npos) card.put(53, columns(text, static_cast<int>(ts) + 3, 4));
    }
    ctx_.files.unit19.write_line(card.text());

    if (!registration) {
        arrays.label_geoid(number) = 0.0f;
        if (geographic) {
            int status = 0;
            double n_value = cont ? read_real_field(*cont, 21, 7, status) : read_real_field(line, 99, 7, status);
            if (status < 0) report_unreadable_geoid(label);
            arrays.label_geoid(number) = static_cast<float>(n_value);
        }
    }
    return true;
}

// An observation line, converted to its record on the scratch file of its
// kind; labels not yet known are numbered as stations.
bool Converter::observation_line(Keyword k, const std::string& line, const std::string* cont) {
    FixedText<kLabelWidth> first(columns(line, 5, kLabelWidth));
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

    const FixedText<kLabelWidth> second(columns(line, 19, kLabelWidth));
    int from = 0, to = 0;
    if (!station_number(first, from) || !station_number(second, to)) return false;

    // Trailing fields: columns 81 on, or the continuation line from column 1.
    const std::string& tail = cont ? *cont : line;
    const int shift = cont ? 80 : 0;

    Card card;
    if (k == Keyword::zenith) {
        card.put(1, "23");
        card.put(3, at(line, 4));
        card.put(4, edit::int_field(from, 3));
        card.put(9, edit::int_field(to, 3));
        std::string_view kw(line.data(), 2);
        if (kw == "VE" || kw == "ve") card.put(12, 'V');
        if (at(line, 36) == ' ' && at(line, 39) == ' ') {
            // Spread angle: degrees, minutes and seconds in their own columns.
            card.move(line, 33, 3, 13);
            card.move(line, 37, 2, 16);
            card.move(line, 40, 4, 18);
            card.move(line, 45, 6, 23); // standard deviation
            card.move(line, 59, 5, 44); // K
            card.move(line, 66, 5, 50); // instrument height
            card.move(line, 74, 5, 56); // target height
        } else {
            card.move(line, 32, 9, 13); // packed angle
            card.move(line, 42, 6, 23); // standard deviation
            card.move(line, 49, 9, 29); // distance
            card.move(line, 58, 1, 39); // distance type
            card.move(line, 59, 3, 40); // azimuth
            card.move(line, 63, 5, 44); // K
            card.move(line, 69, 5, 50); // instrument height
            card.move(line, 75, 5, 56); // target height
        }
        card.move(tail, 81 - shift, 6, 63); // occupied eccentric height
        card.move(tail, 88 - shift, 6, 70); // observed eccentric height
        card.move(tail, 95 - shift, 1, 78); // eccentric codes
        card.move(tail, 97 - shift, 1, 80);
        ctx_.files.unit21.write_line(card.text());
    } else if (k == Keyword::height_difference) {
        card.put(1, "24");
        card.put(4, edit::int_field(from, 3));
        card.put(9, edit::int_field(to, 3));
        card.move(line, 33, 9, 13);     // height difference
        card.move(line, 43, 6, 23);     // standard deviation
        card.move(line, 50, 1, 78);     // eccentric codes
        card.move(line, 52, 1, 80);
        card.move(line, 54, 9, 30, 8);  // distance
        card.move(line, 69, 5, 50);     // instrument height
        card.move(line, 75, 6, 56);     // target height
        ctx_.files.unit20.write_line(card.text());
    } else {
        card.put(1, "26");
        card.put(5, edit::int_field(from, 3));
        card.put(9, edit::int_field(to, 3));
        card.move(line, 32, 11, 12); // X, Y and Z differences
        card.move(line, 43, 11, 23);
        card.move(line, 54, 11, 34);
        card.move(tail, 81 - shift, 4, 61);  // standard deviation
        card.move(tail, 88 - shift, 5, 66);  // instrument height
        card.move(tail, 94 - shift, 5, 72);  // target height
        card.move(tail, 100 - shift, 1, 78); // eccentric codes
        card.move(tail, 102 - shift, 1, 80);
        ctx_.files.unit22.write_line(card.text());
    }
    return true;
}

Converter::Form Converter::run() {
    const std::string blank_line(kLineWidth, ' ');
    for (int pass = 1; pass <= 2; ++pass) {
        // Pass 1 starts where the header ended; pass 2 at the first line.
        if (pass == 2) in_.rewind();
        std::string line, cont;
        while (read_line(line)) {
            const Keyword k = keyword_of(line);
            // A continuation line belongs to its line in both passes, so that
            // it is never taken for a line of its own. A continuation asked
            // for by the last line of the file reads as blank.
            const bool continued = may_continue(k) && at(line, kContinuationColumn) == '\\';
            if (continued && !read_line(cont)) cont = blank_line;
            const std::string* tail = continued ? &cont : nullptr;

            if (pass == 1 && is_station(k)) {
                if (!station_line(k, line, tail)) return Form::too_many_stations;
                continue;
            }
            if (pass == 2 && is_observation(k)) {
                if (!observation_line(k, line, tail)) return Form::too_many_stations;
                continue;
            }
            if (k != Keyword::none) continue;
            if (is_record_code_line(line)) {
                in_.backspace();
                return Form::record_code;
            }
            if (at(line, 1) == '9' && at(line, 2) == '9') break;
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
        files.unit19.close();
    }

    files.unit20.close_delete();
    files.unit21.close_delete();
    files.unit22.close_delete();

    if (form == Converter::Form::record_code) {
        // Nothing was converted: the readers take the input file as it
        // stands, from the record just stepped back over.
        ctx.rec01.label_mode = 0;
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
