#pragma once
// Helpers shared by the configuration tests: hexadecimal text, running the openssl command-line
// tool (our interop peer), a scripted password prompt; the scratch folder and file helpers of
// tests/support.

#include "config/password_prompt.h"
#include "scratch_files.h"

#include <cstdint>
#include <deque>
#include <filesystem>
#include <optional>
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

// Answers the configuration password prompt from a script and keeps the files asked for;
// an empty script answers "cancelled".
struct ScriptedPrompt : PasswordPrompt {
    std::deque<std::optional<std::string>> answers;
    std::vector<std::filesystem::path> asked_for;
    std::optional<std::string> ask_config_password(OwnerWindow,
                                                   const std::filesystem::path& file) override {
        asked_for.push_back(file);
        if (answers.empty()) {
            return std::nullopt;
        }
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

} // namespace vornex::test
