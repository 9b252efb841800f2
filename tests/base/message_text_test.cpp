#include "base/message_text.h"

#include <gtest/gtest.h>
#include <string>

namespace vornex {
namespace {

struct MarkCase {
    std::string text;
    MessageKind kind;
    bool beep;
    std::string title;
};

class KindMarks : public ::testing::TestWithParam<MarkCase> {};

TEST_P(KindMarks, SelectIconBeepAndTitle) {
    const MarkCase& c = GetParam();
    const ParsedMessage m = parse_message(c.text);
    EXPECT_EQ(m.kind, c.kind);
    EXPECT_EQ(m.beep, c.beep);
    EXPECT_EQ(m.title, c.title);
}

INSTANTIATE_TEST_SUITE_P(
    EveryMark, KindMarks,
    ::testing::Values(MarkCase{"!Plain\nx", MessageKind::exclamation, false, "Plain"},
                      MarkCase{"!!Double\nx", MessageKind::exclamation, true, "Double"},
                      MarkCase{"*Info\nx", MessageKind::information, false, "Info"},
                      MarkCase{"**Warn\nx", MessageKind::information, true, "Warn"},
                      MarkCase{"?Ask\nx", MessageKind::question, false, "Ask"},
                      MarkCase{"??Ask\nx", MessageKind::question, true, "Ask"},
                      MarkCase{"|Stop\nx", MessageKind::stop, false, "Stop"},
                      MarkCase{"||Auth\nx", MessageKind::stop, true, "Auth"},
                      // Only a repeat of the same mark beeps; the second mark is title text.
                      MarkCase{"!*Star", MessageKind::exclamation, false, "*Star"},
                      MarkCase{"|!x", MessageKind::stop, false, "!x"},
                      // A third mark is not consumed.
                      MarkCase{"!!!Three", MessageKind::exclamation, true, "!Three"},
                      MarkCase{"Confirm Exit\r\n", MessageKind::none, false, "Confirm Exit\r"},
                      MarkCase{"#Other", MessageKind::none, false, "#Other"},
                      MarkCase{"!", MessageKind::exclamation, false, ""},
                      MarkCase{"!!", MessageKind::exclamation, true, ""},
                      MarkCase{"", MessageKind::none, false, ""}));

// How the first line splits off: the title keeps a CR before the LF, is cut to 79
// characters (the CR then falls beyond the cut), and the body starts at the first LF.
TEST(MessageText, TitleAndBodySplit) {
    const struct {
        std::string text, title, body;
    } cases[] = {
        {"!!Read Error\r\n\r\n\r\nError reading file C:\\a.csv\r\n\r\nNo such file", "Read Error\r",
         "\n\r\n\r\nError reading file C:\\a.csv\r\n\r\nNo such file"},
        {"!!" + std::string(100, 'T') + "\r\nbody", std::string(79, 'T'), "\nbody"},
        {std::string(79, 'a') + "\r\nb", std::string(79, 'a'), "\nb"},
        {std::string(78, 'a') + "\r\nb", std::string(78, 'a') + "\r", "\nb"},
        {"**Just a title", "Just a title", ""},
        {"A\nB\nC", "A", "\nB\nC"},
        {"\nBody only", "", "\nBody only"},
    };
    for (const auto& c : cases) {
        const ParsedMessage m = parse_message(c.text);
        EXPECT_EQ(m.title, c.title) << c.text;
        EXPECT_EQ(m.body, c.body) << c.text;
    }
}

// The presenter test cuts every routine's long text; here a text that just fits, and the
// printf conventions the texts rely on.
TEST(MessageFormat, CutsAtBufferSizeMinusOneAndFollowsPrintf) {
    EXPECT_EQ(format_message(box_buffer_size, "%s", std::string(253, 'y').c_str()),
              std::string(253, 'y'));
    EXPECT_EQ(format_message(8, "abc%d", 123456), "abc1234");
    EXPECT_EQ(format_message(0, "anything"), "");
    EXPECT_EQ(format_message(dialog_buffer_size, "Device returned %d fields (%s) %5.1f%%", 4, "ok",
                             12.25),
              "Device returned 4 fields (ok)  12.2%");
}

} // namespace
} // namespace vornex
