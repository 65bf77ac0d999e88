#include "core/diagnostics.h"

#include "core/workfile.h"

#include <cstdio>
#include <ostream>

namespace quarlo {

namespace {

// Characters of a quoted line shown at most; the records are 80 or 105
// columns wide.
constexpr std::size_t kQuoteLimit = 132;
constexpr const char* kIndent = "    ";

// Length of the UTF-8 sequence that starts at s[i], or 0 when the bytes
// there are no valid character (or a control character of the range
// U+0080 to U+009F, which terminals act on).
std::size_t utf8_length(std::string_view s, std::size_t i) {
    const auto b = static_cast<unsigned char>(s[i]);
    std::size_t n = b >= 0xF0 && b <= 0xF4 ? 4 : b >= 0xE0 ? 3 : b >= 0xC2 && b < 0xE0 ? 2 : 0;
    if (n == 0 || i + n > s.size()) return 0;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 0;
    if (b == 0xC2 && static_cast<unsigned char>(s[i + 1]) < 0xA0) return 0;
    return n;
}

} // namespace

std::string visible_text(std::string_view line, std::size_t limit, int* column) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string out;
    out.reserve(line.size() + 8);
    std::size_t cells = 0;
    const int wanted = column ? *column : 0;
    if (column) *column = 0;
    std::size_t i = 0;
    while (i < line.size()) {
        if (cells >= limit) {
            out += "...";
            break;
        }
        const auto c = static_cast<unsigned char>(line[i]);
        std::size_t bytes = 1;
        if (column && *column == 0 && static_cast<int>(i) + 1 >= wanted) *column = static_cast<int>(out.size()) + 1;
        if (c == '\t') {
            out += "\\t";
        } else if (c < 0x20 || c == 0x7F) {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        } else if (c < 0x80) {
            out += static_cast<char>(c);
        } else if (std::size_t n = utf8_length(line, i); n > 0) {
            out.append(line.substr(i, n));
            bytes = n;
        } else {
            out += "\\x";
            out += kHex[c >> 4];
            out += kHex[c & 15];
        }
        i += bytes;
        ++cells;
    }
    // The mark goes under the character that holds the column; multi-byte
    // characters take one place on the screen.
    if (column && *column > 0) {
        int shown = 0;
        for (int k = 0; k < *column - 1; ++k)
            if ((static_cast<unsigned char>(out[static_cast<std::size_t>(k)]) & 0xC0) != 0x80) ++shown;
        *column = shown + 1;
    }
    return out;
}

std::string quoted_label(std::string_view label) {
    std::string_view kept = label.substr(0, label.find_last_not_of(' ') + 1);
    std::string out;
    out.reserve(kept.size() + 2);
    out += '\'';
    out += kept;
    out += '\'';
    return out;
}

std::string_view report_message_text(std::string_view message) {
    std::size_t first = message.find_first_not_of("* ");
    std::size_t last = message.find_last_not_of("* ");
    if (first == std::string_view::npos) return {};
    return message.substr(first, last - first + 1);
}

SourceLine last_line(const SeqFile& file) {
    const long start = file.line_start();
    const bool fits = start >= 0 && static_cast<unsigned long>(start) < SourceLine::kNoOffset;
    return SourceLine{file.line_number(), fits ? static_cast<std::uint32_t>(start) : SourceLine::kNoOffset};
}

std::string line_at(const std::string& path, std::uint32_t offset) {
    std::string line;
    if (offset == SourceLine::kNoOffset) return line;
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return line;
    if (std::fseek(f, static_cast<long>(offset), SEEK_SET) == 0) {
        int c;
        while ((c = std::getc(f)) != EOF && c != '\n' && line.size() < 4 * kQuoteLimit) line.push_back(static_cast<char>(c));
        if (!line.empty() && line.back() == '\r') line.pop_back();
    }
    std::fclose(f);
    return line;
}

void Diagnostics::head(SourceLine at) {
    *err_ << input_;
    if (at.known()) *err_ << ':' << at.line;
}

void Diagnostics::quote(SourceLine at, std::string_view line_text, int column) {
    std::string read;
    if (line_text.empty() && at.known()) {
        read = line_at(input_, at.offset);
        line_text = read;
    }
    if (line_text.find_first_not_of(' ') == std::string_view::npos) return;
    int place = column;
    *err_ << kIndent << visible_text(line_text, kQuoteLimit, column > 0 ? &place : nullptr) << '\n';
    if (column > 0 && place > 0) *err_ << kIndent << std::string(static_cast<std::size_t>(place - 1), ' ') << "^\n";
}

bool Diagnostics::take(int& count, int& hidden) {
    ++count;
    if (!shows()) {
        ++hidden;
        return false;
    }
    ++shown_;
    return err_ != nullptr;
}

void Diagnostics::message(SourceLine at, std::string_view text, std::string_view line_text) {
    if (!take(messages_, hidden_messages_)) return;
    head(at);
    *err_ << ": " << text << '\n';
    quote(at, line_text, 0);
}

void Diagnostics::file_message(std::string_view file, std::string_view text) {
    if (!take(messages_, hidden_messages_)) return;
    *err_ << file << ": " << text << '\n';
}

void Diagnostics::warning(SourceLine at, int column, std::string_view text, std::string_view line_text) {
    if (!take(warnings_, hidden_warnings_)) return;
    head(at);
    if (at.known() && column > 0) *err_ << ':' << column;
    *err_ << ": warning: " << text << '\n';
    quote(at, line_text, at.known() ? column : 0);
}

void Diagnostics::finish(std::string_view report_name) {
    if (!err_ || (hidden_messages_ == 0 && hidden_warnings_ == 0)) return;
    *err_ << input_ << ": ";
    if (hidden_messages_ > 0) *err_ << hidden_messages_ << (hidden_messages_ == 1 ? " more message" : " more messages");
    if (hidden_messages_ > 0 && hidden_warnings_ > 0) *err_ << " and ";
    if (hidden_warnings_ > 0) *err_ << hidden_warnings_ << (hidden_warnings_ == 1 ? " more warning" : " more warnings");
    *err_ << " not shown";
    if (hidden_messages_ > 0 && !report_name.empty()) *err_ << "; see also the report " << report_name;
    *err_ << '\n' << std::flush;
}

SourceLine Diagnostics::station(int record) const {
    if (record < 1 || static_cast<std::size_t>(record) > stations.size()) return {};
    return stations[static_cast<std::size_t>(record - 1)].at;
}

SourceLine Diagnostics::observation(int k) const {
    if (k < 1 || static_cast<std::size_t>(k) > observations.size()) return {};
    return observations[static_cast<std::size_t>(k - 1)];
}

SourceLine Diagnostics::station_numbered(int number) const {
    for (const StationSource& s : stations)
        if (s.number == number) return s.at;
    return {};
}

} // namespace quarlo
