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
    auto cli = [&](const std::string& words, int& status) {
        return test::run_command(std::string(VORNEX_CLI) + " " + words + device + " 2>&1", &status);
    };
    int status = -1;
    std::string out = cli("send-config " + (dir / "sent.cfg").string(), status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_NE(out.find("R4150 Status: ok"), std::string::npos) << out;
    out = cli("get-config " + (dir / "got.cfg").string(), status);
    EXPECT_EQ(status, 0) << out;
    EXPECT_EQ(test::read_text(dir / "got.cfg"), config);

    out = cli("send-config " + (dir / "bad.cfg").string(), status);
    EXPECT_EQ(status, 1) << out;
    EXPECT_NE(out.find("R4150 Status: unmatch-config"), std::string::npos) << out;
    out = cli("firmware " + (dir / "sent.cfg").string(), status);
    EXPECT_EQ(status, 2) << out;
}

} // namespace
} // namespace vornex
