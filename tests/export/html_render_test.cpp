// The page in a real browser: headless Chromium renders it to a PNG, and
// the picture shows the coloured lines, the precision bars and the markers.
// Skipped where no Chromium is installed.
#include "export/exports.h"
#include "export/sample_results.h"
#include "support/python_reader.h"
#include "support/test_util.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

#include <cstdlib>
#include <filesystem>

namespace quarlo {
namespace {

namespace fs = std::filesystem;

// The first of the usual names of a Chromium on the path, or "".
std::string find_browser() {
    for (const char* name : {"chromium", "chromium-browser", "google-chrome"}) {
        std::string command = std::string("command -v ") + name + " >/dev/null 2>&1";
        if (std::system(command.c_str()) == 0) return name;
    }
    return {};
}

int pixels(const nlohmann::json& colours, const char* colour) {
    return colours.contains(colour) ? colours[colour].get<int>() : 0;
}

TEST(HtmlInBrowser, RendersTheNetworkWithItsColouredLinesBarsAndMarkers) {
    const std::string browser = find_browser();
    if (browser.empty()) GTEST_SKIP() << "no headless browser (chromium) installed: the page is not rendered";
    if (!test::python_has("zlib")) GTEST_SKIP() << "python3 is not installed here: the picture cannot be read";
    test::TempDir dir;
    test::write_file("net.html", results_html(test::sample_results()));
    const std::string page = fs::absolute("net.html").string();
    std::string command = "timeout 120 " + browser +
                          " --headless --no-sandbox --disable-gpu --hide-scrollbars --force-device-scale-factor=1"
                          " --user-data-dir=profile --window-size=1000,1250 --screenshot=page.png 'file://" +
                          page + "' >browser.log 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << test::read_file("browser.log");
    ASSERT_TRUE(fs::exists("page.png"));

    std::string out = test::read_outputs({"png", "page.png"});
    ASSERT_FALSE(out.empty());
    auto png = nlohmann::json::parse(out);
    EXPECT_EQ(png["width"], 1000);
    EXPECT_EQ(png["height"], 1250);
    const auto& colours = png["colours"];
    // The legend alone holds 72 pixels of each class colour: the lines of
    // the map (over 500 pixels long, 2 wide) hold far more.
    EXPECT_GT(pixels(colours, "#d7191c"), 500) << "the line with |w| > 2.5";
    EXPECT_GT(pixels(colours, "#1a9641"), 500) << "the line with |w| < 1";
    // That one is a zenith distance, drawn dashed: 9 pixels in 13.
    EXPECT_GT(pixels(colours, "#fdae61"), 300) << "the line with 2 <= |w| <= 2.5";
    EXPECT_LT(pixels(colours, "#fdae61"), 500) << "the zenith distance is drawn dashed";
    // Two precision bars beside the key, and black markers, scale bar and text.
    EXPECT_GT(pixels(colours, "#5e3c99"), 200);
    EXPECT_GT(pixels(colours, "#000000"), 200);
    EXPECT_GT(pixels(colours, "#ffffff"), 500000);
}

} // namespace
} // namespace quarlo
