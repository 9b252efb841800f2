#include "base/message_text.h"

#include <gtest/gtest.h>
#include <string>

namespace vornex {
namespace {

// The mark picks the kind, a repeated mark the beep. The title keeps a CR before the LF, is
// cut to 79 characters (the CR then falls beyond the cut), and the body starts at the first LF.
TEST(MessageText, MarksTitleAndBody) {
    using enum MessageKind;
    const struct {
        std::string text;
        MessageKind kind;
        bool beep;
        std::string title, body;
    } cases[] = {
        {"!Plain\nx", exclamation, false, "Plain", "\nx"},
        {"!!Double", exclamation, true, "Double", ""},
        {"*Info", information, false, "Info", ""},
        {"**Warn", information, true, "Warn", ""},
        {"?Ask", question, false, "Ask", ""},
        {"??Ask", question, true, "Ask", ""},
        {"|Stop", stop, false, "Stop", ""},
        {"||Auth", stop, true, "Auth", ""},
        // Only a repeat of the same mark beeps; the second mark is title text.
        {"!*Star", exclamation, false, "*Star", ""},
        {"|!x", stop, false, "!x", ""},
        {"!!!Three", exclamation, true, "!Three", ""}, // a third mark is not consumed
        {"#Other", none, false, "#Other", ""},
        {"!", exclamation, false, "", ""},
        {"!!", exclamation, true, "", ""},
        {"", none, false, "", ""},
        {"!!Read Error\r\n\r\n\r\nError reading file C:\\a.csv\r\n\r\nNo such file", exclamation,
         true, "Read Error\r", "\n\r\n\r\nError reading file C:\\a.csv\r\n\r\nNo such file"},
        {"!!" + std::string(100, 'T') + "\r\nbody", exclamation, true, std::string(79, 'T'),
         "\nbody"},
        {std::string(79, 'a') + "\r\nb", none, false, std::string(79, 'a'), "\nb"},
        {std::string(78, 'a') + "\r\nb", none, false, std::string(78, 'a') + "\r", "\nb"},
        {"A\nB\nC", none, false, "A", "\nB\nC"},
        {"\nBody only", none, false, "", "\nBody only"},
    };
    for (const auto& c : cases) {
        const ParsedMessage m = parse_message(c.text);
        EXPECT_EQ(m.kind, c.kind) << c.text;
        EXPECT_EQ(m.beep, c.beep) << c.text;
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
