#pragma once
// Runs a shell command for a test and returns its standard output (add " 2>&1" to collect
// its errors too); its exit status goes to `status`, -1 when it did not exit normally.

#include <gtest/gtest.h>
#include <string>

namespace vornex::test {

std::string run_command(const std::string& command, int* status = nullptr);

// Runs vornex-cli with `arguments` (or, when they start with "env ", that command line, which
// runs it) and expects it to exit with `status`; returns its standard output, with its
// errors when `stderr_too`. `short_timeouts` lets a time-out cost little.
std::string run_cli(const std::string& arguments, int status, bool short_timeouts = false,
                    bool stderr_too = true);

// `text` holds `part`; a failure shows the whole text.
testing::AssertionResult holds(const std::string& text, const std::string& part);

} // namespace vornex::test
