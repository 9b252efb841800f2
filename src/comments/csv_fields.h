#pragma once
// Splitting one line of a comma-separated file into fields, shared by the map import and
// the comment file reader so that both read quoted fields the same way.

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace vornex {

// Splits `line` at commas outside double quotes and at the line feed. A double quote
// switches between inside and outside quotes and stays part of the field; carriage returns
// are dropped; blanks and tabs at the start of a field are skipped. With `trim`, double
// quotes, blanks and tabs are also removed from both ends of each field. A field counts only
// when a comma or a line feed ends it, so text after the last comma of a line without a line
// feed is not a field. At most `max_fields` fields are returned; the result's size is the count.
std::vector<std::string> csv_split_fields(std::string_view line, std::size_t max_fields, bool trim);

} // namespace vornex
