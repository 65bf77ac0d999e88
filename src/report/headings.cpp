#include "report/headings.h"

#include "report/iocat3.h"
#include "report/print.h"

namespace quarlo {

namespace {

// Space n lines and print the composed line.
void space(RunContext& ctx, int n) {
    opr10(ctx, n);
    opr01(ctx);
}

bool label_mode(const RunContext& ctx) { return ctx.rec01.label_mode != 0; }

bool first_iteration(const RunContext& ctx) { return ctx.rec01.pass_countdown == ctx.rec01.iteration_total; }

void variance_factor_line(RunContext& ctx) {
    ioc11(ctx, "VARIANCE FACTOR USED:", 5);
    ioc05(ctx, ctx.factor.variance_factor, 26, 6, 3);
    space(ctx, 1);
}

} // namespace

void tgridhd(RunContext& ctx) {
    int zone = ctx.tmvals.zone_code;
    switch (ctx.numbrs.projection_type) {
    case 2:
        ioc11(ctx, "TRANSVERSE MERCATOR GRID ZONE   - YARDS", 47);
        ioc03(ctx, zone, 77, 1, 0);
        break;
    case 3:
        ioc11(ctx, "AUSTRALIAN MAP GRID ZONE    - METRES", 49);
        ioc03(ctx, zone, 74, 2, 0);
        break;
    case 4:
        ioc11(ctx, "INTEGRATION SURVEYS GRID ZONE   /  - METRES", 45);
        ioc03(ctx, zone / 10, 75, 2, 0);
        ioc03(ctx, zone % 10, 78, 1, 0);
        break;
    case 5:
        ioc11(ctx, "WORLD GEODETIC SYSTEM 1972  ZONE    - METRES", 44);
        ioc03(ctx, zone - 700, 77, 2, 0);
        break;
    case 6:
        ioc11(ctx, "GEOCENTRIC DATUM OF AUSTRALIA  ZONE    - METRES", 43);
        ioc03(ctx, zone - 800, 79, 2, 0);
        break;
    default:
        ioc11(ctx, "LOCAL GRID - METRES", 57);
        break;
    }
    space(ctx, 1);
}

void tlhed1(RunContext& ctx) {
    tgridhd(ctx);
    ioc11(ctx, "LIST OF STATIONS", 59);
    space(ctx, 1);
    if (label_mode(ctx)) {
        ioc11(ctx, "NUMBER", 1);
        ioc11(ctx, "LABEL", 13);
    } else {
        ioc11(ctx, "NUMBER", 17);
    }
    ioc11(ctx, "NAME", 38);
    ioc11(ctx, "EASTING", 67);
    ioc11(ctx, "NORTHING", 84);
    ioc11(ctx, "HEIGHT", 99);
    if (ctx.option.geoid_model_option != 0) {
        if (ctx.tmvals.zone_code < 800)
            ioc11(ctx, "N (ANS)", 125);
        else if (ctx.tmvals.zone_code > 800)
            ioc11(ctx, "N (GRS80)", 124);
    }
    if (ctx.numbrs.number_of_height_observations != 0) ioc11(ctx, "SDH", 114);
    space(ctx, 2);
}

void tlhed2(RunContext& ctx) {
    ioc11(ctx, "ZENITH DISTANCE OBSERVATIONS", 53);
    space(ctx, 1);
    ioc11(ctx, "OBS.", 1);
    if (!label_mode(ctx)) {
        ioc11(ctx, "OBSERVED", 18);
        ioc11(ctx, "HEIGHT  OF", 33);
        ioc11(ctx, "ECCENTRIC HT.DIFF.", 47);
    } else {
        ioc11(ctx, "OBSERVED", 38);
        ioc11(ctx, "HEIGHT  OF", 53);
    }
    ioc11(ctx, "REDUCED", 69);
    ioc11(ctx, "OBSERVED", 81);
    ioc11(ctx, "REDUCED", 92);
    ioc11(ctx, "COMPUTED", 110);
    ioc11(ctx, "(C-O)", 122);
    ioc11(ctx, "STD", 130);
    space(ctx, 2);
    ioc11(ctx, "NO.", 2);
    if (!label_mode(ctx)) {
        ioc11(ctx, "FROM", 6);
        ioc11(ctx, "TO", 12);
        ioc11(ctx, "ZENITH DST", 17);
        ioc11(ctx, "INSTR", 32);
        ioc11(ctx, "TARGET", 38);
        ioc11(ctx, "OCCUPIED", 47);
        ioc11(ctx, "OBSERVED", 57);
    } else {
        ioc11(ctx, "FROM", 11);
        ioc11(ctx, "TO", 25);
        ioc11(ctx, "ZENITH DST", 37);
        ioc11(ctx, "INSTR", 52);
        ioc11(ctx, "TARGET", 58);
    }
    ioc11(ctx, "ZENITH DST", 68);
    ioc11(ctx, "DISTANCE", 81);
    ioc11(ctx, "DISTANCE", 92);
    ioc11(ctx, "AZMTH", 102);
    ioc11(ctx, "ZENITH DST", 109);
    ioc11(ctx, "SECONDS", 121);
    ioc11(ctx, "DEV", 130);
    space(ctx, 1);
}

void tlhed3(RunContext& ctx) {
    ioc11(ctx, "LIST OF CORRECTIONS", 57);
    space(ctx, 2);
    ioc11(ctx, "LIST ORDER OF CORRECTIONS FOR EACH STATION :DH , DK", 38);
    space(ctx, 2);
    ioc11(ctx, "AT    VARIABLE", 56);
    space(ctx, 2);
    ioc11(ctx, "STATION  NUMBER    SOLUTION", 53);
    space(ctx, 1);
    opr10(ctx, 1);
    opr10(ctx, 2);
}

void tlhed4(RunContext& ctx) {
    ioc11(ctx, "LIST OF RESIDUALS", 58);
    space(ctx, 2);
    ioc11(ctx, "OBS.NO.", 1);
    ioc11(ctx, "FROM", 19);
    ioc11(ctx, "TO", 52);
    ioc11(ctx, "RESIDUAL", 82);
    ioc11(ctx, "STD. RES.", 96);
    ioc11(ctx, "DISTANCE", 109);
    // A negative station count marks the height-difference listing, whose
    // last column is the equivalent zenith-distance residual.
    bool height_differences = ctx.numbrs.number_of_stations < 0;
    if (height_differences)
        ioc11(ctx, "Z.D. RES.", 124);
    else
        ioc11(ctx, "HT. RES.", 125);
    space(ctx, 2);
    if (height_differences) opr10(ctx, 2);
}

void tlhed5(RunContext& ctx) {
    bool zenith = ctx.numbrs.number_of_zenith_distances > 0;
    ioc11(ctx, "ADJUSTED VALUES", 59);
    space(ctx, 2);
    ioc11(ctx, "HEIGHT", 55);
    if (zenith) ioc11(ctx, "REFRACTION", 100);
    space(ctx, 2);
    if (!label_mode(ctx)) {
        ioc11(ctx, "NO.", 1);
        ioc11(ctx, "NAME", 14);
    } else {
        ioc11(ctx, "LABEL", 4);
        ioc11(ctx, "NAME", 19);
    }
    ioc11(ctx, "PROVISIONAL", 39);
    ioc11(ctx, "CORRN.", 55);
    ioc11(ctx, "ADJUSTED", 67);
    if (zenith) {
        ioc11(ctx, "OBSERVED", 84);
        ioc11(ctx, "CORRN.", 98);
        ioc11(ctx, "ADJUSTED", 109);
        if (first_iteration(ctx)) ioc11(ctx, "STD.RES.", 119);
        if (ctx.option.refraction_option == 3) ioc11(ctx, "OBS.", 129);
    }
    space(ctx, 3);
}

void tlhed6(RunContext& ctx) {
    bool ecc = ctx.option.eccentric_data_present != 0;
    ioc11(ctx, "HEIGHT DIFFERENCE OBSERVATIONS", 52);
    space(ctx, 1);
    if (!label_mode(ctx)) {
        ioc11(ctx, "OBS.", 1);
        ioc11(ctx, "OBSERVED", 19);
        ioc11(ctx, "HEIGHT  OF", 31);
        ioc11(ctx, "REDUCED", 47);
        if (ecc) {
            ioc11(ctx, "ECCENTRIC HT DIFF", 56);
            ioc11(ctx, "CORRECTED", 77);
        }
        ioc11(ctx, "COMPUTED", 90);
        ioc11(ctx, "(C-O)", 101);
        ioc11(ctx, "STD", 109);
        if (ecc) ioc11(ctx, "ECCENTRIC", 124);
        space(ctx, 2);
        ioc11(ctx, "NO.", 2);
        ioc11(ctx, "FROM  TO     HT DIFF", 6);
        ioc11(ctx, "INSTR TARGET", 30);
        ioc11(ctx, "HT DIFF", 47);
        if (ecc) {
            ioc11(ctx, "OCCUPIED OBSERVED", 56);
            ioc11(ctx, "HT DIFF", 78);
        }
        ioc11(ctx, "HT DIFF", 90);
        ioc11(ctx, "DEV     WEIGHT", 109);
        if (ecc) ioc11(ctx, "FROM  TO", 125);
        space(ctx, 1);
    } else {
        ioc11(ctx, "OBS.", 1);
        ioc11(ctx, "OBSERVED", 36);
        ioc11(ctx, "HEIGHT  OF", 48);
        ioc11(ctx, "REDUCED", 63);
        if (ecc) {
            ioc11(ctx, "ECCENTRIC HT DIFF", 72);
            ioc11(ctx, "CORRECTED", 93);
        }
        ioc11(ctx, "COMPUTED", 102);
        ioc11(ctx, "(C-O)", 112);
        ioc11(ctx, "STD", 120);
        space(ctx, 2);
        ioc11(ctx, "NO.", 2);
        ioc11(ctx, "FROM", 10);
        ioc11(ctx, "TO", 25);
        ioc11(ctx, "HT DIFF", 37);
        ioc11(ctx, "INSTR TARGET", 47);
        ioc11(ctx, "HT DIFF", 63);
        if (ecc) {
            ioc11(ctx, "OCCUPIED OBSERVED", 72);
            ioc11(ctx, "HT DIFF", 94);
        }
        ioc11(ctx, "HT DIFF", 103);
        ioc11(ctx, "DEV    WEIGHT", 120);
        space(ctx, 1);
    }
}

void tlhed7(RunContext& ctx) {
    ioc11(ctx, "PRECISION  ANALYSIS", 57);
    space(ctx, 2);
    variance_factor_line(ctx);
    if (!label_mode(ctx)) {
        ioc11(ctx, "NO.", 3);
        ioc11(ctx, "NAME", 15);
    } else {
        ioc11(ctx, "LABEL", 4);
        ioc11(ctx, "NAME", 20);
    }
    ioc11(ctx, "ADJ. HEIGHT", 52);
    ioc11(ctx, "STD. DEV.", 70);
    ioc11(ctx, "ADJ. K VALUE", 90);
    ioc11(ctx, "STD. DEV.", 108);
    if (ctx.option.refraction_option == 3) ioc11(ctx, "OBS.", 124);
    space(ctx, 2);
}

void tlhed8(RunContext& ctx) {
    bool adjusted = ctx.rec01.pass_countdown == 0;
    int c = adjusted ? 45 : 47;
    ioc11(ctx, "LIST OF STATIONS", 19);
    ioc11(ctx, adjusted ? "ADJUSTED" : "HELD FIXED", 36);
    if (ctx.reginf.final_list_number != 0) {
        ioc11(ctx, "IN ORV V", c);
        ioc03(ctx, ctx.reginf.final_list_number, c + 8, 3, 0);
    }
    space(ctx, 2);
    ioc12(ctx, '-', 19, 38);
    space(ctx, 1);
    ioc11(ctx, "STATION", 5);
    if (adjusted) {
        ioc11(ctx, "ADJ. HEIGHT", 46);
        ioc11(ctx, "STD DEV (95%)", 62);
    } else {
        ioc11(ctx, "HEIGHT", 48);
    }
    space(ctx, 2);
    opr10(ctx, 2);
}

void tlhed9(RunContext& ctx) {
    ioc11(ctx, "ADJUSTED ROTATION PARAMETERS", 53);
    space(ctx, 2);
    opr10(ctx, 3);
    opr10(ctx, 3);
    ioc11(ctx, "PROVISIONAL PHI", 10);
    ioc11(ctx, "CORRECTION", 30);
    ioc11(ctx, "ADJUSTED PHI", 45);
    ioc11(ctx, "PROVISIONAL OMEGA", 70);
    ioc11(ctx, "CORRECTION", 90);
    ioc11(ctx, "ADJUSTED OMEGA", 105);
    opr01(ctx);
    opr10(ctx, 2);
}

void tlhed10(RunContext& ctx) {
    ioc11(ctx, "RELATIVE HEIGHT ANALYSIS", 55);
    space(ctx, 2);
    variance_factor_line(ctx);
    ioc11(ctx, "FROM", 10);
    ioc11(ctx, "TO", 45);
    ioc11(ctx, "DISTANCE", 75);
    ioc11(ctx, "STANDARD DEVIATION (95%)", 90);
    ioc11(ctx, "CLASS", 120);
    space(ctx, 2);
}

} // namespace quarlo
