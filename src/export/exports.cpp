#include "export/exports.h"

#include "core/run_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <future>
#include <vector>
#include <ostream>

namespace quarlo {

namespace {

// Writes the whole text. On any failure the partial file is removed and
// the cause is returned; 0 when the file was written.
int write_whole_file(const std::string& path, const std::string& text) {
    auto cause = [] { return errno != 0 ? errno : EIO; };
    errno = 0;
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return cause();
    int error = 0;
    errno = 0;
    if (std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fflush(f) != 0) error = cause();
    errno = 0;
    if (std::fclose(f) != 0 && error == 0) error = cause();
    if (error != 0) std::remove(path.c_str());
    return error;
}

} // namespace

int write_exports(RunContext& ctx, bool run_succeeded) {
    const RunResults& r = ctx.results;
    const ExportRequest& asked = r.requested;
    if (!asked.any() || ctx.option.run_status == -9) return kExitOk;
    std::ostream& console = *ctx.console.out;
    const std::string job = trim_name(ctx.names.job_name.str());
    if (job.empty()) return kExitOk; // stopped before the report was named

    struct Output {
        bool asked;
        const char* extension;
        std::string (*text)(const RunResults&);
        bool needs_wgs84;
    };
    const Output outputs[] = {
        {asked.json, ".json", results_json, false},
        {asked.geojson, ".geojson", results_geojson, true},
        {asked.html, ".html", results_html, false},
    };

    // The texts are independent readings of the same results: they are
    // composed side by side, then written in order.
    auto wanted = [&](const Output& o) {
        return o.asked && run_succeeded && r.complete && (!o.needs_wgs84 || r.wgs84);
    };
    std::vector<std::future<std::string>> texts;
    for (const Output& o : outputs)
        if (wanted(o)) texts.push_back(std::async(std::launch::async, o.text, std::cref(r)));
    std::size_t next_text = 0;

    int status = kExitOk;
    for (const Output& o : outputs) {
        if (!o.asked) continue;
        const std::string name = job + o.extension;
        if (!run_succeeded) {
            console << " " << name << " not written: the run failed\n";
            continue;
        }
        if (!r.complete) {
            console << " " << name << " not written: the run did not reach the results stage\n";
            continue;
        }
        if (o.needs_wgs84 && !r.wgs84) {
            if (r.options.zone_code == 0)
                console << " " << name << " not written: the network is on a local grid\n";
            else
                console << " " << name << " not written: zone " << r.options.zone_code
                        << " has no transformation to WGS84\n";
            continue;
        }
        if (int error = write_whole_file(name, texts[next_text++].get()); error != 0) {
            console << " Unable to write output file " << name << ": " << std::strerror(error) << "\n";
            status = kExitOutputFailed;
        }
    }
    console << std::flush;
    return status;
}

} // namespace quarlo
