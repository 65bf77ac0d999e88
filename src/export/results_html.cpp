// <job>.html: one self-contained page (inline SVG, no script), titled with
// the job's title records, with the network drawn to scale on the grid,
// each station marked (fixed or adjusted) with its number or label and
// name, each observed line coloured by its standardised residual and drawn
// by its kind (levelled, zenith distance, coordinate difference), each
// station's 95 % height precision as a bar, and the summary of the
// adjustment.
#include "export/exports.h"

#include "export/text.h"
#include "report/edit.h"
#include "results/reliability.h"
#include "results/residual.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <string_view>

namespace quarlo {

namespace {

constexpr double kMapWidth = 900.0;  // pixels, at most
constexpr double kMapHeight = 640.0; // pixels, at most
constexpr double kLongestBar = 40.0; // pixels, for the largest 95 % value
// Room around the stations: for the bars above and the labels to the right.
constexpr double kLeft = 30.0, kRight = 90.0, kTop = 30.0 + kLongestBar, kBottom = 30.0;
constexpr double kMinimumWidth = 760.0; // for the legend
constexpr double kLegendHeight = 180.0;
constexpr std::size_t kLargestListed = 10;
// Rows of the table of flagged and weakly checked observations.
constexpr std::size_t kTestedListed = 200;
// Stations drawn with their names beside them; more than this many carry
// their names in their tooltips only.
constexpr std::size_t kNamedStations = 100;

// How a line is drawn by the kind of its observation.
struct LineKind {
    const char* dashes; // stroke-dasharray; empty: a solid line
    const char* caption;
};
constexpr LineKind kLevelled = {"", "height difference (levelled)"};
constexpr LineKind kZenith = {"9 4", "zenith distance"};
constexpr LineKind kCoordinates = {"2 4", "coordinate difference"};

const LineKind& line_kind(const ObservationResult& o) {
    if (o.kind == ObservationKind::ZenithDistance) return kZenith;
    return o.coordinate_difference ? kCoordinates : kLevelled;
}

// Colour classes of the residual a line is coloured by: the normalised
// residual when the observations were tested, else the standardised one.
struct ResidualClass {
    const char* colour;
    const char* caption;
};
constexpr ResidualClass kUnsolved = {"#8c8c8c", "no residual"};
constexpr ResidualClass kNotCheckedLine = {"#2c7bb6", "not checked (r &#8776; 0, or lost to rounding)"};
struct Colouring {
    const char* title;
    float flagged; // |w| above this: the last class
    ResidualClass classes[4];
};
constexpr Colouring kStandardised = {"Standardised residual w = v &#8730;p",
                                     kFlaggedStandardisedResidual,
                                     {{"#1a9641", "|w| &lt; 1"},
                                      {"#a6d96a", "1 &#8804; |w| &lt; 2"},
                                      {"#fdae61", "2 &#8804; |w| &#8804; 2.5"},
                                      {"#d7191c", "|w| &gt; 2.5 (flagged *** in the report)"}}};
constexpr Colouring kNormalised = {"Normalised residual w = v / (&#963; &#8730;r)",
                                   static_cast<float>(kCriticalNormalisedResidual),
                                   {{"#1a9641", "|w| &lt; 1"},
                                    {"#a6d96a", "1 &#8804; |w| &lt; 2"},
                                    {"#fdae61", "2 &#8804; |w| &#8804; 3.29"},
                                    {"#d7191c", "|w| &gt; 3.29: flagged, a possible blunder"}}};

const Colouring& colouring(const RunResults& r) { return r.tests.reliability ? kNormalised : kStandardised; }

// The residual of an observation as the page ranks and colours it.
std::optional<float> shown_residual(const RunResults& r, const ObservationResult& o) {
    return r.tests.reliability ? o.normalised_residual() : o.standardised_residual;
}

bool not_checked(const ObservationResult& o) { return o.test && o.test->checking == Checking::Not; }

const ResidualClass& residual_class(const RunResults& r, const ObservationResult& o) {
    if (r.tests.reliability && not_checked(o)) return kNotCheckedLine;
    const std::optional<float> shown = shown_residual(r, o);
    if (!shown) return kUnsolved;
    const Colouring& c = colouring(r);
    const float w = std::fabs(*shown);
    if (w > c.flagged) return c.classes[3];
    if (w >= 2.0f) return c.classes[2];
    if (w >= 1.0f) return c.classes[1];
    return c.classes[0];
}

// A number in fixed point by the report's edit rule, without its leading
// blanks, held without allocating: the page writes tens of thousands.
class Fixed {
public:
    Fixed(double value, int decimals) : start_(kWidth - edit::put_fixed(text_, value, kWidth, decimals)) {}
    operator std::string_view() const { return {text_ + start_, static_cast<std::size_t>(kWidth - start_)}; }
    std::string str() const { return std::string(std::string_view(*this)); }

private:
    static constexpr int kWidth = 40;
    char text_[kWidth];
    int start_;
};

Fixed fixed(double value, int decimals) { return Fixed(value, decimals); }

Fixed px(double value) { return fixed(value, 1); }

// A small positive number with two significant digits, as 1.6e-07.
std::string scientific(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.1e", value);
    return text;
}

std::optional<float> magnitude(std::optional<float> w) {
    if (w) return std::fabs(*w);
    return std::nullopt;
}

bool is_line(const ObservationResult& o) {
    return o.kind == ObservationKind::ZenithDistance || o.kind == ObservationKind::HeightDifference;
}

// The observations chosen by `keep` in order of the size that `size_of`
// gives them, smallest or largest first, and among equal ones in their own
// order; one without a size counts as `unsolved`. Only the first `count`
// are kept.
enum class First { Smallest, Largest };
template <typename Keep, typename Size>
std::vector<const ObservationResult*> by_size(const std::vector<ObservationResult>& observations, Keep keep,
                                              Size size_of, float unsolved, First first,
                                              std::size_t count = std::numeric_limits<std::size_t>::max()) {
    struct Entry {
        float size;
        std::size_t index;
    };
    std::vector<Entry> entries;
    entries.reserve(observations.size());
    for (std::size_t i = 0; i < observations.size(); ++i) {
        const ObservationResult& o = observations[i];
        if (keep(o)) {
            const std::optional<float> size = size_of(o);
            const float w = size ? *size : unsolved;
            entries.push_back({std::isnan(w) ? unsolved : w, i});
        }
    }
    const float sign = first == First::Largest ? -1.0f : 1.0f;
    auto before = [sign](const Entry& a, const Entry& b) {
        return sign * a.size < sign * b.size || (a.size == b.size && a.index < b.index);
    };
    if (count < entries.size()) {
        std::partial_sort(entries.begin(), entries.begin() + static_cast<std::ptrdiff_t>(count), entries.end(), before);
        entries.resize(count);
    } else {
        std::sort(entries.begin(), entries.end(), before);
    }
    count = entries.size();
    std::vector<const ObservationResult*> chosen;
    chosen.reserve(count);
    for (std::size_t i = 0; i < count; ++i) chosen.push_back(&observations[entries[i].index]);
    return chosen;
}

// The station as the report names it: its label, or its number.
std::string station_id(const StationResult& s) {
    return s.label ? html_text(*s.label) : std::to_string(s.number);
}

std::string station_id(const RunResults& r, int position) {
    const StationResult* s = r.station(position);
    return s ? station_id(*s) : std::string("?");
}

const char* kind_caption(ObservationKind kind) {
    switch (kind) {
    case ObservationKind::ZenithDistance: return "zenith distance";
    case ObservationKind::HeightDifference: return "height difference";
    case ObservationKind::HeightObservation: return "height observation";
    case ObservationKind::RefractionConstraint: return "refraction constraint";
    }
    return "";
}

const char* residual_unit(ObservationKind kind) {
    switch (kind) {
    case ObservationKind::ZenithDistance: return "&#8243;";
    case ObservationKind::HeightDifference:
    case ObservationKind::HeightObservation: return " m";
    case ObservationKind::RefractionConstraint: return " &#215; 0.001";
    }
    return "";
}

int residual_decimals(ObservationKind kind) { return kind == ObservationKind::ZenithDistance ? 1 : 3; }

// The largest round length (1, 2 or 5 times a power of ten) not above x.
double round_length(double x) {
    if (!(x > 0.0)) return 0.0;
    double p = std::pow(10.0, std::floor(std::log10(x)));
    for (double m : {5.0, 2.0, 1.0})
        if (m * p <= x) return m * p;
    return p;
}

std::string length_caption(double metres) {
    if (metres >= 1000.0) return fixed(metres / 1000.0, metres >= 10000.0 ? 0 : 1).str() + " km";
    if (metres >= 1.0) return fixed(metres, 0).str() + " m";
    if (metres >= 0.001) return fixed(metres * 1000.0, 0).str() + " mm";
    return fixed(metres * 1000.0, 3).str() + " mm";
}

// The global test in a word or two.
std::string global_verdict(const AdjustmentTests& t) {
    if (!t.global) return "none";
    if (t.global->accepted()) return "accepted";
    return t.global->statistic > t.global->upper ? "rejected (too large)" : "rejected (too small)";
}

const char* finding(const ObservationTest& t) {
    if (t.checking == Checking::Not)
        return t.redundancy >= kNotChecked ? "not checked: rounding leaves r no reliable digit"
                                           : "not checked: no error here would show";
    if (flagged(t)) return t.checking == Checking::Weakly ? "flagged; weakly checked" : "flagged";
    return "weakly checked";
}

class Page {
public:
    Page(const RunResults& r, TextOutput& out) : r_(r), out_(out) {}
    void build();

private:
    void head();
    void summary();
    void map();
    void lines();
    void bars();
    void markers();
    void legend(double top);
    void tests();
    void tested_table();
    void largest();
    void observation_cells(const ObservationResult& o);
    std::string line_heading() const { return r_.input.empty() ? "Input line" : "Line of " + html_text(r_.input); }
    void notes();

    // Appends the parts, one after the other, growing the page once.
    template <typename... Parts>
    void put(const Parts&... parts) {
        out_.append(parts...);
    }
    double x(const StationResult& s) const { return kLeft + (s.easting - min_e_) * scale_; }
    double y(const StationResult& s) const { return kTop + (max_n_ - s.northing) * scale_; }

    const RunResults& r_;
    TextOutput& out_;
    double min_e_ = 0.0, max_n_ = 0.0, scale_ = 1.0, width_ = 0.0, height_ = 0.0;
    double bar_scale_ = 0.0; // pixels per metre of the 95 % value
    double largest_sd95_ = 0.0;
};

void Page::build() {
    head();
    summary();
    map();
    tests();
    largest();
    notes();
    put("</body>\n</html>\n");
}

// The job as the page names it: its title records, else its name.
std::string job_title(const RunResults& r) {
    std::string title;
    for (const std::string& t : r.titles) title += (title.empty() ? "" : " &#8212; ") + html_text(t);
    return title.empty() ? "Network " + html_text(r.job_name) : title;
}

void Page::head() {
    const std::string job = html_text(r_.job_name);
    const std::string title = job_title(r_);
    put("<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n");
    put("<title>", title, " (QUARLO results: ", job, ")</title>\n");
    put("<style>\n"
            "body { font-family: sans-serif; margin: 1.5em; color: #222; }\n"
            "table { border-collapse: collapse; margin: 0.5em 0 1.5em; }\n"
            "th, td { border: 1px solid #bbb; padding: 0.2em 0.6em; text-align: left; }\n"
            "td.n { text-align: right; font-variant-numeric: tabular-nums; white-space: nowrap; }\n"
            "svg { border: 1px solid #bbb; background: #fff; }\n"
            "svg text { font-family: sans-serif; font-size: 11px; }\n"
            "</style>\n</head>\n<body>\n");
    put("<h1>", title, "</h1>\n");
    if (!r_.titles.empty()) put("<p>Job ", job, ", adjusted by QUARLO.</p>\n");
}

void Page::summary() {
    const ResultSummary& s = r_.summary;
    auto row = [&](std::string_view caption, std::string_view value) {
        put("<tr><th>", caption, "</th><td class=\"n\">", value, "</td></tr>\n");
    };
    put("<h2>Summary</h2>\n<table class=\"summary\">\n");
    row("Stations", std::to_string(s.stations));
    row("Fixed stations", std::to_string(s.fixed_stations));
    row("Zenith distances", std::to_string(s.zenith_distances));
    row("Height differences", std::to_string(s.height_differences));
    if (s.height_observations != 0) row("Height observations", std::to_string(s.height_observations));
    if (s.refraction_constraints != 0) row("Refraction observations", std::to_string(s.refraction_constraints));
    row("Unknowns", std::to_string(s.unknowns));
    row("Redundancy (degrees of freedom)", std::to_string(s.degrees_of_freedom));
    if (s.equations > 0) row("Average redundancy number", fixed(static_cast<double>(s.degrees_of_freedom) / s.equations, 3));
    row("Variance factor", s.variance_factor ? fixed(*s.variance_factor, 3).str() : std::string("not estimated"));
    if (s.variance_factor_used) row("Variance factor used for the precisions", fixed(*s.variance_factor_used, 3));
    row("Global test at 95 %", global_verdict(r_.tests));
    put("</table>\n");
}

void Page::map() {
    put("<h2>Network</h2>\n");
    double min_e = std::numeric_limits<double>::infinity(), max_e = -min_e;
    double min_n = min_e, max_n = max_e;
    for (const auto& s : r_.stations) {
        if (!s.has_coordinates) continue;
        min_e = std::min(min_e, s.easting);
        max_e = std::max(max_e, s.easting);
        min_n = std::min(min_n, s.northing);
        max_n = std::max(max_n, s.northing);
        if (s.sd) largest_sd95_ = std::max(largest_sd95_, *s.sd95());
    }
    if (!(min_e <= max_e)) {
        put("<p>No station has coordinates: the network cannot be drawn.</p>\n");
        return;
    }
    // One scale for both axes, grid north up.
    const double de = max_e - min_e, dn = max_n - min_n;
    const double inner_w = kMapWidth - kLeft - kRight, inner_h = kMapHeight - kTop - kBottom;
    scale_ = 1.0;
    if (de > 0.0 || dn > 0.0) scale_ = std::min(de > 0.0 ? inner_w / de : HUGE_VAL, dn > 0.0 ? inner_h / dn : HUGE_VAL);
    min_e_ = min_e;
    max_n_ = max_n;
    width_ = std::max(de * scale_ + kLeft + kRight, kMinimumWidth);
    height_ = dn * scale_ + kTop + kBottom;
    bar_scale_ = largest_sd95_ > 0.0 ? kLongestBar / largest_sd95_ : 0.0;

    const double total = height_ + kLegendHeight;
    put("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"", px(width_), "\" height=\"", px(total),
        "\" viewBox=\"0 0 ", px(width_), " ", px(total), "\" role=\"img\">\n");
    put("<title>", job_title(r_), ": the network drawn to scale, grid north up</title>\n");
    lines();
    bars();
    markers();
    legend(height_);
    put("</svg>\n");
}

void Page::lines() {
    // The worst lines are drawn last, over the others.
    std::vector<const ObservationResult*> order = by_size(
        r_.observations, [](const ObservationResult& o) { return is_line(o); },
        [this](const ObservationResult& o) { return magnitude(shown_residual(r_, o)); }, -1.0f, First::Smallest);
    // Each end's place and name, written once for all its lines.
    struct End {
        std::string x, y, id;
    };
    std::vector<End> ends(r_.stations.size());
    for (std::size_t i = 0; i < ends.size(); ++i) {
        const StationResult& s = r_.stations[i];
        if (s.has_coordinates) ends[i] = {px(x(s)).str(), px(y(s)).str(), station_id(s)};
    }
    auto end = [&](int position) -> const End* {
        const StationResult* s = r_.station(position);
        return s && s->has_coordinates ? &ends[static_cast<std::size_t>(position - 1)] : nullptr;
    };
    put("<g class=\"lines\" stroke-width=\"2\" stroke-linecap=\"round\">\n");
    for (const ObservationResult* o : order) {
        const End* a = end(o->from);
        const End* b = end(o->to);
        if (!a || !b) continue;
        const LineKind& kind = line_kind(*o);
        put("<line x1=\"", a->x, "\" y1=\"", a->y, "\" x2=\"", b->x, "\" y2=\"", b->y, "\" stroke=\"",
            residual_class(r_, *o).colour, "\"");
        if (*kind.dashes) put(" stroke-dasharray=\"", kind.dashes, "\"");
        put("><title>", kind.caption, " ", std::to_string(o->number), ": ", a->id, " to ", b->id);
        if (o->standardised_residual)
            put(", v = ", fixed(*o->residual, residual_decimals(o->kind)), residual_unit(o->kind), ", w = ",
                fixed(*o->standardised_residual, 3));
        if (o->test) {
            if (o->test->normalised_residual) put(", normalised w = ", fixed(*o->test->normalised_residual, 3));
            put(", r = ", fixed(o->test->redundancy, 3));
            if (o->test->checking != Checking::Checked) put(" (", finding(*o->test), ")");
        }
        put("</title></line>\n");
    }
    put("</g>\n");
}

void Page::bars() {
    if (bar_scale_ <= 0.0) return;
    put("<g class=\"precision\" fill=\"#5e3c99\">\n");
    for (const auto& s : r_.stations) {
        if (!s.has_coordinates || !s.sd) continue;
        const double sd95 = *s.sd95();
        const double length = sd95 * bar_scale_;
        put("<rect x=\"", px(x(s) + 6.0), "\" y=\"", px(y(s) - length), "\" width=\"4\" height=\"", px(length),
            "\"><title>", station_id(s), ": 95 % height precision ", fixed(sd95, 3), " m</title></rect>\n");
    }
    put("</g>\n");
}

void Page::markers() {
    put("<g class=\"stations\">\n");
    const bool named = r_.stations.size() <= kNamedStations;
    for (const auto& s : r_.stations) {
        if (!s.has_coordinates) continue;
        const double cx = x(s), cy = y(s);
        const std::string id = station_id(s);
        if (s.fixed)
            put("<polygon class=\"fixed\" points=\"", px(cx), ",", px(cy - 7.0), " ", px(cx - 6.0), ",", px(cy + 5.0),
                " ", px(cx + 6.0), ",", px(cy + 5.0), "\" fill=\"#000\">");
        else
            put("<circle class=\"free\" cx=\"", px(cx), "\" cy=\"", px(cy),
                "\" r=\"4\" fill=\"#fff\" stroke=\"#000\" stroke-width=\"1.5\">");
        put("<title>", id, " ", html_text(s.name), ": height ", fixed(s.height, 3), " m");
        if (s.fixed) put(" (fixed)");
        if (s.sd) put(", sd ", fixed(*s.sd, 3), " m");
        put("</title>", s.fixed ? "</polygon>\n" : "</circle>\n");
        put("<text x=\"", px(cx + 8.0), "\" y=\"", px(cy + 12.0), "\">", id, "</text>\n");
        if (named && s.name.find_first_not_of(' ') != std::string::npos)
            put("<text class=\"name\" x=\"", px(cx + 8.0), "\" y=\"", px(cy + 23.0), "\" font-size=\"9\" fill=\"#555\">",
                html_text(s.name), "</text>\n");
    }
    put("</g>\n");
}

void Page::legend(double top) {
    put("<g class=\"legend\">\n");
    double lx = kLeft, ly = top + 16.0;
    auto entry = [&](const ResidualClass& c) {
        put("<line x1=\"", px(lx), "\" y1=\"", px(ly - 4.0), "\" x2=\"", px(lx + 24.0), "\" y2=\"", px(ly - 4.0),
            "\" stroke=\"", c.colour, "\" stroke-width=\"3\"/>\n");
        put("<text x=\"", px(lx + 30.0), "\" y=\"", px(ly), "\">", c.caption, "</text>\n");
        ly += 16.0;
    };
    const Colouring& colours = colouring(r_);
    put("<text x=\"", px(lx), "\" y=\"", px(ly), "\" font-weight=\"bold\">", colours.title, "</text>\n");
    ly += 16.0;
    for (const auto& c : colours.classes) entry(c);
    if (r_.tests.not_checked > 0) entry(kNotCheckedLine);
    if (!r_.summary.solved) entry(kUnsolved);

    // Scale bar: a round length of at most a quarter of the drawing.
    double sx = 290.0, sy = top + 16.0;
    put("<text x=\"", px(sx), "\" y=\"", px(sy), "\" font-weight=\"bold\">Scale (grid north up)</text>\n");
    const double length = round_length((kMinimumWidth / 4.0) / scale_);
    if (length > 0.0) {
        const double w = length * scale_;
        put("<rect class=\"scale-bar\" x=\"", px(sx), "\" y=\"", px(sy + 8.0), "\" width=\"", px(w),
            "\" height=\"4\" fill=\"#000\"/>\n");
        put("<text x=\"", px(sx), "\" y=\"", px(sy + 26.0), "\">", length_caption(length), "</text>\n");
    }
    put("<polygon points=\"", px(sx), ",", px(sy + 60.0), " ", px(sx + 8.0), ",", px(sy + 40.0), " ", px(sx + 16.0),
        ",", px(sy + 60.0), "\" fill=\"#000\"/><text x=\"", px(sx + 22.0), "\" y=\"", px(sy + 58.0), "\">N</text>\n");
    put("<polygon points=\"", px(sx + 60.0), ",", px(sy + 48.0), " ", px(sx + 66.0), ",", px(sy + 36.0), " ",
        px(sx + 72.0), ",", px(sy + 48.0), "\" fill=\"#000\"/><text x=\"", px(sx + 78.0), "\" y=\"", px(sy + 47.0),
        "\">fixed station</text>\n");
    put("<circle cx=\"", px(sx + 66.0), "\" cy=\"", px(sy + 58.0),
        "\" r=\"4\" fill=\"#fff\" stroke=\"#000\" stroke-width=\"1.5\"/><text x=\"", px(sx + 78.0), "\" y=\"",
        px(sy + 62.0), "\">adjusted station</text>\n");

    // The kinds of line: one sample of each in use.
    const double kx = sx + 230.0;
    double ky = top + 16.0;
    put("<text x=\"", px(kx), "\" y=\"", px(ky), "\" font-weight=\"bold\">Observed lines</text>\n");
    for (const LineKind* kind : {&kLevelled, &kZenith, &kCoordinates}) {
        const bool used = std::any_of(r_.observations.begin(), r_.observations.end(),
                                      [&](const ObservationResult& o) { return is_line(o) && &line_kind(o) == kind; });
        if (!used && kind == &kCoordinates) continue;
        ky += 16.0;
        put("<line class=\"kind\" x1=\"", px(kx), "\" y1=\"", px(ky - 4.0), "\" x2=\"", px(kx + 24.0), "\" y2=\"",
            px(ky - 4.0), "\" stroke=\"#555\" stroke-width=\"2\"");
        if (*kind->dashes) put(" stroke-dasharray=\"", kind->dashes, "\"");
        put("/>\n<text x=\"", px(kx + 30.0), "\" y=\"", px(ky), "\">", kind->caption, "</text>\n");
    }

    // Precision bar: a round 95 % value near the largest.
    if (bar_scale_ > 0.0) {
        const double reference = round_length(largest_sd95_);
        const double h = reference * bar_scale_;
        const double bx = kx, by = sy + 120.0;
        put("<rect class=\"bar-key\" x=\"", px(bx), "\" y=\"", px(by - h), "\" width=\"4\" height=\"", px(h),
            "\" fill=\"#5e3c99\"/><text x=\"", px(bx + 10.0), "\" y=\"", px(by), "\">95 % height precision ",
            length_caption(reference), "</text>\n");
    }
    put("</g>\n");
}

void Page::largest() {
    const bool tested = r_.tests.reliability;
    std::vector<const ObservationResult*> worst = by_size(
        r_.observations, [this](const ObservationResult& o) { return shown_residual(r_, o).has_value(); },
        [this](const ObservationResult& o) { return magnitude(shown_residual(r_, o)); }, 0.0f, First::Largest,
        kLargestListed);
    put(tested ? "<h2>Largest normalised residuals</h2>\n" : "<h2>Largest standardised residuals</h2>\n");
    if (worst.empty()) {
        put("<p>No residuals were computed.</p>\n");
        return;
    }
    put("<table class=\"largest\">\n<tr><th>Observation</th><th>Kind</th><th>From</th><th>To</th>"
            "<th>Residual</th><th>Standardised w</th>");
    if (tested) put("<th>Normalised w</th><th>r</th>");
    put("<th>", line_heading(), "</th></tr>\n");
    for (const ObservationResult* o : worst) {
        observation_cells(*o);
        put("<td class=\"n\">", fixed(*o->standardised_residual, 3), "</td>");
        if (tested) put("<td class=\"n\">", fixed(*o->test->normalised_residual, 3), "</td><td class=\"n\">",
                        fixed(o->test->redundancy, 3), "</td>");
        put("<td class=\"n\">", o->line > 0 ? std::to_string(o->line) : std::string(), "</td></tr>\n");
    }
    put("</table>\n");
}

// The first cells of a row of a table of observations: its number, kind,
// stations and residual.
void Page::observation_cells(const ObservationResult& o) {
    const StationResult* to = r_.station(o.to);
    put("<tr><td class=\"n\">", std::to_string(o.number), "</td><td>", kind_caption(o.kind), "</td><td>",
        station_id(r_, o.from), "</td><td>", to ? station_id(*to) : std::string(), "</td><td class=\"n\">");
    if (o.residual) put(fixed(*o.residual, residual_decimals(o.kind)), residual_unit(o.kind));
    put("</td>");
}

// The global test, and the observations that data snooping flags or that
// the others check weakly or not at all.
void Page::tests() {
    const AdjustmentTests& t = r_.tests;
    put("<h2>Tests of the adjustment</h2>\n");
    if (t.global) {
        const GlobalTest& g = *t.global;
        put("<p class=\"global-test\">Global test of the model (chi-square, two-sided at 95 %): &#931;pvv = ",
            fixed(g.statistic, 3), " on ", std::to_string(g.degrees_of_freedom),
            g.degrees_of_freedom == 1 ? " degree" : " degrees", " of freedom, against ", fixed(g.lower, 3), " to ",
            fixed(g.upper, 3), ": <strong>", global_verdict(t),
            "</strong>. &#963;<sub>0</sub>&#8242;/&#963;<sub>0</sub> = ",
            fixed(g.ratio(), 3), " (interval ", fixed(g.ratio_lower(), 3), " to ", fixed(g.ratio_upper(), 3),
            ").</p>\n");
    } else if (r_.summary.solved) {
        put("<p class=\"global-test\">No global test: the adjustment has no degrees of freedom.</p>\n");
    } else {
        put("<p class=\"global-test\">No global test: there are no residuals (analysis option 4 or 5).</p>\n");
    }
    if (!t.reliability) {
        put("<p>The observations were not tested: their redundancy numbers need the inverse of the normal "
            "matrix (analysis option 1 or more).</p>\n");
        return;
    }
    put("<p>Data snooping: an observation's normalised residual w = v / (&#963; &#8730;r), with &#963; its "
        "a-priori standard deviation and r its redundancy number, is flagged above 3.29 (significance 0.1 %, "
        "power 80 %). The minimal detectable bias (MDB) &#963; &#8730;(17.07 / r) is the smallest error that the "
        "test finds with that power; the bias-to-noise ratio (BNR) &#8730;(17.07 (1 &#8722; r) / r) bounds what "
        "an undetected error of that size does to any adjusted value, in units of its standard deviation. "
        "Observations with r below 0.1 are weakly checked; with r below 0.001 not checked at all.</p>\n");
    put("<p class=\"snooping\">", std::to_string(t.flagged), " flagged, ", std::to_string(t.weakly_checked),
        " weakly checked, ", std::to_string(t.not_checked), " not checked.</p>\n");
    if (t.not_checked_for_rounding > 0)
        put("<p class=\"rounding\">The normal equations are poorly conditioned (their smallest pivot is ",
            scientific(t.smallest_pivot_ratio), " of its diagonal): single precision leaves ",
            std::to_string(t.not_checked_for_rounding),
            t.not_checked_for_rounding == 1 ? " redundancy number" : " redundancy numbers",
            " no reliable digit, and they are counted not checked. The standard deviations are as uncertain.</p>\n");
    tested_table();
}

void Page::tested_table() {
    // The flagged ones, largest first, then the others by redundancy number.
    auto listed = [](const ObservationResult& o) {
        return o.test && (flagged(*o.test) || o.test->checking != Checking::Checked);
    };
    std::vector<const ObservationResult*> rows = by_size(
        r_.observations, listed,
        [](const ObservationResult& o) -> std::optional<float> {
            if (flagged(*o.test)) return -std::fabs(*o.test->normalised_residual);
            return static_cast<float>(o.test->redundancy);
        },
        0.0f, First::Smallest, kTestedListed + 1);
    if (rows.empty()) return;
    const bool more = rows.size() > kTestedListed;
    if (more) rows.pop_back();
    put("<table class=\"tested\">\n<tr><th>Observation</th><th>Kind</th><th>From</th><th>To</th>"
        "<th>Residual</th><th>Normalised w</th><th>r</th><th>MDB</th><th>BNR</th><th>",
        line_heading(), "</th><th>Finding</th></tr>\n");
    for (const ObservationResult* o : rows) {
        const ObservationTest& t = *o->test;
        observation_cells(*o);
        put("<td class=\"n\">");
        if (t.normalised_residual) put(fixed(*t.normalised_residual, 3));
        put("</td><td class=\"n\">", fixed(t.redundancy, 3), "</td><td class=\"n\">");
        if (t.minimal_detectable_bias)
            put(fixed(*t.minimal_detectable_bias, residual_decimals(o->kind)), residual_unit(o->kind));
        put("</td><td class=\"n\">");
        if (t.bias_to_noise_ratio) put(fixed(*t.bias_to_noise_ratio, 1));
        put("</td><td class=\"n\">", o->line > 0 ? std::to_string(o->line) : std::string(), "</td><td>",
            finding(t), "</td></tr>\n");
    }
    put("</table>\n");
    if (more)
        put("<p>Only the first ", std::to_string(kTestedListed),
            " are listed; the data output (--json) holds every observation's figures.</p>\n");
}

void Page::notes() {
    std::string missing;
    for (const auto& s : r_.stations)
        if (!s.has_coordinates) missing += (missing.empty() ? "" : ", ") + station_id(s);
    if (!missing.empty()) put("<p class=\"note\">Stations without coordinates, not drawn: ", missing, ".</p>\n");
    if (!r_.summary.inverse)
        put("<p class=\"note\">The height precisions were not computed (they need analysis option 1 or "
                "more): no precision bars.</p>\n");
}

} // namespace

void write_html(const RunResults& r, TextOutput& out) { Page(r, out).build(); }

} // namespace quarlo
