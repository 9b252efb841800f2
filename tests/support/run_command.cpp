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

} // namespace vornex::test
