#include "driver/filasn.h"

#include "core/records.h"
#include "input/record_layout.h"
#include "report/edit.h"
#include "report/iocat3.h"
#include "report/print.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <istream>
#include <ostream>
#include <system_error>
#include <sys/stat.h>

namespace quarlo {

namespace {

constexpr std::size_t kNameLength = 80;
constexpr std::size_t kPathLength = 40;

std::string field80(const std::string& s) { return pad_line(s, kNameLength); }

std::string rtrim(const std::string& s) {
    std::size_t end = s.find_last_not_of(' ');
    return end == std::string::npos ? std::string() : s.substr(0, end + 1);
}

std::ostream& console(RunContext& ctx) { return *ctx.console.out; }

bool path_set(const std::string& path) { return !path.empty() && path[0] != ' ' && path[0] != 'x'; }

void abandon(RunContext& ctx) { ctx.option.run_status = -9; }

// Reads one line from the console; false at end of input or on an error.
bool console_line(RunContext& ctx, std::string& line) {
    line.clear();
    if (!ctx.console.in || !std::getline(*ctx.console.in, line)) return false;
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return true;
}

// Why an input has no control record, when there is more to say: it is
// empty, or not a text file at all.
std::string missing_control_reason(const std::string& path) {
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return {};
    char head[4096];
    std::size_t n = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    std::string_view text(head, n);
    if (text.find_first_not_of(" \r\n") == std::string_view::npos) return ": the file is empty";
    if (text.find('\0') != std::string_view::npos) return ": the file is not a text file";
    return {};
}

} // namespace

std::string_view own_name(std::string_view path) {
    std::size_t separator = path.find_last_of("/\\");
    return separator == std::string_view::npos ? path : path.substr(separator + 1);
}

std::string report_name_for(std::string_view input) {
    std::string_view own = own_name(input);
    return std::string(own.substr(0, own.find_first_of(". "))) + ".prt";
}

std::string job_name_for(std::string_view report) {
    std::size_t own = report.size() - own_name(report).size();
    return std::string(report.substr(0, report.find('.', own)));
}

void tpathset(RunContext& ctx, std::string& inname, std::string& outname, int mode) {
    auto& paths = ctx.paths;
    if (mode == 1) {
        SeqFile opt;
        if (!opt.open(kOptionsFile, SeqFile::Mode::Old)) {
            paths.options_found = false;
            return;
        }
        paths.input_path.clear();
        paths.output_path.clear();
        paths.work_path.clear();
        paths.options_found = true;
        std::string raw;
        while (opt.read_line(raw)) {
            std::string line = pad_line(raw, 80);
            std::size_t eq = line.find('=');
            if (eq == std::string::npos || eq + 1 >= line.size()) continue;
            char first = line[eq + 1];
            if (first == ' ' || first == 'x' || first == 'X') continue;
            // A lone drive letter "D" becomes "D:".
            if (eq + 2 < line.size() && line[eq + 2] == ' ') line[eq + 2] = ':';
            std::size_t blank = line.find(' ', eq);
            std::string value;
            if (blank == std::string::npos) {
                value = line.substr(eq + 1);
                if (value.back() != '/') value += '/';
            } else {
                value = line.substr(eq + 1, blank - eq - 1);
                if (value.empty() || value.back() != '/') value += '/';
            }
            if (value.size() > kPathLength) value.resize(kPathLength);
            std::string key = line.substr(0, 4);
            if (key == "INPU" || key == "inpu")
                paths.input_path = value;
            else if (key == "OUTP" || key == "outp")
                paths.output_path = value;
            else if (key == "WORK" || key == "work")
                paths.work_path = value;
        }
        opt.close();
        if (path_set(paths.work_path)) {
            for (auto& name : ctx.files.work_names) name = paths.work_path + name.substr(0, 12);
        }
    } else if (mode == 2) {
        if (paths.options_found && path_set(paths.input_path))
            inname = field80(paths.input_path + inname);
    } else if (mode == 3) {
        if (paths.options_found && path_set(paths.output_path) && !(outname.size() > 1 && outname[1] == ':'))
            outname = field80(paths.output_path + outname);
    }
}

void toptset(FixedText<80>& record, int& found) {
    found = 0;
    SeqFile opt;
    if (!opt.open(kOptionsFile, SeqFile::Mode::Old)) return;
    std::string line;
    while (opt.read_line(line)) {
        if (line.size() >= 2 && line[0] == '0' && line[1] == '1') {
            record.set(line);
            found = 1;
            break;
        }
    }
    opt.close();
}

void set92(RunContext& ctx) {
    auto& io = ctx.ioarea;
    int last = 0;
    for (int col = 70; col >= 3; --col) {
        if (io.card(col) != ' ') {
            last = col;
            break;
        }
    }
    if (last == 0) return;
    int len = last - 2;
    if (!io.jobtxt[1].is_blank()) {
        std::string line2 = rtrim(io.jobtxt[1].str());
        for (std::size_t i = 0; i < line2.size(); ++i) io.jobtxt[0](static_cast<int>(i) + 1) = line2[i];
    }
    io.jobtxt[1].blank();
    int start = (68 - len) / 2 + 1;
    for (int i = 0; i < len; ++i) io.jobtxt[1](start + i) = io.card(3 + i);
}

namespace {

// A file the run writes or reads, and what it is to the run.
struct RunFile {
    std::string path;
    std::string role;        // "the report", "the input file", ...
    std::string after = {};  // what follows the name
    bool station_file = false; // the job's station file, written or read
    // "the report net.prt", "the temporary net.hgt.tmp of the height file"
    std::string named() const { return role + " " + path + after; }
};

// Whether two names are one file: the same file on the same device when
// both exist (links included), else the same name once "." and ".." and
// links in the folders are resolved.
bool same_file(const std::string& a, const std::string& b) {
    struct stat sa {}, sb {};
    if (::stat(a.c_str(), &sa) == 0 && ::stat(b.c_str(), &sb) == 0)
        return sa.st_dev == sb.st_dev && sa.st_ino == sb.st_ino;
    std::error_code ea, eb;
    auto ca = std::filesystem::weakly_canonical(a, ea);
    auto cb = std::filesystem::weakly_canonical(b, eb);
    return !ea && !eb && ca == cb;
}

// A single column of the control record that asks for something: a digit
// 1 to 9 (blank, 0 and what is no number ask for nothing).
bool asks(const FixedText<80>& card, const Field& field) { return card(field.col) >= '1' && card(field.col) <= '9'; }

// The files the run writes: the report, and those the control record (when
// there is one) and the command line ask for, each staged file with the
// temporary it is written to first.
std::vector<RunFile> files_written(const RunContext& ctx, const std::string& report, const FixedText<80>* card) {
    std::vector<RunFile> out{{report, "the report"}};
    const std::string job = trim_name(ctx.names.job_name.str());
    auto staged = [&](const std::string& path, const std::string& role, bool station_file = false) {
        out.push_back({path, "the " + role, "", station_file});
        out.push_back({SeqFile::staged_name(path), "the temporary", " of the " + role});
    };
    if (card) {
        if ((*card)(record::control::kStage.col) == '4') staged(job + ".hgt", "height file");
        if (asks(*card, record::control::kStationFile)) staged(job + ".stn", "station file", true);
        if (asks(*card, record::control::kZenithFile)) staged(job + ".zen", "zenith-distance file");
    }
    const ExportRequest& asked = ctx.results.requested;
    if (asked.json) staged(job + ".json", "JSON file");
    if (asked.geojson) staged(job + ".geojson", "GeoJSON file");
    if (asked.html) staged(job + ".html", "HTML file");
    return out;
}

// The files the run reads: the input, the options file, the station file
// (the job's own, which the report could become, else stations.dat) and,
// when asked for, the geoid file.
std::vector<RunFile> files_read(const std::string& input, const std::string& job, const FixedText<80>* card) {
    std::vector<RunFile> in{{input, "the input file"}};
    if (file_exists(kOptionsFile)) in.push_back({kOptionsFile, "the options file"});
    std::string data;
    int length = 0, found = 0;
    datpath(data, length, found);
    const std::string own = job + ".stn";
    const std::string reads = " that the run reads";
    in.push_back({own, "the station file", reads, true});
    struct stat st {};
    if (!(::stat(own.c_str(), &st) == 0 && S_ISREG(st.st_mode))) {
        in.push_back({"stations.dat", "the station file", reads});
        if (found) in.push_back({data + "stations.dat", "the station file", reads});
    }
    if (card && asks(*card, record::control::kGeoidModel))
        in.push_back({(found ? data : std::string()) + "geoid.dat", "the geoid file", reads});
    return in;
}

// Refuses a run that would write over one of its own inputs, or write two
// of its outputs to one file, before anything is opened for writing.
bool overwrites_own_file(RunContext& ctx, const std::string& input, const std::string& report,
                         const FixedText<80>* card) {
    const std::vector<RunFile> written = files_written(ctx, report, card);
    const std::vector<RunFile> read = files_read(input, trim_name(ctx.names.job_name.str()), card);
    auto refuse = [&](const RunFile& w, const RunFile& r) {
        std::string text = w.named();
        text[0] = 'T';
        console(ctx) << " " << text << " would overwrite " << r.named() << "; run abandoned\n";
    };
    for (std::size_t i = 0; i < written.size(); ++i) {
        for (const RunFile& r : read) {
            // The station file a run reads is the one it may replace with
            // its adjusted stations: read first, replaced when complete.
            if (written[i].station_file && r.station_file && written[i].path == r.path) continue;
            if (same_file(written[i].path, r.path)) {
                refuse(written[i], r);
                return true;
            }
        }
        for (std::size_t j = 0; j < i; ++j) {
            if (same_file(written[i].path, written[j].path)) {
                refuse(written[i], written[j]);
                return true;
            }
        }
    }
    return false;
}

enum class Head { control, default_control, missing };

// Reads the head of the input: the title records and the control record,
// completed from the options file's default control record, or that record
// in its place.
Head read_head(RunContext& ctx) {
    auto& files = ctx.files;
    FixedText<80> default_record;
    int default_found = 0;
    toptset(default_record, default_found);

    long after_header = files.unit4.tell();
    int after_header_line = 0;
    for (;;) {
        icr00(ctx);
        if (ctx.ioarea.record_status == -2) break;
        int code = ctx.ioarea.record_code;
        if (code == 94 || code == 95) {
            after_header = files.unit4.tell();
            after_header_line = files.unit4.line_number();
            continue;
        }
        if (code == 92) {
            check_columns(ctx, *record::columns_of(92), ctx.ioarea.record_at, ctx.ioarea.line, ctx.ioarea.line);
            set92(ctx);
            ++ctx.numbrs.title_record_count;
            after_header = files.unit4.tell();
            after_header_line = files.unit4.line_number();
            continue;
        }
        break;
    }

    if (ctx.ioarea.record_status != -2 && ctx.ioarea.record_code == 1) {
        auto& card = ctx.ioarea.card;
        ctx.diag.control = ctx.ioarea.record_at;
        ctx.diag.header_end = ctx.ioarea.record_at.line;
        check_columns(ctx, *record::columns_of(1), ctx.ioarea.record_at, ctx.ioarea.line, ctx.ioarea.line);
        if (default_found && card(3) != 'X' && card(3) != 'x') {
            for (int col = 1; col <= 80; ++col)
                if (card(col) == ' ') card(col) = default_record(col);
        }
        return Head::control;
    }
    if (!default_found) return Head::missing;
    // The default control record stands in full; the input is read again
    // from just after its title records, so that no station or observation
    // line is lost.
    ctx.ioarea.card = default_record;
    ctx.ioarea.record_code = 1;
    ctx.ioarea.record_status = 0;
    ctx.ioarea.record_at = SourceLine{};
    ctx.diag.header_end = after_header_line;
    files.unit4.seek(after_header, after_header_line);
    return Head::default_control;
}

} // namespace

void filasn(RunContext& ctx, const std::vector<std::string>& args) {
    auto& files = ctx.files;
    ctx.numbrs.title_record_count = 0;

    for (std::size_t i = 0; i < 8; ++i) files.work_names[i] = kWorkFileNames[i];
    std::string inname, outname;
    tpathset(ctx, inname, outname, 1);

    // The work files live in a folder of the run's own, in the work path or
    // the working directory, so that runs started side by side in one
    // folder never share them.
    int error = 0;
    const std::string work_directory = path_set(ctx.paths.work_path) ? ctx.paths.work_path : std::string();
    if (!make_work_folder(ctx, work_directory, &error))
        throw FatalStop(" Unable to create a work folder in " + (work_directory.empty() ? "." : work_directory) +
                            ": " + std::strerror(error),
                        kExitRunTimeError, false);

    // The work files: quarlo01, 02, 13, 09, 18, then 19, 20, 21 and 22.
    struct DirectUnit {
        DirectFile* file;
        int name_index;
        int record_length;
    };
    const DirectUnit direct_units[] = {{&files.unit1, 0, kEqnRecordLength},
                                       {&files.unit2, 1, kBlockRecordLength},
                                       {&files.unit13, 2, kBlockRecordLength},
                                       {&files.unit9, 3, kObsRecordLength},
                                       {&files.unit18, 4, kLabelRecordLength}};
    for (const auto& u : direct_units) {
        const std::string& path = files.work_names[static_cast<std::size_t>(u.name_index)];
        if (!open_work_file(ctx, *u.file, path, u.record_length))
            throw FatalStop(" Unable to open work file " + path, kExitRunTimeError, false);
    }
    struct SeqUnit {
        SeqFile* file;
        std::string path;
    };
    const SeqUnit seq_units[] = {{&files.unit19, files.unit19_name},
                                 {&files.unit20, files.work_names[5]},
                                 {&files.unit21, files.work_names[6]},
                                 {&files.unit22, files.work_names[7]}};
    for (const auto& u : seq_units) {
        if (!open_work_file(ctx, *u.file, u.path, SeqFile::Mode::Scratch))
            throw FatalStop(" Unable to open work file " + u.path, kExitRunTimeError, false);
    }

    // File names from the command line or the console.
    bool quiet = false;
    bool have_report_name = false;
    std::size_t n = args.size();
    if (n == 0) {
        console(ctx) << "\n QUARLO Version 2.6  24-04-2014\n\n Trigonometrical Levelling Network Adjustment\n\n";
        console(ctx) << "  Input file name: " << std::flush;
        std::string reply;
        if (!console_line(ctx, reply) || reply.empty() || reply[0] == ' ') {
            console(ctx) << "\n No input file name given; run abandoned.\n";
            abandon(ctx);
            return;
        }
        inname = field80(reply);
    } else {
        std::size_t first = 0;
        std::string option;
        if (n >= 2 && !args[0].empty() && args[0][0] == '-') {
            option = args[0];
            first = 1;
        }
        inname = field80(args[first]);
        if (first + 1 < n && (n >= 3 || option.empty())) {
            outname = field80(args[first + 1]);
            have_report_name = true;
        }
        if (option.size() > 1 && (option[1] == 'o' || option[1] == 'm')) quiet = true;
    }
    if (!have_report_name) outname = field80("");

    // The input file.
    tpathset(ctx, inname, outname, 2);
    const std::string input = rtrim(inname);
    if (!files.unit4.open(input, SeqFile::Mode::Old, &error)) {
        console(ctx) << " Unable to open input file.  Status=" << edit::int_field(error, 6) << "\n";
        if (ctx.console.err)
            *ctx.console.err << "cannot open input file " << input << ": " << std::strerror(error) << "\n";
        abandon(ctx);
        return;
    }
    files.unit4_is_work_file = false;
    ctx.diag.set_input(input);

    // The report file name: the stem of the input file's own name, with the
    // extension ".prt", in the working directory (or the output path).
    if (!have_report_name) outname = field80(report_name_for(input));
    tpathset(ctx, inname, outname, 3);
    if (!quiet) console(ctx) << " Output file name: " << trim_name(outname) << "\n";

    ctx.names.job_name.set(job_name_for(rtrim(outname)));
    std::string report_path = rtrim(outname);

    // The head of the input tells which files the run writes; none of them
    // may be a file the run reads, or another of them.
    const Head head = read_head(ctx);
    if (overwrites_own_file(ctx, input, report_path, head == Head::missing ? nullptr : &ctx.ioarea.card)) {
        abandon(ctx);
        return;
    }

    if (!quiet && file_exists(report_path)) {
        console(ctx) << " Existing output file found. Overwrite ? (y/n): " << std::flush;
        std::string reply;
        if (!console_line(ctx, reply)) {
            // No answer at all: an existing report is never replaced unasked.
            console(ctx) << "\n No reply; output file not overwritten.\n";
            abandon(ctx);
            return;
        }
        if (!reply.empty() && (reply[0] == 'N' || reply[0] == 'n')) {
            abandon(ctx);
            return;
        }
    }
    if (!files.unit3.open(report_path, SeqFile::Mode::Replace, &error)) {
        console(ctx) << " Unable to open output file. Status=" << edit::int_field(error, 6) << "\n";
        abandon(ctx);
        return;
    }

    if (head == Head::missing) {
        constexpr std::string_view kMissing = "*** 01 RECORD MISSING ***";
        ioc11(ctx, kMissing, 55);
        opr00(ctx, 2);
        ctx.diag.message(SourceLine{}, std::string(report_message_text(kMissing)) + missing_control_reason(input));
        abandon(ctx);
        return;
    }
    if (ctx.ioarea.card(record::control::kStage.col) == '4') {
        std::string height_path = trim_name(ctx.names.job_name.str()) + ".hgt";
        // The height file replaces an existing one only when the run has
        // written it completely.
        if (!files.unit10.open(height_path, SeqFile::Mode::Staged, &error)) {
            if (ctx.console.err)
                *ctx.console.err << "cannot open height file " << height_path << ": " << std::strerror(error) << "\n";
            ioc11(ctx, "*** UNABLE TO OPEN HEIGHT FILE ***", 48);
            opr00(ctx, 2);
            set99(ctx);
            abandon(ctx);
            return;
        }
    }
}

} // namespace quarlo
