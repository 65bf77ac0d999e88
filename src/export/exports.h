// The data, map and picture outputs of a run: <job>.json, <job>.geojson and
// <job>.html, written from the results model after the report is complete.
#pragma once

#include "core/context.h"

#include <array>
#include <cstddef>
#include <future>
#include <string>

namespace quarlo {

// The texts of the three outputs.
std::string results_json(const RunResults& r);
std::string results_geojson(const RunResults& r);
std::string results_html(const RunResults& r);

// The outputs asked for, each composed on a thread of its own from a
// results model that no longer changes and written to a temporary beside
// its file (<file>.tmp) while the run finishes its report. write_exports
// puts them in place after a run that succeeded; whatever is left when
// this is destroyed is removed.
class StagedExports {
public:
    static constexpr std::size_t kCount = 3; // JSON, GeoJSON, HTML

    StagedExports() = default;
    explicit StagedExports(const RunResults& r);
    StagedExports(StagedExports&&) = default;
    StagedExports& operator=(StagedExports&&);
    ~StagedExports();

    // Puts output i in place under `name`, composing and writing it now
    // when it was not staged. 0, or the cause of the failure (errno); on a
    // failure nothing is left under the temporary name.
    int put_in_place(std::size_t output, const std::string& name, const RunResults& r);

    // Waits for the outputs still being staged and removes their
    // temporaries: after a run that failed.
    void discard();

private:

    std::array<std::future<int>, kCount> staged_; // the cause of a failure, or 0
    std::array<std::string, kCount> temporaries_;
};

// Writes the outputs the command line asked for after a run that
// succeeded, with a console line for each one that is not written. Returns
// kExitOk, or kExitOutputFailed when a file could not be written.
int write_exports(RunContext& ctx, bool run_succeeded, StagedExports& staged);
int write_exports(RunContext& ctx, bool run_succeeded);

} // namespace quarlo
