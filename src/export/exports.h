// The data, map and picture outputs of a run: <job>.json, <job>.geojson and
// <job>.html, written from the results model after the report is complete.
#pragma once

#include "core/context.h"
#include "export/text_output.h"

#include <array>
#include <cstddef>
#include <future>
#include <string>

namespace quarlo {

// The three outputs, written as they are composed.
void write_json(const RunResults& r, TextOutput& out);
void write_geojson(const RunResults& r, TextOutput& out);
void write_html(const RunResults& r, TextOutput& out);

// The outputs asked for, each composed on a thread of its own from a
// results model that no longer changes and written to a temporary beside
// its file (<file>.tmp) while the run finishes its report. Once the report
// is complete they are put in place, side by side; after a run that failed,
// or when this is destroyed first, the temporaries are removed.
class StagedExports {
public:
    static constexpr std::size_t kCount = 3; // JSON, GeoJSON, HTML

    StagedExports() = default;
    explicit StagedExports(const RunResults& r);
    StagedExports(StagedExports&&) = default;
    StagedExports& operator=(StagedExports&&);
    ~StagedExports();

    // Renames every staged output over its file.
    void put_in_place();
    // Removes every staged output; what is in place stays.
    void discard();
    // Whether output i was staged, and then 0 or the cause (errno) of its
    // failure, waiting for it.
    bool staged(std::size_t output) const { return outcome_[output].valid(); }
    int outcome(std::size_t output) { return outcome_[output].get(); }

private:
    void decide(bool keep);

    std::promise<bool> keep_; // set once: put in place, or discard
    bool decided_ = true;     // nothing staged, nothing to decide
    std::array<std::future<int>, kCount> outcome_;
};

// Writes the outputs the command line asked for after a run that
// succeeded, with a console line for each one that is not written. Returns
// kExitOk, or kExitOutputFailed when a file could not be written.
int write_exports(RunContext& ctx, bool run_succeeded, StagedExports& staged);
int write_exports(RunContext& ctx, bool run_succeeded);

} // namespace quarlo
