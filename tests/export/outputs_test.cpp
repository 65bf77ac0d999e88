// The three writers on a filled results model, read back by Python's own
// parsers: the JSON against its schema, numbers in full, and labels and
// names with quotes, backslashes, markup, control characters and bytes
// that are not UTF-8.
#include "export/exports.h"
#include "export/text.h"
#include "export/sample_results.h"
#include "support/python_reader.h"
#include "support/test_util.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <algorithm>
#include <cmath>

namespace quarlo {
namespace {

using test::read_outputs;
using test::sample_results;
using test::TempDir;
using test::write_file;

const std::string kSource = QUARLO_SOURCE_DIR;

#define REQUIRE_PYTHON(modules)                                                                        \
    if (!test::python_has(modules)) GTEST_SKIP() << "python3 with " modules " is not installed here"

// Name bytes: quote, backslash, markup, an ampersand, control characters
// 01 and 1F, a Latin-1 e-acute (not UTF-8), a UTF-8 e-acute, DEL, a stray
// continuation byte and an overlong slash.
const std::string kNastyName = "Q\"o\\b<i>&amp;\x01\x1f\xe9\xc3\xa9\x7f\x80\xc0\xaf";
const std::string kNastyLabel = "<script>'&\"";
// What a JSON reader gets: the controls as they were, every invalid byte U+FFFD.
const std::string kJsonName = "Q\"o\\b<i>&amp;\x01\x1f\xef\xbf\xbd\xc3\xa9\x7f\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd";
// What an HTML reader gets: the controls as control pictures (U+2401, U+241F, U+2421).
const std::string kHtmlName =
    "Q\"o\\b<i>&amp;\xe2\x90\x81\xe2\x90\x9f\xef\xbf\xbd\xc3\xa9\xe2\x90\xa1\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd";

RunResults nasty_results() {
    RunResults r = sample_results();
    r.stations[1].name = kNastyName;
    r.stations[1].label = kNastyLabel;
    return r;
}

nlohmann::json python_view(const std::vector<std::string>& args) {
    std::string out = read_outputs(args);
    EXPECT_FALSE(out.empty()) << "Python could not read " << args.at(1);
    return out.empty() ? nlohmann::json::object() : nlohmann::json::parse(out);
}

bool contains(const std::vector<std::string>& texts, const std::string& part) {
    return std::any_of(texts.begin(), texts.end(), [&](const std::string& t) { return t.find(part) != std::string::npos; });
}

TEST(TextForOutputs, InvalidBytesBecomeReplacementCharacters) {
    EXPECT_EQ(valid_utf8(kNastyName), kJsonName);
    EXPECT_EQ(valid_utf8("\xf0\x9f\x98\x80 ok"), "\xf0\x9f\x98\x80 ok"); // four-byte form kept
    EXPECT_EQ(valid_utf8("\xed\xa0\x80"), "\xef\xbf\xbd\xef\xbf\xbd\xef\xbf\xbd"); // a surrogate
    EXPECT_EQ(valid_utf8("\xc3"), "\xef\xbf\xbd");                                 // cut short
    EXPECT_EQ(html_text("a<b>&\"'"), "a&lt;b&gt;&amp;&quot;&#39;");
}

TEST(JsonOutput, FollowsItsSchemaAsDoesTheDocumentedExample) {
    REQUIRE_PYTHON("json jsonschema");
    TempDir dir;
    write_file("net.json", results_json(sample_results()));
    const std::string schema = kSource + "/docs/results.schema.json";
    EXPECT_EQ(python_view({"schema", schema, "net.json"})["errors"], nlohmann::json::array());
    EXPECT_EQ(python_view({"schema", schema, kSource + "/docs/results.example.json"})["errors"],
              nlohmann::json::array());
    // The schema does reject what it should: stations without their
    // heights, an adjustment without its global test, a way of checking
    // that is none of the three.
    auto broken = nlohmann::json::parse(results_json(sample_results()));
    broken["stations"].erase("height");
    broken["adjustment"].erase("global_test");
    broken["observations"]["checking"][0] = "somewhat";
    write_file("broken.json", broken.dump());
    EXPECT_EQ(python_view({"schema", schema, "broken.json"})["errors"].size(), 3u);
    // Without residuals and without the inverse the tests are null.
    RunResults bare = sample_results();
    bare.tests = AdjustmentTests{};
    for (auto& o : bare.observations) o.test.reset();
    write_file("bare.json", results_json(bare));
    EXPECT_EQ(python_view({"schema", schema, "bare.json"})["errors"], nlohmann::json::array());
}

TEST(JsonOutput, TablesAsColumnsNumbersInFullAndAbsentValuesNull) {
    RunResults r = sample_results();
    r.observations[1].residual = 1.0f / 3.0f;
    const std::string text = results_json(r);
    // Single precision: the shortest form that reads back the same; double
    // precision as held; no coordinates: null.
    EXPECT_NE(text.find("\"height\":[100.0,105.25333,107.1,50.123]"), std::string::npos) << text;
    EXPECT_NE(text.find("\"easting\":[332795.4917,333295.4917,null,333295.4917]"), std::string::npos);
    EXPECT_NE(text.find("\"residual\":[4.4,0.33333334,0.0155,-0.0075,0.001]"), std::string::npos);
    EXPECT_NE(text.find("\"correction\":[null,0.00333,null,null]"), std::string::npos); // fixed, not solved
    auto j = nlohmann::json::parse(text);
    // Stations by number; the kind's own members null for the other kinds.
    EXPECT_EQ(j["observations"]["from"], nlohmann::json::parse("[4,1,2,1,1]"));
    EXPECT_EQ(j["observations"]["to"], nlohmann::json::parse("[1,2,4,4,3]"));
    EXPECT_EQ(j["observations"]["setup"], nlohmann::json::parse("[0,null,null,null,null]"));
    EXPECT_EQ(j["observations"]["coordinate_difference"], nlohmann::json::parse("[null,false,false,false,false]"));
    EXPECT_EQ(j["observations"]["unknown"], nlohmann::json::parse("[null,null,null,null,null]"));
    EXPECT_EQ(static_cast<float>(j["stations"]["height"][3].get<double>()), 50.123f);
    EXPECT_EQ(j["refraction"]["k"], nlohmann::json::array());
    EXPECT_TRUE(j["rotation"].is_null());
}

TEST(Escaping, JsonAndGeoJsonReadersGetTheNamesBack) {
    REQUIRE_PYTHON("json");
    TempDir dir;
    RunResults r = nasty_results();
    write_file("net.json", results_json(r));
    write_file("net.geojson", results_geojson(r));
    for (const char* kind : {"json", "geojson"}) {
        auto view = python_view({kind, std::string("net.") + kind});
        ASSERT_EQ(view["names"].size(), 4u) << kind;
        EXPECT_EQ(view["names"][1].get<std::string>(), kJsonName) << kind;
        EXPECT_EQ(view["labels"][1].get<std::string>(), kNastyLabel) << kind;
        EXPECT_EQ(view["names"][0].get<std::string>(), "TRIG ALPHA") << kind;
    }
}

TEST(Escaping, HtmlReaderGetsTheNamesAsTextAndNoMarkupFromThem) {
    REQUIRE_PYTHON("html.parser");
    TempDir dir;
    write_file("net.html", results_html(nasty_results()));
    auto view = python_view({"html", "net.html"});
    auto tags = view["tags"].get<std::vector<std::string>>();
    EXPECT_EQ(std::count(tags.begin(), tags.end(), "script"), 0);
    EXPECT_EQ(std::count(tags.begin(), tags.end(), "i"), 0);
    auto titles = view["title"].get<std::vector<std::string>>();
    EXPECT_TRUE(contains(titles, kNastyLabel + " " + kHtmlName + ": height 105.253 m")) << view["title"].dump();
    EXPECT_TRUE(contains(view["text"].get<std::vector<std::string>>(), kNastyLabel));
    // The largest normalised residual (3.1 / sqrt(0.5), observation 3)
    // names the station. Its row, the first of the flagged ones, follows
    // the cells of the summary.
    auto cells = view["td"].get<std::vector<std::string>>();
    auto row = std::find(cells.begin(), cells.end(), "height difference");
    ASSERT_GE(cells.end() - row, 5);
    ASSERT_NE(row, cells.begin());
    EXPECT_EQ(row[-1], "3");
    EXPECT_EQ(row[1], kNastyLabel);
    EXPECT_EQ(row[2], "D4");
    EXPECT_EQ(row[4], "4.384");
}

TEST(GeoJsonOutput, StationsAsPointsLinesBetweenThemAndUnplacedFeaturesWithoutGeometry) {
    auto j = nlohmann::json::parse(results_geojson(sample_results()));
    EXPECT_EQ(j["type"], "FeatureCollection");
    ASSERT_EQ(j["features"].size(), 9u); // 4 stations, 5 lines
    const auto& alpha = j["features"][0];
    EXPECT_EQ(alpha["geometry"]["type"], "Point");
    EXPECT_EQ(alpha["geometry"]["coordinates"][0].get<double>(), 151.19999999963641); // longitude first
    EXPECT_EQ(alpha["geometry"]["coordinates"][1].get<double>(), -33.500000000302297);
    EXPECT_TRUE(j["features"][2]["geometry"].is_null()); // station 3 has no coordinates
    EXPECT_NEAR(j["features"][1]["properties"]["sd95"].get<double>(), 1.96 * 0.004714, 1e-9);
    const auto& line = j["features"][6]; // observation 3, from 2 to 4
    EXPECT_EQ(line["geometry"]["type"], "LineString");
    EXPECT_EQ(line["geometry"]["coordinates"][1][1].get<double>(), -33.4956);
    EXPECT_EQ(line["properties"]["standardised_residual"].get<double>(), 3.1);
    EXPECT_NEAR(line["properties"]["normalised_residual"].get<double>(), 3.1 / std::sqrt(0.5), 1e-6);
    EXPECT_TRUE(j["features"][8]["geometry"].is_null()); // a line to station 3
}

} // namespace
} // namespace quarlo
