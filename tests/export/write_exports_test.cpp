// Writing the outputs asked for: which are written, the console line for
// each one that is not, and a file that cannot be written.
#include "export/exports.h"
#include "export/sample_results.h"
#include "support/test_util.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <utility>

#include <nlohmann/json.hpp>

namespace quarlo {
namespace {

namespace fs = std::filesystem;
using test::TempDir;
using test::TestRun;

void prepare(TestRun& run, const std::string& job, ExportRequest asked) {
    RunContext& ctx = run.c();
    ctx.names.job_name.set(job);
    ctx.option.run_status = 2;
    ctx.results = test::sample_results();
    ctx.results.requested = asked;
}

TEST(WriteExports, WritesEachOutputAskedForBesideTheReport) {
    TempDir dir;
    TestRun run;
    prepare(run, "net", {true, false, true});
    EXPECT_EQ(write_exports(run.c(), true), kExitOk);
    EXPECT_EQ(run.out.str(), "");
    EXPECT_EQ(dir.files(), (std::vector<std::string>{"net.html", "net.json"}));
    EXPECT_EQ(test::read_file("net.json"), results_json(run.c().results));

    // Staged while the run ends, then put in place, over an old file or
    // under a new name: no temporary is left.
    test::write_file("net.json", "old");
    fs::remove("net.html");
    StagedExports staged(run.c().results);
    EXPECT_EQ(write_exports(run.c(), true, staged), kExitOk);
    EXPECT_EQ(dir.files(), (std::vector<std::string>{"net.html", "net.json"}));
    EXPECT_EQ(test::read_file("net.json"), results_json(run.c().results));
    EXPECT_EQ(test::read_file("net.html"), results_html(run.c().results));
}

TEST(WriteExports, LargeOutputsGoToTheirFilesWholeAcrossTheirChunks) {
    TempDir dir;
    TestRun run;
    prepare(run, "net", {true, true, true});
    RunResults& r = run.c().results;
    // 2000 more stations and 4000 more lines: each text is many chunks long.
    const StationResult model = r.stations[3];
    for (int i = 5; i <= 2004; ++i) {
        StationResult s = model;
        s.position = s.number = i;
        s.label = std::string("P").append(std::to_string(i));
        s.easting += i;
        s.northing -= 2 * i;
        r.stations.push_back(s);
    }
    for (int k = 0; k < 4000; ++k)
        r.observations.push_back(test::sample_line(ObservationKind::HeightDifference, 6 + k, 5 + k % 2000,
                                                   5 + (k + 1) % 2000, 0.001f * (k % 7), 0.1f * (k % 31)));
    StagedExports staged(r);
    EXPECT_EQ(write_exports(run.c(), true, staged), kExitOk);
    EXPECT_EQ(dir.files(), (std::vector<std::string>{"net.geojson", "net.html", "net.json"}));
    for (auto [file, text] : {std::pair{"net.json", results_json(r)}, std::pair{"net.geojson", results_geojson(r)},
                              std::pair{"net.html", results_html(r)}}) {
        EXPECT_GT(text.size(), std::size_t{4} << 16) << file;
        EXPECT_EQ(test::read_file(file), text) << file;
    }
    auto j = nlohmann::json::parse(test::read_file("net.json"));
    EXPECT_EQ(j["stations"]["label"].size(), 2004u);
    EXPECT_EQ(j["stations"]["label"][2003], "P2004");
    EXPECT_EQ(j["observations"]["to"][2003], 2004); // line 1998, from 2003 to 2004
    const std::string page = test::read_file("net.html");
    EXPECT_EQ(page.substr(page.size() - 8), "</html>\n");
}

TEST(WriteExports, NoMapForALocalGridOrAZoneWithoutAWayToWgs84) {
    TempDir dir;
    TestRun local;
    prepare(local, "net", {false, true, false});
    local.c().results.wgs84 = false;
    local.c().results.options.zone_code = 0;
    EXPECT_EQ(write_exports(local.c(), true), kExitOk);
    EXPECT_EQ(local.out.str(), " net.geojson not written: the network is on a local grid\n");

    TestRun wgs72;
    prepare(wgs72, "net", {false, true, false});
    wgs72.c().results.wgs84 = false;
    wgs72.c().results.options.zone_code = 755;
    EXPECT_EQ(write_exports(wgs72.c(), true), kExitOk);
    EXPECT_EQ(wgs72.out.str(), " net.geojson not written: zone 755 has no transformation to WGS84\n");
    EXPECT_EQ(dir.files(), std::vector<std::string>{});
}

TEST(WriteExports, NothingWithoutResultsOrAfterAFailedRun) {
    TempDir dir;
    TestRun early;
    prepare(early, "net", {true, false, true});
    early.c().results.complete = false;
    EXPECT_EQ(write_exports(early.c(), true), kExitOk);
    EXPECT_EQ(early.out.str(), " net.json not written: the run did not reach the results stage\n"
                               " net.html not written: the run did not reach the results stage\n");

    TestRun failed;
    prepare(failed, "net", {false, true, false});
    EXPECT_EQ(write_exports(failed.c(), false), kExitOk);
    EXPECT_EQ(failed.out.str(), " net.geojson not written: the run failed\n");

    TestRun late; // failed after its outputs were staged: an older output stays
    prepare(late, "net", {true, true, true});
    test::write_file("net.json", "old");
    {
        StagedExports staged(late.c().results);
        EXPECT_EQ(write_exports(late.c(), false, staged), kExitOk);
    }
    EXPECT_EQ(test::read_file("net.json"), "old");
    fs::remove("net.json");

    TestRun abandoned; // set-up failed: no report, nothing said
    prepare(abandoned, "net", {true, true, true});
    abandoned.c().option.run_status = -9;
    EXPECT_EQ(write_exports(abandoned.c(), false), kExitOk);
    EXPECT_EQ(abandoned.out.str(), "");
    EXPECT_EQ(dir.files(), std::vector<std::string>{});
}

} // namespace
} // namespace quarlo
