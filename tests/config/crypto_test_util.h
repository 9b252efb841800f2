#pragma once
// Helpers shared by the configuration tests: hexadecimal text and reading what the openssl
// command-line tool (our interop peer) prints; the scratch folder, file and command helpers
// of tests/support.

#include "run_command.h"
#include "scratch_files.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace vornex::test {

using Bytes = std::vector<std::uint8_t>;

Bytes from_hex(std::string_view hex);
std::string to_hex(const std::uint8_t* data, std::size_t length);
template <typename Container>
std::string to_hex(const Container& c) {
    return to_hex(reinterpret_cast<const std::uint8_t*>(c.data()), c.size());
}

// The first lower-case hexadecimal word of `text` after the last "= " or the whole text
// lower-cased and stripped: openssl prints digests in either form.
std::string last_hex_word(const std::string& text);

} // namespace vornex::test
