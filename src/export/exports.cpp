#include "export/exports.h"

#include "core/interruption.h"
#include "core/run_files.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <future>
#include <iterator>
#include <new>
#include <ostream>
#include <string_view>
#include <system_error>
#include <utility>

#include <unistd.h>

namespace quarlo {

namespace {

// The chunks of an output's text written to a file as they come; the
// first failure is kept and the rest is not written.
class FileSink : public TextSink {
public:
    explicit FileSink(std::FILE* file) : file_(file) {}
    void write(std::string_view chunk) override {
        if (error_ != 0) return;
        errno = 0;
        if (std::fwrite(chunk.data(), 1, chunk.size(), file_) != chunk.size()) error_ = errno != 0 ? errno : EIO;
    }
    int error() const { return error_; }

private:
    std::FILE* file_;
    int error_ = 0;
};

struct Output {
    const char* extension;
    void (*compose)(const RunResults&, TextOutput&);
    bool needs_wgs84;
    bool ExportRequest::*asked;
};

// The outputs in the order they are written.
const Output kOutputs[] = {
    {".json", write_json, false, &ExportRequest::json},
    {".geojson", write_geojson, true, &ExportRequest::geojson},
    {".html", write_html, false, &ExportRequest::html},
};

// Whether the output has a text to write: asked for, of a complete run
// and, for the map, with WGS84 positions.
bool has_text(const Output& o, const RunResults& r) {
    return r.requested.*o.asked && r.complete && (!o.needs_wgs84 || r.wgs84);
}

static_assert(std::size(kOutputs) == StagedExports::kCount);

// An output is written complete under this name first, beside its file.
std::string temporary_name(const std::string& name) { return name + ".tmp"; }

// Composes an output and writes it under its temporary name, then, when
// `keep` says so, puts it in place; otherwise, or on a failure, the
// temporary is removed. 0, or the cause of the failure.
//
// The old file goes first and the complete new one takes its name, the
// way a linker replaces its output: renamed over an old file, the new one
// would be flushed to disk there and then by filesystems that guard
// replaced files (ext4), which costs more than writing it. These are
// outputs a run makes again; the station and height files, which later
// runs read, are renamed over their old versions.
int stage(const Output& o, const RunResults& r, const std::string& name, std::shared_future<bool> keep) noexcept {
    const std::string temporary = temporary_name(name);
    auto cause = [] { return errno != 0 ? errno : EIO; };
    // The temporary is removed if the run is interrupted, and is never
    // found there without its entry.
    auto remove_temporary = [&] {
        auto held = interruption::hold();
        std::remove(temporary.c_str());
        interruption::remove_file(temporary);
    };
    errno = 0;
    std::FILE* file = nullptr;
    {
        auto held = interruption::hold();
        file = std::fopen(temporary.c_str(), "wb");
        if (file) interruption::add_file(temporary);
    }
    if (!file) return cause();
    FileSink sink(file);
    int error = 0;
    try {
        TextOutput out(sink);
        o.compose(r, out);
        out.finish();
        error = sink.error();
    } catch (const std::bad_alloc&) {
        error = ENOMEM;
    } catch (...) {
        error = EIO;
    }
    errno = 0;
    if (error == 0 && std::fflush(file) != 0) error = cause();
    errno = 0;
    if (std::fclose(file) != 0 && error == 0) error = cause();
    if (error != 0) {
        remove_temporary();
        return error; // nothing is left under the temporary name
    }
    if (!keep.get()) {
        remove_temporary();
        return 0;
    }
    {
        // An interruption finds the old file in place or the new one.
        auto held = interruption::hold();
        ::unlink(name.c_str()); // fails harmlessly on a directory, which the rename then reports
        errno = 0;
        if (std::rename(temporary.c_str(), name.c_str()) != 0) {
            error = errno != 0 ? errno : EIO;
            std::remove(temporary.c_str());
        }
        interruption::remove_file(temporary);
    }
    return error;
}

} // namespace

StagedExports::StagedExports(const RunResults& r) {
    std::shared_future<bool> keep = keep_.get_future().share();
    for (std::size_t i = 0; i < kCount; ++i) {
        if (!has_text(kOutputs[i], r)) continue;
        try {
            outcome_[i] = std::async(std::launch::async, stage, std::cref(kOutputs[i]), std::cref(r),
                                     r.job_name + kOutputs[i].extension, keep);
            decided_ = false;
        } catch (const std::system_error&) {
            // No thread to spare: this one is composed when it is written.
        }
    }
}

StagedExports& StagedExports::operator=(StagedExports&& other) {
    discard();
    for (auto& o : outcome_)
        if (o.valid()) o.get();
    keep_ = std::move(other.keep_);
    decided_ = std::exchange(other.decided_, true);
    outcome_ = std::move(other.outcome_);
    return *this;
}

// The futures of the threads wait for them as they go.
StagedExports::~StagedExports() { discard(); }

void StagedExports::decide(bool keep) {
    if (decided_) return;
    keep_.set_value(keep);
    decided_ = true;
}

void StagedExports::put_in_place() { decide(true); }
void StagedExports::discard() { decide(false); }

int write_exports(RunContext& ctx, bool run_succeeded) {
    StagedExports staged;
    return write_exports(ctx, run_succeeded, staged);
}

int write_exports(RunContext& ctx, bool run_succeeded, StagedExports& staged) {
    const RunResults& r = ctx.results;
    if (run_succeeded)
        staged.put_in_place();
    else
        staged.discard();
    if (!r.requested.any() || ctx.option.run_status == -9) return kExitOk;
    std::ostream& console = *ctx.console.out;
    const std::string job = trim_name(ctx.names.job_name.str());
    if (job.empty()) return kExitOk; // stopped before the report was named

    int status = kExitOk;
    for (std::size_t i = 0; i < std::size(kOutputs); ++i) {
        const Output& o = kOutputs[i];
        if (!(r.requested.*o.asked)) continue;
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
        int error = 0;
        if (staged.staged(i)) {
            error = staged.outcome(i);
        } else {
            std::promise<bool> keep;
            keep.set_value(true);
            error = stage(o, r, name, keep.get_future().share());
        }
        if (error != 0) {
            console << " Unable to write output file " << name << ": " << std::strerror(error) << "\n";
            status = kExitOutputFailed;
        } else {
            ctx.summary.wrote(name);
        }
    }
    console << std::flush;
    return status;
}

} // namespace quarlo
