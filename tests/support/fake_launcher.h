#pragma once
// A ProcessLauncher for tests: keeps every command line it is asked to start and answers
// `answer` (0: started; otherwise the system's error code).

#include "shell/shell.h"

#include <string>
#include <vector>

namespace vornex::test {

struct FakeLauncher : ProcessLauncher {
    int answer = 0;
    std::vector<std::string> started;
    int start_detached(const std::string& command_line) override {
        started.push_back(command_line);
        return answer;
    }
};

} // namespace vornex::test
