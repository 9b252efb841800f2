// vornex-cli line against the demo device: what it prints, what it sets, and what it
// refuses before it sends anything.
#include "run_command.h"
#include "sim_process.h"

#include <gtest/gtest.h>

namespace vornex {
namespace {

TEST(LineCommand, ShowsSetsAndRefuses) {
    auto sim = test::SimProcess::start("demo");
    ASSERT_NE(sim, nullptr);
    const auto line = [&](const std::string& arguments, int status) {
        return test::run_cli("line --hostname " + sim->peer() + " --set-community private " +
                                 arguments,
                             status, true);
    };
    // Frame Off and On again on a framed port: the tree follows each time.
    const std::string off = line("--slot 1 --port 2 --dialog line --set Frame=off", 0);
    EXPECT_TRUE(test::holds(off, "Frame=Off\n"));
    EXPECT_TRUE(test::holds(off, "Below=1\n"));
    EXPECT_EQ(sim->value("R.3.1.1.1.5.1.2"), "i:1");
    EXPECT_TRUE(
        test::holds(line("--slot 1 --port 2 --dialog line --set Frame=On", 0), "Below=31\n"));
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
    for (const auto& r : refused)
        EXPECT_TRUE(test::holds(line(r.arguments, r.status), r.says)) << r.arguments;
    for (const std::string& request : sim->requests()) {
        EXPECT_NE(request.rfind("SET", 0), 0u) << request;
    }

    // A received message from the far end may hold any byte; JSON escapes it.
    sim->set_value("R.2.2.1.1.6.6.1", "s:caf\xc3\xa9\"");
    EXPECT_TRUE(test::holds(line("--slot 6 --port 1 --dialog overhead --json", 0),
                            R"("Rx J0 Msg": "caf\u00c3\u00a9\"")"));
}

} // namespace
} // namespace vornex
