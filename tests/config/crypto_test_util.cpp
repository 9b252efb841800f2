#include "crypto_test_util.h"

#include <cctype>

namespace vornex::test {

Bytes from_hex(std::string_view hex) {
    Bytes out;
    for (std::size_t i = 0; i + 1 < hex.size(); i += 2)
        out.push_back(
            static_cast<std::uint8_t>(std::stoi(std::string(hex.substr(i, 2)), nullptr, 16)));
    return out;
}

std::string to_hex(const std::uint8_t* data, std::size_t length) {
    static const char digits[] = "0123456789abcdef";
    std::string out;
    for (std::size_t i = 0; i < length; ++i) {
        out += digits[data[i] >> 4];
        out += digits[data[i] & 15];
    }
    return out;
}

std::string last_hex_word(const std::string& text) {
    std::size_t start = text.rfind("= ");
    start = start == std::string::npos ? 0 : start + 2;
    std::string out;
    for (std::size_t i = start;
         i < text.size() && std::isxdigit(static_cast<unsigned char>(text[i])); ++i) {
        out += static_cast<char>(std::tolower(static_cast<unsigned char>(text[i])));
    }
    return out;
}

} // namespace vornex::test
