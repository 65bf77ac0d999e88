// Timing of the run's stages for the benchmark. When the run was given a
// stage-times file (environment variable QUARLO_STAGE_TIMES), each timed
// stage appends one line "<stage> <seconds> <peak resident KiB>" to it when
// it ends. Nothing of this reaches the report.
#pragma once

#include "core/context.h"

#include <chrono>
#include <string>

namespace quarlo {

class StageTimer {
public:
    StageTimer(const RunContext& ctx, const char* stage);
    ~StageTimer();
    StageTimer(const StageTimer&) = delete;
    StageTimer& operator=(const StageTimer&) = delete;

private:
    const std::string* path_; // null: not timed
    const char* stage_;
    std::chrono::steady_clock::time_point start_;
};

} // namespace quarlo
