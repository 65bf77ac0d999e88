#include "core/stage_times.h"

#include <cstdio>
#include <sys/resource.h>

namespace quarlo {

StageTimer::StageTimer(const RunContext& ctx, const char* stage)
    : path_(ctx.stage_times_path.empty() ? nullptr : &ctx.stage_times_path),
      stage_(stage),
      start_(std::chrono::steady_clock::now()) {}

StageTimer::~StageTimer() {
    if (!path_) return;
    double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
    struct rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    if (std::FILE* f = std::fopen(path_->c_str(), "a")) {
        std::fprintf(f, "%s %.6f %ld\n", stage_, seconds, static_cast<long>(usage.ru_maxrss));
        std::fclose(f);
    }
}

} // namespace quarlo
