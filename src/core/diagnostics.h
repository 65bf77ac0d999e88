// What a run says about its input on standard error, the way compilers
// point at source lines: "<file>:<line>: <message>" for each message the
// run gives about an input record, "<file>:<line>:<column>: warning: ..."
// for input it accepts but that is probably not what was meant, each
// followed by the line as it was read. It also keeps where every station
// and observation record came from, so that later stages can point at it,
// and counts the records the run skipped or left out.
#pragma once

#include <concepts>
#include <cstdint>
#include <iosfwd>
#include <string>
#include <string_view>
#include <vector>

namespace quarlo {

class SeqFile;

// A line of the user's input: its number (from 1) and the offset at which
// it starts, for quoting it. Line 0: the record came from no line of the
// input (the options file's control record, a station of the station file).
// Eight bytes, so that the lines of a whole network are held in one small
// block; a line that starts beyond the first 4 GiB is named, not quoted.
struct SourceLine {
    static constexpr std::uint32_t kNoOffset = 0xFFFFFFFFu;
    std::int32_t line = 0;
    std::uint32_t offset = kNoOffset;
    bool known() const { return line > 0; }
};

// The line read last from a file.
SourceLine last_line(const SeqFile& file);

// A station record and the line it came from; a station that only
// observations name is placed at the first observation that names it.
struct StationSource {
    std::int32_t number = 0;
    SourceLine at;
};

class Diagnostics {
public:
    // Messages and warnings printed in all; the rest are counted.
    static constexpr int kShown = 50;

    // The stream written to (none: nothing is printed, all is counted) and
    // the input file as the messages name it and as it is opened to quote
    // its lines.
    void set_stream(std::ostream* err) { err_ = err; }
    void set_input(std::string name) { input_ = std::move(name); }
    const std::string& input() const { return input_; }

    // Whether a message or warning given now is printed; callers whose text
    // takes work to build give it as a function, built only then.
    bool shows() const { return shown_ < kShown; }

    // "<input>:<line>: <text>", then the line quoted. Without a line:
    // "<input>: <text>". The line's text may be given when it is at hand;
    // otherwise it is read again from the input.
    void message(SourceLine at, std::string_view text, std::string_view line_text = {});
    template <std::invocable Text>
    void message(SourceLine at, Text&& text, std::string_view line_text = {}) {
        if (shows())
            message(at, std::string_view(text()), line_text);
        else
            take(messages_, hidden_messages_);
    }
    // "<file>: <text>": a message about another file of the run.
    void file_message(std::string_view file, std::string_view text);
    // "<input>:<line>:<column>: warning: <text>", the line quoted and a mark
    // under the column.
    void warning(SourceLine at, int column, std::string_view text, std::string_view line_text = {});
    template <std::invocable Text>
    void warning(SourceLine at, int column, Text&& text, std::string_view line_text = {}) {
        if (shows())
            warning(at, column, std::string_view(text()), line_text);
        else
            take(warnings_, hidden_warnings_);
    }

    // An input record that the run skipped or left out of the adjustment.
    void dropped() { ++dropped_; }
    int dropped_count() const { return dropped_; }
    int message_count() const { return messages_; }
    int warning_count() const { return warnings_; }

    // The count of the messages and warnings not printed, after the last.
    void finish(std::string_view report_name);

    // Where the records came from. `converted`: keyword input, line k of the
    // converted file is entry k - 1. `stations`: station record i of the
    // observation work file is entry i - 1 (stations that only observations
    // name follow those of the input). `observations`: observation k (zenith
    // distances, then height differences) is entry k - 1.
    std::vector<SourceLine> converted;
    std::vector<StationSource> stations;
    std::vector<SourceLine> observations;
    // The control record, and the last line of the head of the input (the
    // control record, or the last title record when the options file's
    // control record stands in).
    SourceLine control;
    std::int32_t header_end = 0;

    SourceLine station(int record) const;
    SourceLine observation(int k) const;
    // The first station record of this number; none when there is none.
    SourceLine station_numbered(int number) const;

private:
    // Counts a message or warning; true when it is to be printed.
    bool take(int& count, int& hidden);
    void head(SourceLine at);
    void quote(SourceLine at, std::string_view line_text, int column);

    std::ostream* err_ = nullptr;
    std::string input_;
    int shown_ = 0;
    int messages_ = 0, warnings_ = 0;
    int hidden_messages_ = 0, hidden_warnings_ = 0;
    int dropped_ = 0;
};

// A line of input as it may be shown on a terminal: tabs as "\t", other
// control characters and bytes that are not UTF-8 as "\xHH", cut after
// `limit` characters with "...". `column` (from 1) is turned into the
// position of that column in the shown text (0 when it is beyond it).
std::string visible_text(std::string_view line, std::size_t limit, int* column = nullptr);

// A station's label as the messages name it: in quotes, without its
// trailing blanks.
std::string quoted_label(std::string_view label);

// A message of the report as standard error gives it: without the
// asterisks that frame it on the page ("*** (C-O) VALUE TOO LARGE ***").
std::string_view report_message_text(std::string_view message);

// The text of a line of a file that starts at `offset`, without its line
// end; empty when it cannot be read.
std::string line_at(const std::string& path, std::uint32_t offset);

} // namespace quarlo
