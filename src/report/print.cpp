#include "report/print.h"

#include "report/headings.h"
#include "report/iocat3.h"

#include <ctime>

namespace quarlo {

namespace {

constexpr const char* kMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                     "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

void write_record(RunContext& ctx, std::string_view text) { ctx.files.unit3.write_line(text); }

std::string heading_key(std::string_view name) {
    std::string key(name.substr(0, std::min<std::size_t>(7, name.size())));
    key.resize(7, ' ');
    return key;
}

} // namespace

void set01(RunContext& ctx) {
    auto& io = ctx.ioarea;
    io.progid.blank();
    io.rtitle.blank();
    io.jobtxt[0].blank();
    io.jobtxt[1].blank();
    io.rundat.blank();
    io.card.blank();
    io.prtlin.blank();
    io.pagno = 0;
    io.lnleft = 0;
    io.pagsiz = 60;
    io.record_code = 0;
    io.record_count = 0;
    io.field_status = 0;
    io.record_status = 0;
    io.unmatched_station_count = 0;
    io.lookup_status1 = 0;
    io.lookup_status2 = 0;

    if (!ctx.fixed_run_date.empty()) {
        io.rundat.set(ctx.fixed_run_date);
        return;
    }
    // The system date as day (blank-padded), month abbreviation and year:
    // " 7-Dec-2026".
    std::time_t now = std::time(nullptr);
    std::tm tm {};
    localtime_r(&now, &tm);
    char buf[16];
    std::snprintf(buf, sizeof buf, "%2d-%s-%04d", tm.tm_mday, kMonths[tm.tm_mon % 12], (tm.tm_year + 1900) % 10000);
    io.rundat.set(buf);
}

void set02(RunContext& ctx, std::string_view progid, std::string_view title) {
    auto& io = ctx.ioarea;
    std::size_t n = 0;
    while (n < 32 && n < progid.size()) {
        int cls = type(static_cast<unsigned char>(progid[n]));
        if (cls == 0 || cls == -99) break;
        ++n;
    }
    for (std::size_t i = 0; i < n; ++i) io.progid(static_cast<int>(i) + 1) = progid[i];

    std::size_t len = 0;
    while (len < 48 && len < title.size()) {
        int cls = type(static_cast<unsigned char>(title[len]));
        if (cls != -30 && cls != -40) break;
        ++len;
    }
    std::size_t offset = (48 - len) / 2;
    for (std::size_t i = 0; i < len; ++i) io.rtitle(static_cast<int>(offset + i) + 1) = title[i];
}

void set03(RunContext& ctx, std::string_view name, int flag) {
    if (flag != 0) {
        ctx.head.hdname = heading_key(name);
        return;
    }
    if (ctx.head.hdname.empty()) return;
    const std::string& key = ctx.head.hdname;
    if (key == "NOUGHT ") nought(ctx);
    else if (key == "TLHED1 ") tlhed1(ctx);
    else if (key == "TLHED2 ") tlhed2(ctx);
    else if (key == "TLHED3 ") tlhed3(ctx);
    else if (key == "TLHED4 ") tlhed4(ctx);
    else if (key == "TLHED5 ") tlhed5(ctx);
    else if (key == "TLHED6 ") tlhed6(ctx);
    else if (key == "TLHED7 ") tlhed7(ctx);
    else if (key == "TLHED8 ") tlhed8(ctx);
    else if (key == "TLHED9 ") tlhed9(ctx);
    else if (key == "TLHED10") tlhed10(ctx);
    else if (key == "OBSHD3 ") obshd3(ctx);
    else if (key == "PRHEAD ") prhead(ctx);
}

void begin_section(RunContext& ctx, std::string_view name) {
    set03(ctx, name, 1);
    ctx.ioarea.lnleft = 0;
}

void opr01(RunContext& ctx) {
    write_record(ctx, ctx.ioarea.prtlin.view());
    ctx.ioarea.prtlin.blank();
}

void opr10(RunContext& ctx, int n) {
    if (n < 0) {
        write_record(ctx, "\f");
        ctx.ioarea.lnleft = ctx.ioarea.pagsiz;
    } else if (n > 0) {
        for (int i = 1; i < n; ++i) write_record(ctx, " ");
        ctx.ioarea.lnleft -= n;
    }
}

void opr00(RunContext& ctx, int n) {
    if (n <= 0) {
        opr01(ctx);
        return;
    }
    if (ctx.ioarea.lnleft - n <= 0) set09(ctx);
    opr10(ctx, n);
    opr01(ctx);
}

void set04(RunContext& ctx, int n) {
    if (ctx.ioarea.lnleft < n) set09(ctx);
}

void set09(RunContext& ctx) {
    auto& io = ctx.ioarea;
    io.lnleft = io.pagsiz;
    ++io.pagno;
    FixedText<132> saved;
    savepr(ctx, saved);
    blnkpr(ctx);
    opr10(ctx, -1);

    ioc11(ctx, kOrganisation, 1, 34);
    ioc11(ctx, io.rtitle.view(), 43);
    if (io.pagno < 1000) {
        ioc11(ctx, "PAGE", 125);
        ioc03(ctx, io.pagno, 130, 3, 0);
    } else {
        ioc11(ctx, "PAGE", 124);
        ioc03(ctx, io.pagno, 129, 4, 0);
    }
    opr01(ctx);
    opr10(ctx, 1);

    ioc11(ctx, "PROGRAM:", 1);
    ioc11(ctx, io.progid.view(), 10);
    ioc11(ctx, io.rundat.view(), 122);
    opr01(ctx);
    opr10(ctx, 1);

    ioc11(ctx, io.jobtxt[0].view(), 33);
    opr01(ctx);
    opr10(ctx, 1);

    ioc11(ctx, io.jobtxt[1].view(), 33);
    opr01(ctx);
    opr10(ctx, 1);

    opr01(ctx);
    set03(ctx, "", 0);
    restpr(ctx, saved);
}

void set99(RunContext& ctx) {
    opr01(ctx);
    opr10(ctx, -1);
    ctx.report_finished = true;
}

void savepr(const RunContext& ctx, FixedText<132>& buffer) { buffer = ctx.ioarea.prtlin; }

void restpr(RunContext& ctx, const FixedText<132>& buffer) { ctx.ioarea.prtlin = buffer; }

void blnkpr(RunContext& ctx) { ctx.ioarea.prtlin.blank(); }

void nought(RunContext&) {}

void prhead(RunContext& ctx) {
    ioc11(ctx, "PROVISIONAL HEIGHT COMPUTATION", 51);
    opr10(ctx, 2);
    opr01(ctx);
    opr10(ctx, 3);
}

void obshd3(RunContext& ctx) {
    ioc11(ctx, "LIST OF OBSERVATION EQUATIONS", 52);
    opr10(ctx, 2);
    opr01(ctx);
    ioc11(ctx, "COLUMN  NUMBERS", 7);
    ioc11(ctx, "COEFFICIENTS", 51);
    ioc11(ctx, "ABSOLUTE", 83);
    opr10(ctx, 2);
    opr01(ctx);
    ioc11(ctx,
          "1ST  2ND  3RD  4TH  5TH          1ST       2ND       3RD       4TH       5TH      TERM      "
          "WEIGHT     FROM    TO",
          3);
    opr10(ctx, 1);
    opr01(ctx);
    opr10(ctx, 2);
}

} // namespace quarlo
