#include "input/tcntrl.h"

#include "report/iocat3.h"
#include "report/print.h"

namespace quarlo {

namespace {

constexpr const char* kVersionDate = "24-04-2014";

void put_version_date(RunContext& ctx, bool show) {
    for (int i = 0; i < 10; ++i) ctx.ioarea.progid(17 + i) = show ? kVersionDate[i] : ' ';
}

} // namespace

void normalise_zone_columns(FixedText<80>& card) {
    char& c4 = card(4);
    char& c5 = card(5);
    char& c6 = card(6);
    if (c4 == ' ' && c5 != ' ') c4 = '8';
    if (c4 == '6' && c5 != ' ') c4 = ' ';
    if (c6 == ' ') {
        bool c4_blank = c4 == ' ';
        c6 = c5;
        c5 = c4;
        if (!c4_blank) c4 = '8';
    }
}

void tcntrl(RunContext& ctx) {
    auto& card = ctx.ioarea.card;
    auto& opt = ctx.option;
    auto& rec01 = ctx.rec01;

    put_version_date(ctx, true);
    ioc11(ctx, "*** OPTIONS SELECTED ***", 54);
    opr00(ctx, 2);

    // Zone number.
    normalise_zone_columns(card);
    ioc11(ctx, "Zone number is", 54);
    if (card(4) != '8')
        ioc01(ctx, 4, 70, 3);
    else if (card(5) != ' ')
        ioc01(ctx, 5, 70, 2);
    else
        ioc01(ctx, 4, 70, 2);
    ctx.tmvals.zone_code = jio01(ctx, 4, 3);
    if (ctx.ioarea.field_status == 0) ioc11(ctx, "Local system", 74);
    opr00(ctx, 3);
    int zone = ctx.tmvals.zone_code;
    int projection = 1;
    if (zone > 48) projection = 3;
    if (zone > 540) projection = 4;
    if (zone > 700) projection = 5;
    if (zone > 800) projection = 6;
    ctx.numbrs.projection_type = projection;

    // Mean latitude.
    ctx.numbrs.mean_latitude = jio01(ctx, 51, 2);
    if (ctx.numbrs.mean_latitude != 0) {
        ioc11(ctx, "Mean latitude is", 52);
        ioc03(ctx, ctx.numbrs.mean_latitude, 70, 2, 0);
        opr00(ctx, 1);
    }

    // Refraction option.
    opt.refraction_option = jio01(ctx, 8, 1);
    ioc11(ctx, "Refraction option is", 48);
    ioc03(ctx, opt.refraction_option, 70, 1, 0);
    opr00(ctx, 1);

    // (C-O) limits.
    float zlimit = static_cast<float>(eio00(ctx, 12, 4));
    if (zlimit == 0.0f) zlimit = 600.0f;
    rec01.zenith_co_limit = zlimit;
    ioc11(ctx, "Zenith distance (C-O) limit is", 38);
    ioc01(ctx, 12, 70, 4);
    if (zlimit == 600.0f) ioc11(ctx, "600", 70);
    ioc11(ctx, "seconds", 75);
    opr00(ctx, 1);

    float hlimit = static_cast<float>(eio00(ctx, 16, 3));
    if (hlimit == 0.0f) hlimit = 10.0f;
    rec01.height_difference_co_limit = hlimit;
    ioc11(ctx, "Height difference (C-O) limit is", 36);
    ioc01(ctx, 16, 70, 3);
    if (hlimit == 10.0f) ioc11(ctx, "10", 70);
    ioc11(ctx, "metres", 75);
    opr00(ctx, 1);

    // Final-list numbers.
    ctx.reginf.final_list_number = jio01(ctx, 20, 4);
    ctx.reginf.final_list_sub_number = jio01(ctx, 25, 2);

    // Height difference weight factor, kept in tenths of a ppm from its
    // single-precision value.
    float weight = static_cast<float>(eio00(ctx, 28, 3));
    double tenths = static_cast<double>(weight) * 10.0;
    opt.weight_factor = (tenths > -2147483648.0 && tenths < 2147483648.0) ? static_cast<int>(tenths) : 0;
    if (opt.weight_factor != 0) {
        ioc11(ctx, "Height difference weight factor is", 34);
        ioc05(ctx, weight, 70, 4, 1);
        ioc11(ctx, "ppm", 75);
        opr00(ctx, 1);
    }

    // Options read from single columns.
    opt.equation_output = jio01(ctx, 32, 1);
    opt.solution_output = jio01(ctx, 34, 1);

    opt.geoid_model_option = 0;
    if (card(36) != ' ' && ctx.tmvals.zone_code != 0) {
        opt.geoid_model_option = jio01(ctx, 36, 1);
        if (opt.geoid_model_option != 0 && opt.geoid_model_option != 2) {
            ioc11(ctx, "Use of geoid separation model is required", 36);
            opr00(ctx, 1);
        }
    }

    // Refraction.
    float k = static_cast<float>(eio00(ctx, 38, 5));
    if (k == 0.0f) k = 0.065f;
    rec01.default_refraction = k;
    ioc11(ctx, "Default value for refraction is", 37);
    ioc05(ctx, k, 70, 6, 4);
    opr00(ctx, 1);

    float ksd = static_cast<float>(eio00(ctx, 44, 5));
    if (ksd == 0.0f) ksd = 0.01f;
    ioc11(ctx, "Refraction standard deviation is", 36);
    ioc05(ctx, ksd, 70, 6, 4);
    opr00(ctx, 1);
    rec01.refraction_standard_deviation = ksd * 1000.0f;

    // Stage, station file, iterations.
    rec01.required_stage = jio01(ctx, 54, 1);
    if (rec01.required_stage == 0) rec01.required_stage = 1;
    ioc11(ctx, "Required stage of processing is", 37);
    ioc03(ctx, rec01.required_stage, 70, 1, 0);
    opr00(ctx, 1);

    opt.station_file_option = jio01(ctx, 56, 1);

    rec01.iterations_left = jio01(ctx, 58, 1);
    if (rec01.iterations_left == 0) rec01.iterations_left = 1;
    if (rec01.iterations_left != 1) {
        ioc11(ctx, "Number of iterations is", 45);
        ioc03(ctx, rec01.iterations_left, 70, 1, 0);
        opr00(ctx, 1);
    }

    // Analysis option (column 65 counts as column 64).
    if (card(65) != ' ') card(64) = card(65);
    int analysis = jio01(ctx, 64, 1);
    if (analysis != 0) {
        ioc11(ctx, "Analysis option is", 50);
        ioc03(ctx, analysis, 70, 1, 0);
        opr00(ctx, 1);
    }
    opt.run_status = analysis + 1;

    if (opt.equation_output != 0) {
        ioc11(ctx, "Observation equation output is required", 38);
        opr00(ctx, 1);
    }
    if (opt.solution_output != 0) {
        ioc11(ctx, "Normal equation solution output is required", 34);
        opr00(ctx, 1);
    }

    opt.eccentric_data_present = 1;
    opt.banded_inverse_switch = 1;
    opt.precision_option = jio01(ctx, 66, 1);

    // Centring standard deviation, kept in hundredths of a centimetre.
    float centring = static_cast<float>(eio00(ctx, 68, 4));
    if (centring != 0.0f) {
        ioc11(ctx, "Centering standard deviation is", 37);
        ioc05(ctx, centring, 69, 4, 1);
        ioc11(ctx, "centimetres", 74);
        double hundredths = static_cast<double>(centring) * 100.0;
        opt.centring_sd =
            (hundredths > -2147483648.0 && hundredths < 2147483648.0) ? static_cast<int>(hundredths) : 0;
        opr00(ctx, 1);
    } else {
        opt.centring_sd = 0;
    }

    opt.rotation_option = jio01(ctx, 74, 1);
    if (opt.rotation_option > 2) opt.rotation_option = 0;
    if (opt.rotation_option != 0) {
        ioc11(ctx, "Rotation parameters for height differences are included", 23);
        opr00(ctx, 1);
    }

    opt.zenith_distance_switch = jio01(ctx, 76, 1);

    opt.vertical_angle_conversion = jio01(ctx, 78, 1);
    if (opt.vertical_angle_conversion != 0) {
        ioc11(ctx, "Conversion of vertical angle observations is required", 24);
        opr00(ctx, 1);
    }
    opt.refraction_conversion = jio01(ctx, 80, 1);
    if (opt.refraction_conversion != 0) {
        ioc11(ctx, "Conversion of refraction coefficient values is required", 22);
        opr00(ctx, 1);
    }

    float factor = static_cast<float>(eio00(ctx, 60, 3));
    if (factor == 0.0f) {
        rec01.zenith_sd_factor = 1.0f;
    } else {
        rec01.zenith_sd_factor = factor;
        ioc11(ctx, "Zenith distance standard deviation factor is", 24);
        ioc05(ctx, factor, 70, 3, 1);
        opr00(ctx, 1);
    }

    put_version_date(ctx, false);
}

} // namespace quarlo
