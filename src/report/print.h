// The print engine: the 132-column print line, pagination, the five-line page
// heading and the section headings selected by name.
#pragma once

#include "core/context.h"

#include <string_view>

namespace quarlo {

constexpr std::string_view kOrganisation = "TARNWELD";

void set01(RunContext& ctx);
void set02(RunContext& ctx, std::string_view progid, std::string_view title);
// flag != 0: store the section heading name; flag == 0: print that heading.
void set03(RunContext& ctx, std::string_view name, int flag);
void opr00(RunContext& ctx, int n);
void opr01(RunContext& ctx);
void opr10(RunContext& ctx, int n);
void set04(RunContext& ctx, int n);
void set09(RunContext& ctx);
void set99(RunContext& ctx);
void savepr(const RunContext& ctx, FixedText<132>& buffer);
void restpr(RunContext& ctx, const FixedText<132>& buffer);
void blnkpr(RunContext& ctx);

// Section headings of the print engine itself.
void nought(RunContext& ctx);
void prhead(RunContext& ctx);
void obshd3(RunContext& ctx);

// Starts a section: selects its heading and forces a new page at the next
// spaced print.
void begin_section(RunContext& ctx, std::string_view name);

} // namespace quarlo
