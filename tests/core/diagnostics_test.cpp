// A line of input as the messages quote it: control characters and bytes
// that are not UTF-8 made visible, the mark of a column placed under the
// character that holds it.
#include "core/diagnostics.h"

#include <gtest/gtest.h>

#include <string>

namespace quarlo {
namespace {

TEST(QuotedLine, ControlCharactersAreShownAndTheMarkFollowsThem) {
    struct Row {
        std::string line;
        int column;        // of the input line
        std::string shown;
        int place;         // of the mark on the screen; 0: none
    };
    const Row rows[] = {
        {"24    1   2", 9, "24    1   2", 9},
        // A tab takes two places when shown: the columns after it move on.
        {"24\t1   2", 8, "24\\t1   2", 9},
        {std::string("a\0b", 3) + "\x01\x7f", 4, "a\\x00b\\x01\\x7F", 7},
        // UTF-8 stays (two bytes, two columns, one place on the screen);
        // a lone byte of another code and a C1 control do not.
        {"M\xc3\xbcller X", 8, "M\xc3\xbcller X", 7},
        {"Gr\xfcn", 4, "Gr\\xFCn", 7},
        {"a\xc2\x85z", 4, "a\\xC2\\x85z", 10},
        // A column beyond the line has no place.
        {"short", 9, "short", 0},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.shown);
        int place = r.column;
        EXPECT_EQ(visible_text(r.line, 132, &place), r.shown);
        EXPECT_EQ(place, r.place);
    }
    EXPECT_EQ(visible_text(std::string(140, 'x'), 132), std::string(132, 'x') + "...");
}

TEST(QuotedLine, ReportMessagesLoseTheirFrame) {
    EXPECT_EQ(report_message_text("*** (C-O) VALUE TOO LARGE ***"), "(C-O) VALUE TOO LARGE");
    EXPECT_EQ(report_message_text("*** NO ECCENTRIC DATA ON FILE FOR OCCUPIED STATION **"),
              "NO ECCENTRIC DATA ON FILE FOR OCCUPIED STATION");
    EXPECT_EQ(report_message_text("*** RECIPROCAL OBSERVATION NOT INCLUDED - \"S\" IGNORED  ***"),
              "RECIPROCAL OBSERVATION NOT INCLUDED - \"S\" IGNORED");
}

} // namespace
} // namespace quarlo
