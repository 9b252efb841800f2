// vornex-cli line against the demo device: what it prints, what it sets, and what it
// refuses before it sends anything.
#include "run_command.h"
#include "sim_process.h"

#include <gtest/gtest.h>

namespace vornex {
namespace {

struct CliRun {
    int status;
    std::string out;
};

TEST(LineCommand, ShowsSetsAndRefuses) {
    auto sim = test::SimProcess::start("demo");
    ASSERT_NE(sim, nullptr);
    const auto line = [&](const std::string& arguments) {
        CliRun run{-1, {}};
        run.out = test::run_command("VORNEX_TEST_SHORT_TIMEOUTS=1 " + std::string(VORNEX_CLI) +
                                        " line --hostname " + sim->peer() +
                                        " --set-community private " + arguments + " 2>&1",
                                    &run.status);
        return run;
    };
    const auto has = [](const CliRun& run, const std::string& text) {
        return run.out.find(text) != std::string::npos;
    };
    // Frame Off and On again on a framed port: the tree follows each time.
    const CliRun off = line("--slot 1 --port 2 --dialog line --set Frame=off");
    EXPECT_EQ(off.status, 0) << off.out;
    EXPECT_TRUE(has(off, "Frame=Off\n") && has(off, "Below=1\n")) << off.out;
    EXPECT_EQ(sim->value("R.3.1.1.1.5.1.2"), "i:1");
    const CliRun on = line("--slot 1 --port 2 --dialog line --set Frame=On");
    EXPECT_TRUE(has(on, "Below=31\n")) << on.out;
    sim->clear_requests();

    const struct {
        const char* arguments;
        int status;
        const char* says;
    } refused[] = {
        {"--slot 1 --port 2 --dialog line --set Impedance=Unbalanced", 2,
         "Impedance is never written"},
        {"--slot 1 --port 2 --dialog line --set Frame=Maybe", 2, "Frame does not take Maybe"},
        {"--slot 1 --port 2", 2, "offers two dialogs; --dialog takes info line"},
        {"--slot 6 --port 1 --dialog info --through 2 --set 'Customer Info=x'", 2,
         "--through is only for dialogs with a range"},
        {"--slot 6 --port 3 --aug 1 --node 100", 2, "has no configuration dialog"},
        {"--slot 1 --port 2 --dialog line --through 9 --set CRC=On", 1,
         "Invalid port range 2 through 9.  Please correct or cancel."},
        {"--slot 1 --port 2 --dialog info --set 'Customer Info=123456789012345678901'", 1,
         "Customer info is limited to 20 characters."},
    };
    for (const auto& r : refused) {
        const CliRun run = line(r.arguments);
        EXPECT_EQ(run.status, r.status) << r.arguments << '\n' << run.out;
        EXPECT_TRUE(has(run, r.says)) << r.arguments << '\n' << run.out;
    }
    for (const std::string& request : sim->requests()) {
        EXPECT_NE(request.rfind("SET", 0), 0u) << request;
    }

    // A received message from the far end may hold any byte; JSON escapes it.
    sim->set_value("R.2.2.1.1.6.6.1", "s:caf\xc3\xa9\"");
    const CliRun json = line("--slot 6 --port 1 --dialog overhead --json");
    EXPECT_TRUE(has(json, R"("Rx J0 Msg": "caf\u00c3\u00a9\"")")) << json.out;
}

} // namespace
} // namespace vornex
