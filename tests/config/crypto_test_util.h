#pragma once
// Helpers shared by the configuration tests: hexadecimal text, running the openssl command-line
// tool (our interop peer); the scratch folder and file helpers of tests/support.

#include "scratch_files.h"

#include <cstdint>
#include <filesystem>
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

// Runs a shell command; returns its standard output, and its exit status in `status`.
std::string run_command(const std::string& command, int* status = nullptr);
// The first lower-case hexadecimal word of `text` after the last "= " or the whole text
// lower-cased and stripped: openssl prints digests in either form.
std::string last_hex_word(const std::string& text);

} // namespace vornex::test
