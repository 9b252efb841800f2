// Field splitting as the comment file and the map import read their lines.

#include "comments/csv_fields.h"

#include <gtest/gtest.h>

namespace vornex {
namespace {

TEST(CsvSplitFields, OnlyEndedFieldsCountUpToTheLargestCount) {
    const struct {
        const char* line;
        std::size_t most;
        bool trim;
        std::vector<std::string> fields;
    } cases[] = {
        // Quotes keep commas and stay in the field; an unclosed one runs to the line feed.
        {"1, \"a, b\", \"\",x\n", 10, false, {"1", "\"a, b\"", "\"\"", "x"}},
        {"a,\"b,c\n", 10, false, {"a", "\"b,c"}},
        // A field counts once a comma or the line feed ends it; nothing after the line feed.
        {"a,b,c", 10, false, {"a", "b"}},
        {"a,b,c\n", 10, false, {"a", "b", "c"}},
        {"a,b,\n", 10, false, {"a", "b", ""}},
        {"\n", 10, false, {""}},
        {"", 10, false, {}},
        {"a\nb,c\n", 10, false, {"a"}},
        {"a,b,c,d\n", 2, false, {"a", "b"}},
        {"a,b,c,d\n", 4, false, {"a", "b", "c", "d"}},
        // Leading blanks and carriage returns go; trimming takes the quotes and their blanks.
        {" \t a b \r\n", 5, false, {"a b "}},
        {"a\r,b\r\n", 5, false, {"a", "b"}},
        {" \" x y \" ,\t\"\" ,  TS-01\t\r\n", 5, true, {"x y", "", "TS-01"}},
        {" \"  x \"\n", 5, false, {"\"  x \""}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(csv_split_fields(c.line, c.most, c.trim), c.fields) << c.line;
}

} // namespace
} // namespace vornex
