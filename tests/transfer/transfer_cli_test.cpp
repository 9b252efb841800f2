// vornex-cli send-config and get-config against vornex-sim through the internal server on a
// free high port: a configuration goes to the device and comes back byte for byte, and a
// configuration the device refuses exits 1.
#include "run_command.h"
#include "scratch_files.h"
#include "sim_process.h"
#include "udp_port.h"

#include <gtest/gtest.h>

namespace vornex {
namespace {

TEST(TransferCli, ConfigurationRoundTripAndRefusal) {
    auto sim = test::SimProcess::start("small");
    ASSERT_TRUE(sim);
    const int port = test::free_udp_port();
    std::string error;
    ASSERT_TRUE(sim->command("transfer-port " + std::to_string(port), error)) << error;
    test::ScratchDir dir;
    const std::string config = "! R4150 configuration\r\nhostname cli\r\n\tmap 1\r\n";
    test::write_file(dir / "sent.cfg", config);
    test::write_file(dir / "bad.cfg", "not a configuration\r\n");
    const std::string device = " --hostname " + sim->peer() +
                               " --set-community private --tftp-port " + std::to_string(port);
    auto cli = [&](const std::string& words, int status) {
        return test::run_cli(words + device, status);
    };
    EXPECT_TRUE(
        test::holds(cli("send-config " + (dir / "sent.cfg").string(), 0), "R4150 Status: ok"));
    cli("get-config " + (dir / "got.cfg").string(), 0);
    EXPECT_EQ(test::read_text(dir / "got.cfg"), config);

    EXPECT_TRUE(test::holds(cli("send-config " + (dir / "bad.cfg").string(), 1),
                            "R4150 Status: unmatch-config"));
    cli("firmware " + (dir / "sent.cfg").string(), 2);
}

} // namespace
} // namespace vornex
