#pragma once
// Runs a shell command for a test and returns its standard output (add " 2>&1" to collect
// its errors too); its exit status goes to `status`, -1 when it did not exit normally.

#include <string>

namespace vornex::test {

std::string run_command(const std::string& command, int* status = nullptr);

} // namespace vornex::test
