#pragma once
// A ProcessLauncher for tests: keeps every command line it is asked to start, as text and
// word by word, and answers `answer` (0: started; otherwise the system's error code).

#include "shell/shell.h"

#include <string>
#include <vector>

namespace vornex::test {

struct FakeLauncher : ProcessLauncher {
    int answer = 0;
    std::vector<std::string> started;
    std::vector<std::vector<std::string>> words;
    int start_detached(const CommandLine& command) override {
        started.push_back(command.text());
        words.push_back(command.words);
        return answer;
    }
};

} // namespace vornex::test
