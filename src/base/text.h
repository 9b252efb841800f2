#pragma once
// The few rules about texts and paths that every layer shares.

#include <algorithm>
#include <cctype>
#include <cstddef>
#include <string_view>

namespace vornex {

// The longest path the program keeps, in characters (the platform's classic limit less the
// terminator): device files, comment files, settings and served files alike.
inline constexpr std::size_t path_max_length = 259;

// Equal letter for letter, ASCII case ignored (names in map files, TFTP options).
inline bool equal_ignoring_case(std::string_view a, std::string_view b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x)) ==
                      std::tolower(static_cast<unsigned char>(y));
           });
}

} // namespace vornex
