// Field splitting as the comment file and the map import read their lines.

#include "comments/csv_fields.h"

#include <gtest/gtest.h>

namespace vornex {
namespace {

using Fields = std::vector<std::string>;

TEST(CsvSplitFields, QuotesKeepCommasAndStayInTheField) {
    EXPECT_EQ(csv_split_fields("1, \"a, b\", \"\",x\n", 10, false),
              (Fields{"1", "\"a, b\"", "\"\"", "x"}));
    // An unclosed quote keeps the rest of the line in one field up to the line feed.
    EXPECT_EQ(csv_split_fields("a,\"b,c\n", 10, false), (Fields{"a", "\"b,c"}));
}

TEST(CsvSplitFields, OnlyEndedFieldsCount) {
    EXPECT_EQ(csv_split_fields("a,b,c", 10, false), (Fields{"a", "b"}));
    EXPECT_EQ(csv_split_fields("a,b,c\n", 10, false), (Fields{"a", "b", "c"}));
    EXPECT_EQ(csv_split_fields("a,b,\n", 10, false), (Fields{"a", "b", ""}));
    EXPECT_EQ(csv_split_fields("\n", 10, false), (Fields{""}));
    EXPECT_EQ(csv_split_fields("", 10, false), Fields{});
    // Nothing after the line feed belongs to the line.
    EXPECT_EQ(csv_split_fields("a\nb,c\n", 10, false), (Fields{"a"}));
}

TEST(CsvSplitFields, StopsAtTheLargestCount) {
    EXPECT_EQ(csv_split_fields("a,b,c,d\n", 2, false), (Fields{"a", "b"}));
    EXPECT_EQ(csv_split_fields("a,b,c,d\n", 4, false).size(), 4u);
}

TEST(CsvSplitFields, BlanksCarriageReturnsAndTrimming) {
    EXPECT_EQ(csv_split_fields(" \t a b \r\n", 5, false), (Fields{"a b "}));
    EXPECT_EQ(csv_split_fields("a\r,b\r\n", 5, false), (Fields{"a", "b"}));
    EXPECT_EQ(csv_split_fields(" \" x y \" ,\t\"\" ,  TS-01\t\r\n", 5, true),
              (Fields{"x y", "", "TS-01"}));
    // Without trimming, blanks inside the quotes survive.
    EXPECT_EQ(csv_split_fields(" \"  x \"\n", 5, false), (Fields{"\"  x \""}));
}

} // namespace
} // namespace vornex
