// A whole run with the three outputs: a levelling loop with a reciprocal
// pair of zenith distances in zone 56 (GDA), stage 4 with the station file
// and the zenith-distance file. The JSON values agree with the values the
// report prints, to the printed digits; the GeoJSON position of station 1
// agrees with tools/wgs84_reference.py; the report and the other files are
// the same, byte for byte, as those of a run without the options.
#include "driver/quarlo.h"
#include "support/test_util.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cmath>
#include <filesystem>
#include <map>

namespace quarlo {
namespace {

namespace fs = std::filesystem;
using nlohmann::json;
using test::cols;
using test::read_file;
using test::read_lines;

// Runs the loop in a directory of its own.
test::ProgramResult run_in(const std::string& directory, ExportRequest exports) {
    fs::create_directory(directory);
    fs::copy_file(std::string(QUARLO_SOURCE_DIR) + "/tests/export/data/loop.dat", directory + "/net.dat");
    fs::path previous = fs::current_path();
    fs::current_path(directory);
    test::ProgramResult run = test::run_program({"-o", "net.dat"}, "", exports);
    fs::current_path(previous);
    return run;
}

// The number printed in columns col..col+width-1.
double printed(const std::string& line, int col, int width) { return std::stod(cols(line, col, width)); }

// A value agrees with its printed form when it rounds to it.
void expect_printed(double value, const std::string& line, int col, int width, int decimals, const std::string& what) {
    double shown = printed(line, col, width);
    EXPECT_LE(std::fabs(value - shown), 0.5 * std::pow(10.0, -decimals) + 1e-9)
        << what << ": " << value << " printed as " << cols(line, col, width);
}

bool is_number_at(const std::string& line, int col, int width) {
    std::string field = cols(line, col, width);
    std::size_t first = field.find_first_not_of(' ');
    return first != std::string::npos && std::isdigit(static_cast<unsigned char>(field[first]));
}

// The report lines by the section they stand in (the title of the section).
std::map<std::string, std::vector<std::string>> sections(const std::vector<std::string>& report) {
    const char* titles[] = {"LIST OF RESIDUALS", "ADJUSTED VALUES", "PRECISION  ANALYSIS", "RELATIVE HEIGHT"};
    std::map<std::string, std::vector<std::string>> out;
    std::string current;
    for (const auto& line : report) {
        for (const char* t : titles)
            if (line.find(t) != std::string::npos) current = t;
        if (line.find("RESIDUAL  ANALYSIS") != std::string::npos) current.clear();
        if (!current.empty()) out[current].push_back(line);
    }
    return out;
}

TEST(WholeRunOutputs, JsonAgreesWithTheReportGeoJsonWithTheReferenceAndNothingElseChanges) {
    test::TempDir dir;
    test::ProgramResult plain = run_in("plain", {});
    test::ProgramResult with = run_in("with", {true, true, true});
    ASSERT_EQ(plain.status, 0) << plain.console;
    ASSERT_EQ(with.status, 0) << with.console;
    // The same console, but for the outputs written.
    EXPECT_EQ(with.console, plain.console.substr(0, plain.console.size() - 1) + ", net.json, net.geojson, net.html\n");
    for (const char* file : {"net.prt", "net.stn", "net.hgt", "net.zen"})
        EXPECT_EQ(read_file(std::string("with/") + file), read_file(std::string("plain/") + file)) << file;

    json j = json::parse(read_file("with/net.json"));
    const auto report = read_lines("with/net.prt");
    auto by_section = sections(report);
    const json& st = j["stations"];
    const json& ob = j["observations"];
    std::map<int, std::size_t> station_row;
    for (std::size_t i = 0; i < st["number"].size(); ++i) station_row[st["number"][i].get<int>()] = i;
    ASSERT_EQ(station_row.size(), 4u);

    // Residual list: the zenith distances (seconds), then the height differences (metres).
    int residual_lines = 0;
    for (const auto& line : by_section["LIST OF RESIDUALS"]) {
        if (!is_number_at(line, 2, 4) || cols(line, 1, 7) == "OBS.NO.") continue;
        std::size_t k = static_cast<std::size_t>(printed(line, 2, 4)) - 1;
        bool zenith = ob["kind"][k] == "zenith_distance";
        if (zenith)
            expect_printed(ob["residual"][k], line, 83, 5, 1, "zenith residual");
        else
            expect_printed(ob["residual"][k], line, 82, 7, 3, "height residual");
        expect_printed(ob["standardised_residual"][k], line, 97, 6, 3, "standardised residual");
        ++residual_lines;
    }
    EXPECT_EQ(residual_lines, 7);

    // Adjusted values: the correction of each adjusted height.
    int corrections = 0;
    for (const auto& line : by_section["ADJUSTED VALUES"]) {
        if (!is_number_at(line, 1, 3) || !is_number_at(line, 53, 8)) continue;
        std::size_t i = station_row.at(static_cast<int>(printed(line, 1, 3)));
        expect_printed(st["correction"][i], line, 53, 8, 3, "correction");
        ++corrections;
    }
    EXPECT_EQ(corrections, 3);

    // Precision analysis: adjusted heights, their standard deviations, and
    // the network's K with its standard deviation on station 1's line.
    int heights = 0;
    for (const auto& line : by_section["PRECISION  ANALYSIS"]) {
        if (!is_number_at(line, 3, 3)) continue;
        std::size_t i = station_row.at(static_cast<int>(printed(line, 3, 3)));
        expect_printed(st["height"][i], line, 53, 9, 3, "adjusted height");
        if (st["fixed"][i])
            EXPECT_TRUE(st["sd"][i].is_null());
        else
            expect_printed(st["sd"][i], line, 70, 7, 3, "standard deviation");
        if (is_number_at(line, 90, 9)) {
            expect_printed(j["refraction"]["k"][0], line, 90, 9, 4, "K");
            expect_printed(j["refraction"]["sd"][0], line, 107, 9, 4, "sd of K");
        }
        ++heights;
    }
    EXPECT_EQ(heights, 4);

    for (const auto& line : report) {
        if (line.find("Estimate of variance factor =") != std::string::npos) {
            expect_printed(j["adjustment"]["variance_factor"], line, 79, 10, 3, "variance factor");
        }
        if (line.find("Number of redundant observations =") != std::string::npos) {
            EXPECT_EQ(j["adjustment"]["degrees_of_freedom"].get<int>(), static_cast<int>(printed(line, 79, 10)));
        }
        if (line.find("Average redundancy number =") != std::string::npos) {
            expect_printed(j["adjustment"]["degrees_of_freedom"].get<double>() / j["counts"]["equations"].get<double>(),
                           line, 79, 10, 3, "average redundancy number");
        }
    }
    // The redundancy numbers add up to the degrees of freedom.
    double sum = 0.0;
    for (const auto& r : ob["redundancy_number"]) sum += r.get<double>();
    EXPECT_NEAR(sum, j["adjustment"]["degrees_of_freedom"].get<double>(), 1e-4);

    // Station 1 on the map: tools/wgs84_reference.py, zone 856 at
    // (332795.492, 6291830.861).
    json g = json::parse(read_file("with/net.geojson"));
    const json* alpha = nullptr;
    for (const auto& f : g["features"])
        if (f["properties"]["feature"] == "station" && f["properties"]["number"] == 1) alpha = &f;
    ASSERT_NE(alpha, nullptr);
    EXPECT_NEAR((*alpha)["geometry"]["coordinates"][0].get<double>(), 151.20000000284593, 1e-8);
    EXPECT_NEAR((*alpha)["geometry"]["coordinates"][1].get<double>(), -33.500000001250727, 1e-8);

    // The page names the stations, escaped, and the job by its title
    // record; the zenith distances are drawn dashed, the levelled lines
    // solid, as the legend shows.
    const std::string page = read_file("with/net.html");
    EXPECT_NE(page.find("BRAVO &quot;B&quot;"), std::string::npos);
    EXPECT_NE(page.find("CHARLIE&lt;&amp;&gt;"), std::string::npos);
    EXPECT_NE(page.find("<h1>LEVELLING LOOP FOR THE DATA OUTPUTS</h1>"), std::string::npos);
    auto count = [&](const std::string& text) {
        std::size_t n = 0;
        for (std::size_t at = page.find(text); at != std::string::npos; at = page.find(text, at + 1)) ++n;
        return n;
    };
    EXPECT_EQ(count("stroke-dasharray=\"9 4\"><title>zenith distance "), 2u);
    EXPECT_EQ(count("\"><title>height difference (levelled) "), 5u);
    EXPECT_EQ(count(">zenith distance</text>"), 1u);
    EXPECT_EQ(count(">height difference (levelled)</text>"), 1u);
}

TEST(WholeRunOutputs, AnOutputThatCannotBeWrittenIsAnErrorAfterTheCompleteReport) {
    test::TempDir dir;
    fs::create_directories("run/net.json"); // a directory in the way
    test::ProgramResult run = run_in("run", {true, false, true});
    EXPECT_EQ(run.status, kExitOutputFailed);
    const std::string failure = " Unable to write output file net.json: Is a directory\n";
    EXPECT_EQ(run.console.substr(0, failure.size()), failure);
    EXPECT_NE(run.console.find("written: net.prt, net.zen, net.stn, net.hgt, net.html\n"), std::string::npos);
    EXPECT_TRUE(fs::is_regular_file("run/net.html"));
    EXPECT_FALSE(fs::exists("run/net.json.tmp"));
    EXPECT_FALSE(fs::exists("run/net.html.tmp"));
    test::ProgramResult plain = run_in("plain", {});
    EXPECT_EQ(read_file("run/net.prt"), read_file("plain/net.prt"));
}

} // namespace
} // namespace quarlo
