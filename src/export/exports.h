// The data, map and picture outputs of a run: <job>.json, <job>.geojson and
// <job>.html, written from the results model after the report is complete.
#pragma once

#include "core/context.h"

#include <string>

namespace quarlo {

// The texts of the three outputs.
std::string results_json(const RunResults& r);
std::string results_geojson(const RunResults& r);
std::string results_html(const RunResults& r);

// Writes the outputs the command line asked for after a run that
// succeeded, with a console line for each one that is not written. Returns
// kExitOk, or kExitOutputFailed when a file could not be written.
int write_exports(RunContext& ctx, bool run_succeeded);

} // namespace quarlo
