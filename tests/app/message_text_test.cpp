#include "app/message_text.h"

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

TEST(MessageText, ReadErrorKeepsBlankLinesAtTopOfBody) {
    const ParsedMessage m = parse_message(
        "!!Read Error\r\n\r\n\r\nError reading file C:\\a.csv\r\n\r\nNo such file or directory");
    EXPECT_EQ(m.kind, MessageKind::exclamation);
    EXPECT_TRUE(m.beep);
    EXPECT_EQ(m.title, "Read Error\r");
    EXPECT_EQ(m.body, "\n\r\n\r\nError reading file C:\\a.csv\r\n\r\nNo such file or directory");
}

TEST(MessageText, PlainErrorHasNoBeep) {
    const ParsedMessage m = parse_message("!Error\r\n\r\n\r\n\r\nPlease select a device.");
    EXPECT_EQ(m.kind, MessageKind::exclamation);
    EXPECT_FALSE(m.beep);
    EXPECT_EQ(m.title, "Error\r");
    EXPECT_EQ(m.body, "\n\r\n\r\n\r\nPlease select a device.");
}

TEST(MessageText, UnmarkedConfirmation) {
    const ParsedMessage m =
        parse_message("Confirm Exit\r\n\r\nChanges have not been stored.\r\n\r\nConfirm Exit?");
    EXPECT_EQ(m.kind, MessageKind::none);
    EXPECT_FALSE(m.beep);
    EXPECT_EQ(m.title, "Confirm Exit\r");
}

TEST(MessageText, LongFirstLineIsCutTo79) {
    const std::string line(100, 'T');
    const ParsedMessage m = parse_message("!!" + line + "\r\nbody");
    EXPECT_EQ(m.title, std::string(79, 'T'));
    EXPECT_EQ(m.body, "\nbody");

    // The CR falls beyond the cut only when the line is longer than 79.
    const ParsedMessage exact = parse_message(std::string(79, 'a') + "\r\nb");
    EXPECT_EQ(exact.title, std::string(79, 'a'));
    const ParsedMessage shorter = parse_message(std::string(78, 'a') + "\r\nb");
    EXPECT_EQ(shorter.title, std::string(78, 'a') + "\r");
}

TEST(MessageText, NoLineFeedMeansTitleOnly) {
    const ParsedMessage m = parse_message("**Just a title");
    EXPECT_EQ(m.title, "Just a title");
    EXPECT_TRUE(m.body.empty());
}

TEST(MessageText, BodyStartsWithFirstLineFeedOnly) {
    const ParsedMessage m = parse_message("A\nB\nC");
    EXPECT_EQ(m.title, "A");
    EXPECT_EQ(m.body, "\nB\nC");
    const ParsedMessage lead = parse_message("\nBody only");
    EXPECT_EQ(lead.title, "");
    EXPECT_EQ(lead.body, "\nBody only");
}

TEST(MessageFormat, CutsAtBufferSizeMinusOne) {
    const std::string long_text(2000, 'x');
    EXPECT_EQ(format_message(dialog_buffer_size, "%s", long_text.c_str()).size(), 1023u);
    EXPECT_EQ(format_message(box_buffer_size, "%s", long_text.c_str()).size(), 253u);
    EXPECT_EQ(format_message(box_buffer_size, "%s", std::string(253, 'y').c_str()),
              std::string(253, 'y'));
    EXPECT_EQ(format_message(8, "abc%d", 123456), "abc1234");
}

TEST(MessageFormat, PrintfConventions) {
    EXPECT_EQ(format_message(dialog_buffer_size, "Device returned %d fields (%s) %5.1f%%", 4, "ok",
                             12.25),
              "Device returned 4 fields (ok)  12.2%");
    EXPECT_EQ(format_message(1, "anything"), "");
    EXPECT_EQ(format_message(0, "anything"), "");
}

} // namespace
} // namespace vornex
