// vornex-cli reset-system and reset-card against a simulator that resets within seconds of
// wall time, with the program's delays shortened a hundredfold: the exit status follows
// where the sequence ended.
#include "run_command.h"
#include "sim_process.h"

#include <gtest/gtest.h>

namespace vornex {
namespace {

struct CliCase {
    const char* name;
    const char* arguments;
    int status;
    const char* printed; // in stdout and stderr together
};

class ResetCli : public testing::TestWithParam<CliCase> {};

TEST_P(ResetCli, EndsWithTheSequence) {
    const CliCase& c = GetParam();
    auto sim = test::SimProcess::start("reset_quick");
    ASSERT_TRUE(sim);
    const std::string device = " --hostname " + sim->peer() +
                               " --snmp 3 --security-username shaaes --auth-protocol sha "
                               "--auth-key sha-auth-pass --priv-protocol aes --priv-key "
                               "aes-priv-pass";
    // Ctrl-C half a second into the reset: inside the wait after the command.
    const std::string cli =
        std::string("VORNEX_TEST_SHORT_TIMEOUTS=1 VORNEX_TEST_SHORT_DELAYS=1 ") + VORNEX_CLI + " " +
        c.arguments + device + " 2>&1";
    const std::string command = std::string(c.name) == "CtrlC"
                                    ? "(" + cli + " & pid=$!; sleep 0.5; kill -INT $pid; wait $pid)"
                                    : cli;
    int status = -1;
    const std::string output = test::run_command(command, &status);
    EXPECT_EQ(status, c.status) << output;
    EXPECT_TRUE(test::holds(output, c.printed));
    if (c.status == 0) {
        // The device answers the same session's successor at once.
        EXPECT_EQ(test::run_command(std::string(VORNEX_CLI) + " identify" + device + " >/dev/null",
                                    &status),
                  "");
        EXPECT_EQ(status, 0);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ResetCli,
    testing::Values(CliCase{"SystemOverV3", "--yes reset-system --target system --warm", 0,
                            "System warm reset complete.  XCUs synchronized.\n"},
                    CliCase{"CardSelfCloses", "reset-card --slot 1 --cold --yes", 0,
                            "card state: working\n"},
                    CliCase{"TimedOut", "--yes reset-system --target working --cold --timeout 1", 1,
                            "vornex-cli: the reset did not end within 1 seconds"},
                    CliCase{"CtrlC", "--yes reset-system --target system --cold", 1,
                            "Warning\nSystem cold reset is in progress."},
                    CliCase{"NotConfirmed", "reset-system --target standby --warm", 1,
                            "(answered Cancel: give --yes to go on)"},
                    CliCase{"NoType", "--yes reset-system --target system", 2,
                            "usage: vornex-cli reset-system"},
                    CliCase{"BothNeedsAPair", "--yes reset-card --slot 1 --both --cold", 1,
                            "vornex-cli: --standby and --both need a card of a protected pair"}),
    [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace vornex
