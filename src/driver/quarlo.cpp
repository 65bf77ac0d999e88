#include "driver/quarlo.h"

#include "adjust/htcomp.h"
#include "adjust/tdband.h"
#include "adjust/trlev2.h"
#include "adjust/trlev3.h"
#include "adjust/vobseqn.h"
#include "driver/filasn.h"
#include "driver/run_summary.h"
#include "core/stage_times.h"
#include "export/exports.h"
#include "geodesy/geodcat.h"
#include "geodesy/stnadd.h"
#include "input/tcntrl.h"
#include "input/treform.h"
#include "input/trlev1.h"
#include "report/iocat3.h"
#include "report/print.h"
#include "results/collect_results.h"
#include "results/station_lists.h"
#include "results/tlres.h"

#include <istream>
#include <memory>
#include <optional>
#include <ostream>

namespace quarlo {

namespace {

// The titles handed to the report, each ending with a NUL.
constexpr char kReportTitle[] = "TRIGONOMETRICAL HEIGHT ADJUSTMENT";
constexpr char kProgramId[] = "QUARLO G77-2.6";

// Closes and deletes the work files at the end of a run: units 1, 2, 9, 13,
// 14, 15 and 11 always; the conversion files after an abandoned set-up; the
// label file and the reformatted input after a keyword run. Anything else
// the run created on disk as a work file goes too, whatever stopped it.
void close_work_files(RunContext& ctx) {
    auto& f = ctx.files;
    f.unit1.close_delete();
    f.unit2.close_delete();
    f.unit9.close_delete();
    f.unit13.close_delete();
    f.unit14.close_delete();
    f.unit15.close_delete();
    f.unit11.close_delete();
    f.unit18.close_delete();
    // Units 19-22 are closed only: unit 20 may by now hold the user's geoid
    // file. The scratch files they held are removed by name below.
    f.unit19.close();
    f.unit20.close();
    f.unit21.close();
    f.unit22.close();
    if (f.unit4_is_work_file)
        f.unit4.close_delete();
    else
        f.unit4.close();
    f.unit16.close();
    f.unit17.close();
    f.unit23.close();
    remove_work_files(ctx);
}

// A zone code outside every range of the zone table has no figure to
// compute with: the run stops as a data error.
void report_unsupported_zone(RunContext& ctx) {
    ioc11(ctx, "*** ZONE NUMBER", 40);
    ioc03(ctx, ctx.tmvals.zone_code, 56, 3, 0);
    ioc11(ctx, "IS NOT A SUPPORTED MAP ZONE ***", 60);
    ctx.diag.message(ctx.diag.control, report_message_text(ctx.ioarea.prtlin.sub(40, 51)));
    opr00(ctx, 3);
    ctx.reginf.data_error_flag = -1;
}

// The job's title lines, for the data outputs to name the job by.
void note_titles(RunContext& ctx) {
    ctx.results.titles.clear();
    for (const auto& line : ctx.ioarea.jobtxt) {
        std::string text = line.str();
        const std::size_t first = text.find_first_not_of(' ');
        if (first == std::string::npos) continue;
        ctx.results.titles.push_back(text.substr(first, text.find_last_not_of(' ') - first + 1));
    }
}

void run_stages(RunContext& ctx, const std::vector<std::string>& args, StagedExports& exports) {
    {
        // Naming and opening the files: replacing an old report of some
        // megabytes costs the system more than reading the input.
        StageTimer files(ctx, "files");
        set01(ctx);
        set02(ctx, std::string_view(kProgramId, sizeof kProgramId), std::string_view(kReportTitle, sizeof kReportTitle));
        filasn(ctx, args);
    }
    if (ctx.option.run_status == -9) return;

    std::optional<StageTimer> reading;
    reading.emplace(ctx, "reading");
    tcntrl(ctx);
    if (ctx.results.requested.any()) {
        note_control_options(ctx);
        note_titles(ctx);
    }
    bool zone_ok = true;
    if (ctx.tmvals.zone_code != 0 && !geod00(ctx)) {
        report_unsupported_zone(ctx);
        zone_ok = false;
    }

    if (zone_ok) {
        treform(ctx);
        if (ctx.option.run_status == -9) return;
        trlev1(ctx);
    }

    if (ctx.reginf.data_error_flag != -1) {
        stnadd(ctx);
    }
    reading.reset();
    if (ctx.reginf.data_error_flag != -1) {
        {
            StageTimer timer(ctx, "ordering");
            tdband(ctx);
        }
        ctx.ioarea.unmatched_station_count = 1;
        if (ctx.option.provisional_heights_required != 0) {
            StageTimer timer(ctx, "provisional heights");
            htcomp(ctx);
        }

        auto& rec01 = ctx.rec01;
        rec01.iteration_total = rec01.iterations_left;
        rec01.pass_countdown = rec01.iterations_left + 1;
        int passes = rec01.iterations_left;
        bool completed = true;
        for (int pass = 0; pass < passes; ++pass) {
            --rec01.iterations_left;
            --rec01.pass_countdown;
            ++ctx.summary.passes;
            {
                StageTimer timer(ctx, "equations");
                trlev2(ctx);
                vobseqn(ctx);
            }
            trlev3(ctx);
            if (ctx.option.run_status == -1 || rec01.required_stage == 1) {
                completed = false;
                break;
            }
            {
                // The pass's results; a singular matrix ends the run there.
                StageTimer timer(ctx, "results");
                tlres(ctx);
            }
        }
        if (completed) {
            // Before the station lists re-use the station tables. The
            // outputs are composed and staged while the report ends.
            if (ctx.results.requested.any()) {
                collect_results(ctx);
                exports = StagedExports(ctx.results);
            }
            StageTimer timer(ctx, "report");
            if (rec01.required_stage != 2) {
                tnamsrt(ctx);
                trlist(ctx);
            }
            if (rec01.required_stage > 3) trlev4(ctx);
        }
    }
    StageTimer timer(ctx, "report");
    set99(ctx);
}

// A run abandoned during set-up, or stopped by errors in its data.
bool run_failed(const RunContext& ctx) {
    return ctx.option.run_status == -9 || ctx.option.run_status == -1 || ctx.reginf.data_error_flag == -1;
}

// The station, zenith-distance and height files the run has completed
// replace their old versions together, once the report is complete: a run
// that fails or is interrupted before leaves the old ones as they were.
void put_outputs_in_place(RunContext& ctx) {
    for (SeqFile* file : {&ctx.files.unit17, &ctx.files.unit16, &ctx.files.unit10})
        if (file->finished()) file->commit();
}

} // namespace

void pause_console(RunContext& ctx) {
    if (!ctx.console.interactive || !ctx.console.in) return;
    *ctx.console.out << "Press Enter to continue . . . " << std::flush;
    std::string line;
    std::getline(*ctx.console.in, line);
}

int run_quarlo(RunContext& ctx, const std::vector<std::string>& args) {
    StagedExports exports;
    auto& out = *ctx.console.out;
    std::optional<FatalStop> stopped;
    try {
        run_stages(ctx, args, exports);
        // The report is complete once it is closed; then the outputs of a
        // run that succeeded replace their old versions.
        ctx.files.unit3.finish();
        if (!run_failed(ctx)) put_outputs_in_place(ctx);
    } catch (const FatalStop& stop) {
        stopped = stop;
    }

    if (stopped) {
        std::string message = stopped->console_message();
        int status = stopped->exit_status();
        close_work_files(ctx);
        if (ctx.files.unit3.is_open()) {
            try {
                if (stopped->finish_report() && !ctx.report_finished) set99(ctx);
                ctx.files.unit3.finish();
            } catch (const FatalStop& report) {
                // The report cannot say why the run stopped: both are said.
                message += "\n" + report.console_message();
                status = report.exit_status();
            }
        }
        ctx.files.unit10.close();
        out << "\n" << message << "\n\n" << std::flush;
        print_dropped(ctx, out);
        ctx.diag.finish(ctx.files.unit3.path());
        write_exports(ctx, false, exports);
        pause_console(ctx);
        return status;
    }

    close_work_files(ctx);
    ctx.files.unit10.close();
    if (ctx.option.run_status == -9) {
        ctx.diag.finish({});
        return kExitSetupFailed;
    }
    if (run_failed(ctx)) {
        out << "\n Errors in data\n\n" << std::flush;
        print_dropped(ctx, out);
        ctx.diag.finish(ctx.files.unit3.path());
        write_exports(ctx, false, exports);
        pause_console(ctx);
        return kExitDataErrors;
    }
    // The data, map and picture outputs follow the complete report.
    int status = write_exports(ctx, true, exports);
    // A station or zenith-distance file that could not be opened is said
    // in the report; the run is complete but for it.
    if (status == kExitOk && ctx.files.outputs_not_opened > 0) status = kExitOutputFailed;
    print_summary(ctx, out);
    print_dropped(ctx, out);
    ctx.diag.finish(ctx.files.unit3.path());
    // A run that skipped or left out input records does not end as a success.
    if (status == kExitOk && ctx.diag.dropped_count() > 0) status = kExitInputDropped;
    return status;
}

int quarlo_main(const RunOptions& options) {
    auto ctx = std::make_unique<RunContext>();
    ctx->console.in = options.in;
    ctx->console.out = options.out;
    ctx->console.err = options.err;
    ctx->diag.set_stream(options.err);
    ctx->console.interactive = options.interactive;
    ctx->fixed_run_date = options.fixed_run_date;
    ctx->results.requested = options.exports;
    ctx->stage_times_path = options.stage_times_path;
    return run_quarlo(*ctx, options.args);
}

} // namespace quarlo
