#include "input/tcntrl.h"

#include "input/record_layout.h"
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
    using namespace record::control;
    auto& card = ctx.ioarea.card;
    FieldReader fields(ctx);
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
    ctx.tmvals.zone_code = fields.integer(kZone);
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
    ctx.numbrs.mean_latitude = fields.integer(kMeanLatitude);
    if (ctx.numbrs.mean_latitude != 0) {
        ioc11(ctx, "Mean latitude is", 52);
        ioc03(ctx, ctx.numbrs.mean_latitude, 70, 2, 0);
        opr00(ctx, 1);
    }

    // Refraction option.
    opt.refraction_option = fields.integer(kRefractionOption);
    ioc11(ctx, "Refraction option is", 48);
    ioc03(ctx, opt.refraction_option, 70, 1, 0);
    opr00(ctx, 1);

    // (C-O) limits.
    float zlimit = fields.real32(kZenithLimit);
    if (zlimit == 0.0f) zlimit = 600.0f;
    rec01.zenith_co_limit = zlimit;
    ioc11(ctx, "Zenith distance (C-O) limit is", 38);
    ioc01(ctx, kZenithLimit.col, 70, kZenithLimit.width);
    if (zlimit == 600.0f) ioc11(ctx, "600", 70);
    ioc11(ctx, "seconds", 75);
    opr00(ctx, 1);

    float hlimit = fields.real32(kHeightLimit);
    if (hlimit == 0.0f) hlimit = 10.0f;
    rec01.height_difference_co_limit = hlimit;
    ioc11(ctx, "Height difference (C-O) limit is", 36);
    ioc01(ctx, kHeightLimit.col, 70, kHeightLimit.width);
    if (hlimit == 10.0f) ioc11(ctx, "10", 70);
    ioc11(ctx, "metres", 75);
    opr00(ctx, 1);

    // Final-list numbers.
    ctx.reginf.final_list_number = fields.integer(kListNumber);
    ctx.reginf.final_list_sub_number = fields.integer(kListSubNumber);

    // Height difference weight factor, kept in tenths of a ppm from its
    // single-precision value.
    float weight = fields.real32(kWeightFactor);
    double tenths = static_cast<double>(weight) * 10.0;
    opt.weight_factor = (tenths > -2147483648.0 && tenths < 2147483648.0) ? static_cast<int>(tenths) : 0;
    if (opt.weight_factor != 0) {
        ioc11(ctx, "Height difference weight factor is", 34);
        ioc05(ctx, weight, 70, 4, 1);
        ioc11(ctx, "ppm", 75);
        opr00(ctx, 1);
    }

    // Options read from single columns.
    opt.equation_output = fields.integer(kEquationOutput);
    opt.solution_output = fields.integer(kSolutionOutput);

    opt.geoid_model_option = 0;
    if (card(kGeoidModel.col) != ' ' && ctx.tmvals.zone_code != 0) {
        opt.geoid_model_option = fields.integer(kGeoidModel);
        if (opt.geoid_model_option != 0 && opt.geoid_model_option != 2) {
            ioc11(ctx, "Use of geoid separation model is required", 36);
            opr00(ctx, 1);
        }
    }

    // Refraction.
    float k = fields.real32(kRefraction);
    if (k == 0.0f) k = 0.065f;
    rec01.default_refraction = k;
    ioc11(ctx, "Default value for refraction is", 37);
    ioc05(ctx, k, 70, 6, 4);
    opr00(ctx, 1);

    float ksd = fields.real32(kRefractionSd);
    if (ksd == 0.0f) ksd = 0.01f;
    ioc11(ctx, "Refraction standard deviation is", 36);
    ioc05(ctx, ksd, 70, 6, 4);
    opr00(ctx, 1);
    rec01.refraction_standard_deviation = ksd * 1000.0f;

    // Stage, station file, iterations.
    rec01.required_stage = fields.integer(kStage);
    if (rec01.required_stage == 0) rec01.required_stage = 1;
    ioc11(ctx, "Required stage of processing is", 37);
    ioc03(ctx, rec01.required_stage, 70, 1, 0);
    opr00(ctx, 1);

    opt.station_file_option = fields.integer(kStationFile);

    rec01.iterations_left = fields.integer(kIterations);
    if (rec01.iterations_left == 0) rec01.iterations_left = 1;
    if (rec01.iterations_left != 1) {
        ioc11(ctx, "Number of iterations is", 45);
        ioc03(ctx, rec01.iterations_left, 70, 1, 0);
        opr00(ctx, 1);
    }

    // Analysis option (column 65 counts as column 64).
    if (card(kAnalysisAlternative.col) != ' ') card(kAnalysis.col) = card(kAnalysisAlternative.col);
    int analysis = fields.integer(kAnalysis);
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
    opt.precision_option = fields.integer(kPrecision);

    // Centring standard deviation, kept in hundredths of a centimetre.
    float centring = fields.real32(kCentring);
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

    opt.rotation_option = fields.integer(kRotation);
    if (opt.rotation_option > 2) opt.rotation_option = 0;
    if (opt.rotation_option != 0) {
        ioc11(ctx, "Rotation parameters for height differences are included", 23);
        opr00(ctx, 1);
    }

    opt.zenith_distance_switch = fields.integer(kZenithFile);

    opt.vertical_angle_conversion = fields.integer(kVerticalAngles);
    if (opt.vertical_angle_conversion != 0) {
        ioc11(ctx, "Conversion of vertical angle observations is required", 24);
        opr00(ctx, 1);
    }
    opt.refraction_conversion = fields.integer(kHalveK);
    if (opt.refraction_conversion != 0) {
        ioc11(ctx, "Conversion of refraction coefficient values is required", 22);
        opr00(ctx, 1);
    }

    float factor = fields.real32(kZenithSdFactor);
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
