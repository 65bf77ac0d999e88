#include "export/text.h"

#include <cstdint>

namespace quarlo {

namespace {

constexpr std::uint32_t kReplacement = 0xFFFD;

void append_code_point(std::string& out, std::uint32_t c) {
    if (c < 0x80) {
        out += static_cast<char>(c);
    } else if (c < 0x800) {
        out += static_cast<char>(0xC0 | (c >> 6));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        out += static_cast<char>(0xE0 | (c >> 12));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (c >> 18));
        out += static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (c & 0x3F));
    }
}

// Decodes the sequence at bytes[i]: its code point and length, or length 0
// when the byte does not start a valid, shortest-form sequence.
std::size_t decode(std::string_view bytes, std::size_t i, std::uint32_t& c) {
    const auto b = [&](std::size_t k) { return static_cast<std::uint8_t>(bytes[k]); };
    const std::uint8_t lead = b(i);
    if (lead < 0x80) {
        c = lead;
        return 1;
    }
    std::size_t length;
    std::uint32_t minimum;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        minimum = 0x80;
        c = lead & 0x1F;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        minimum = 0x800;
        c = lead & 0x0F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        minimum = 0x10000;
        c = lead & 0x07;
    } else {
        return 0;
    }
    if (i + length > bytes.size()) return 0;
    for (std::size_t k = 1; k < length; ++k) {
        if ((b(i + k) & 0xC0) != 0x80) return 0;
        c = (c << 6) | (b(i + k) & 0x3F);
    }
    if (c < minimum || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF)) return 0;
    return length;
}

// Calls f(code point) for each character, U+FFFD for each invalid byte.
template <typename F>
void for_each_code_point(std::string_view bytes, F f) {
    for (std::size_t i = 0; i < bytes.size();) {
        std::uint32_t c = 0;
        std::size_t length = decode(bytes, i, c);
        if (length == 0) {
            c = kReplacement;
            length = 1;
        }
        f(c);
        i += length;
    }
}

} // namespace

std::string valid_utf8(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for_each_code_point(bytes, [&](std::uint32_t c) { append_code_point(out, c); });
    return out;
}

std::string html_text(std::string_view bytes) {
    std::string out;
    out.reserve(bytes.size());
    for_each_code_point(bytes, [&](std::uint32_t c) {
        switch (c) {
        case '&': out += "&amp;"; return;
        case '<': out += "&lt;"; return;
        case '>': out += "&gt;"; return;
        case '"': out += "&quot;"; return;
        case '\'': out += "&#39;"; return;
        default: break;
        }
        if (c < 0x20)
            append_code_point(out, 0x2400 + c);
        else if (c == 0x7F)
            append_code_point(out, 0x2421);
        else if (c >= 0x80 && c <= 0x9F)
            append_code_point(out, kReplacement);
        else
            append_code_point(out, c);
    });
    return out;
}

} // namespace quarlo
