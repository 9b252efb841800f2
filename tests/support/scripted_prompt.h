#pragma once
// Answers the configuration password prompt from a script and keeps the files asked for;
// an empty script answers "cancelled".

#include "config/password_prompt.h"

#include <deque>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace vornex::test {

struct ScriptedPrompt : PasswordPrompt {
    std::deque<std::optional<std::string>> answers;
    std::vector<std::filesystem::path> asked_for;
    std::optional<std::string> ask_config_password(OwnerWindow,
                                                   const std::filesystem::path& file) override {
        asked_for.push_back(file);
        if (answers.empty())
            return std::nullopt;
        auto answer = answers.front();
        answers.pop_front();
        return answer;
    }
};

} // namespace vornex::test
