#include "run_command.h"

#include <array>
#include <cstdio>
#include <stdexcept>
#include <sys/wait.h>

namespace vornex::test {

std::string run_command(const std::string& command, int* status) {
    FILE* pipe = popen(command.c_str(), "r");
    if (pipe == nullptr)
        throw std::runtime_error("popen failed: " + command);
    std::string out;
    std::array<char, 4096> chunk{};
    std::size_t n;
    while ((n = std::fread(chunk.data(), 1, chunk.size(), pipe)) != 0)
        out.append(chunk.data(), n);
    const int rc = pclose(pipe);
    if (status != nullptr)
        *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
    return out;
}

std::string run_cli(const std::string& arguments, int status, bool short_timeouts,
                    bool stderr_too) {
    const std::string program =
        arguments.rfind("env ", 0) == 0 ? arguments : std::string(VORNEX_CLI) + " " + arguments;
    int exit_status = -1;
    const std::string out = run_command((short_timeouts ? "VORNEX_TEST_SHORT_TIMEOUTS=1 " : "") +
                                            program + (stderr_too ? " 2>&1" : " 2>/dev/null"),
                                        &exit_status);
    EXPECT_EQ(exit_status, status) << arguments << '\n' << out;
    return out;
}

testing::AssertionResult holds(const std::string& text, const std::string& part) {
    if (text.find(part) != std::string::npos)
        return testing::AssertionSuccess();
    return testing::AssertionFailure() << "no \"" << part << "\" in:\n" << text;
}

} // namespace vornex::test
