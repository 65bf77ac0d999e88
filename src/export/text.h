// Station labels and names as text for the data, map and picture outputs.
// They hold the bytes of the input as read. Valid UTF-8 sequences are kept;
// every byte that is not part of one (a Latin-1 or other 8-bit character,
// a stray continuation byte, an overlong form, a surrogate) becomes U+FFFD,
// the replacement character.
#pragma once

#include "core/run_files.h" // trim_right, for the texts of blank-padded fields

#include <string>
#include <string_view>

namespace quarlo {

std::string valid_utf8(std::string_view bytes);

// Text for HTML and SVG, in element content and in quoted attributes:
// valid UTF-8 with & < > " ' as character references; control characters,
// which HTML does not allow, shown by their Unicode control pictures
// (U+2400 + code, DEL as U+2421), C1 controls as U+FFFD.
std::string html_text(std::string_view bytes);

} // namespace quarlo
