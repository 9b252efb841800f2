// Openings that fail before any device answers: no session may outlive them.
#include "config/device_config.h"
#include "device/box.h"
#include "recording_presenter.h"
#include "snmp/snmp_library.h"
#include "udp_port.h"

#include <gtest/gtest.h>
#include <unistd.h>

namespace vornex {
namespace {

using test::RecordingPresenter;

const session_timings quick{{1, 200'000}, {1, 200'000}, {1, 200'000}};

class OpenDevice : public ::testing::Test {
protected:
    OpenDevice() {
        device_config_set_defaults(config);
        config.hostname = peer;
    }
    ~OpenDevice() override { close(fd); }
    void TearDown() override { EXPECT_EQ(snmp_open_session_count(), 0); }

    // A loopback UDP port that takes requests and never answers them.
    std::uint16_t port = 0;
    const int fd = test::bind_udp(INADDR_LOOPBACK, port);
    const std::string peer = "127.0.0.1:" + std::to_string(port);
    RecordingPresenter presenter;
    device_config config;
};

TEST_F(OpenDevice, UnresolvableHostStopsAtTheProbeSession) {
    config.hostname = "no-such-host.invalid";
    const int window = 0;
    auto box = AM_New_Box(presenter, OwnerWindow{&window}, config, quick);
    EXPECT_EQ(box, nullptr);
    ASSERT_EQ(presenter.shown.size(), 1u);
    EXPECT_EQ(presenter.shown[0].owner, OwnerWindow{&window});
    EXPECT_EQ(presenter.shown[0].text,
              "!Error\r\n\r\n\r\nUnable to create SNMP session with no-such-host.invalid for "
              "probe.\r\n\r\nThis error is usually caused by an invalid IP address or hostname. "
              "Please verify the device configuration.  Do not insert leading spaces or pad IPv4 "
              "addresses with leading zeros.  When using a hostname, use the \"nslookup\" "
              "command-line utility to verify the PC can resolve the hostname.");
}

TEST_F(OpenDevice, ShortPassPhrasesAreReportedAndTheOpeningGoesOn) {
    config.snmp_version = snmp_version_3;
    config.security_username = "op";
    config.auth_protocol = auth_sha;
    config.priv_protocol = priv_aes;
    config.auth_key = "short";
    config.priv_key = "tiny";
    EXPECT_EQ(AM_New_Box(presenter, {}, config, quick), nullptr);
    const auto texts = presenter.texts();
    ASSERT_EQ(texts.size(), 3u);
    EXPECT_EQ(texts[0],
              "!Error\r\n\r\n\r\n\r\nError generating Ku from authentication pass phrase.");
    EXPECT_EQ(texts[1], "!Error\r\n\r\n\r\n\r\nError generating Ku from privacy pass phrase.");
    // The opening went on to the probe, whose SNMPv3 engine discovery gets no answer from
    // this silent device: a time-out (over SNMPv1 too: FaultSweep.Opening).
    const std::string timeout = "!!Communication Error\r\n\r\n\r\nA communication timeout occurred";
    EXPECT_EQ(texts[2].rfind(timeout + " with " + peer, 0), 0u);
}

} // namespace
} // namespace vornex
