#pragma once
// A FileChooser for tests: answers open and save alike from a script, in order, and keeps
// every request it was given. An empty script answers "cancelled".

#include "base/file_chooser.h"

#include <deque>
#include <filesystem>
#include <optional>
#include <vector>

namespace vornex::test {

struct ScriptedFileChooser : FileChooser {
    std::deque<std::optional<std::filesystem::path>> answers;
    std::vector<FileRequest> requests;

    std::optional<std::filesystem::path> open_file(OwnerWindow, const FileRequest& r) override {
        return answer(r);
    }
    std::optional<std::filesystem::path> save_file(OwnerWindow, const FileRequest& r) override {
        return answer(r);
    }

private:
    std::optional<std::filesystem::path> answer(const FileRequest& r) {
        requests.push_back(r);
        if (answers.empty())
            return std::nullopt;
        auto a = answers.front();
        answers.pop_front();
        return a;
    }
};

} // namespace vornex::test
