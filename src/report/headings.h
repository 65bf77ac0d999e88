// Section headings printed at the top of each page of a report section.
#pragma once

#include "core/context.h"

namespace quarlo {

void tgridhd(RunContext& ctx); // grid description line
void tlhed1(RunContext& ctx);  // list of stations
void tlhed2(RunContext& ctx);  // zenith distance observations
void tlhed3(RunContext& ctx);  // list of corrections
void tlhed4(RunContext& ctx);  // list of residuals
void tlhed5(RunContext& ctx);  // adjusted values
void tlhed6(RunContext& ctx);  // height difference observations
void tlhed7(RunContext& ctx);  // precision analysis
void tlhed8(RunContext& ctx);  // station lists
void tlhed9(RunContext& ctx);  // adjusted rotation parameters
void tlhed10(RunContext& ctx); // relative height analysis

} // namespace quarlo
