// The operator's messages for failed exchanges, asserted word for word and in order.
#include "device/box.h"
#include "recording_presenter.h"
#include "snmp/snmp_access.h"

#include <gtest/gtest.h>
#include <net-snmp/net-snmp-includes.h>

namespace vornex {
namespace {

using test::RecordingPresenter;

const char* const out_of_sync =
    "!!SNMP Error\r\nA SNMP error occurred while setting map entries.\r\n\r\nSNMP Error: Unknown "
    "object name\r\n\r\nThis error can occur when the Vornex program is out-of-sync with the "
    "device configuration.  Perform a rescan operation to re-read the configuration.  This error "
    "can also occur when the Vornex program encounters an unsupported card or feature.  Contact "
    "Orlique support if the problem persists.";

std::string general(const char* action, const char* name, const char* advice) {
    return std::string("!!SNMP Error\r\n\r\n\r\nA SNMP error occurred while ") + action +
           ".\r\n\r\nSNMP error: " + name + "\r\n\r\n" + advice;
}

std::string conflict(const char* action, const char* name) {
    return std::string("!!SNMP Error\r\nA SNMP error occurred while ") + action +
           ".\r\n\r\nSNMP Error: " + name +
           "\r\n\r\nThis error can occur when the requested action is invalid  or conflicts with "
           "the current configuration.  Perform a rescan operation to re-read the configuration. "
           " Contact Orlique support if the problem persists.";
}

std::string access(const char* action, const char* name) {
    return std::string("||SNMP Error\r\n\r\n\r\nA SNMP error occurred while ") + action +
           ".\r\n\r\nSNMP Error: " + name +
           "\r\n\r\nReview the SNMPv3 security configuration and confirm the user's read-view "
           "and write-view allow access to the MIB sub-tree required to perform the action.";
}

// A box whose get session, never opened, names a host.
class Reports : public ::testing::Test {
protected:
    Reports() : box(presenter) {
        session.peername = host.data();
        box.get_session = &session;
    }
    ~Reports() override { box.get_session = nullptr; }

    std::string host = "127.0.0.1:16999";
    netsnmp_session session{};
    RecordingPresenter presenter;
    Box box;
};

// The time-out's words are asserted by the path rows and reset tests, which meet one.
TEST_F(Reports, CommunicationError) {
    snmp_report_error(box, snmp_stat_error, reading_status);
    EXPECT_EQ(presenter.texts(), std::vector<std::string>{
                                     "!!Communication Error\r\n\r\n\r\nA communication error "
                                     "occurred with 127.0.0.1:16999 while reading "
                                     "configuration.\r\n\r\nVerify network connection.\r\n \r\n"});
    EXPECT_EQ(presenter.shown[0].owner, OwnerWindow::main_window());
}

TEST_F(Reports, ErrorStatusesPickTheirMessages) {
    // 2: the out-of-sync explanation, then the general message.
    snmp_report_error(box, snmp_result_from_error_status(2), setting_map_entries);
    ASSERT_EQ(
        presenter.texts(),
        (std::vector<std::string>{out_of_sync, general("setting map entries", "Unknown object name",
                                                       "Retry Operation")}));

    // 3 and 10: the conflict explanation, then the general message.
    for (const auto& [status, name] : {std::pair{3, "Bad value"}, std::pair{10, "Wrong value"}}) {
        presenter.clear();
        snmp_report_error(box, snmp_result_from_error_status(status), setting_configuration);
        EXPECT_EQ(
            presenter.texts(),
            (std::vector<std::string>{conflict("setting configuration", name),
                                      general("setting configuration", name, "Retry Operation")}));
    }

    // 4, 6 and 16: the access message alone.
    for (const auto& [status, name] :
         {std::pair{4, "Read-only access"}, std::pair{6, "Access violation"},
          std::pair{16, "Authorization error"}}) {
        presenter.clear();
        snmp_report_error(box, snmp_result_from_error_status(status), storing_map);
        EXPECT_EQ(presenter.texts(), std::vector<std::string>{access("storing map", name)});
    }

    // 5: the general message alone; 19 and higher: an empty status text.
    presenter.clear();
    snmp_report_error(box, snmp_result_from_error_status(5), activating_map);
    snmp_report_error(box, snmp_result_from_error_status(19), sending_reset_command);
    EXPECT_EQ(presenter.texts(), (std::vector<std::string>{
                                     general("activating map", "Generic Error", "Retry Operation"),
                                     general("sending reset command", "", " ")}));
}

// A probe's error-status report is asserted by OpenDevice.ProbeFailuresAfterTheFirstRead.
TEST_F(Reports, ProbeErrors) {
    const int window = 0;
    const OwnerWindow owner{&window};
    snmp_report_probe_error(owner, box, snmp_stat_timeout);
    snmp_report_probe_error(owner, box, snmp_result_from_error_status(16));
    EXPECT_EQ(presenter.texts(),
              (std::vector<std::string>{
                  "!!Communication Error\r\n\r\n\r\nA communication timeout occurred with "
                  "127.0.0.1:16999.\r\n\r\nVerify the network connection and that you can ping "
                  "the target device from your PC.  Verify UDP port 161 is not blocked by a "
                  "firewall.  Verify SNMP is enabled in the target device and that the SNMP "
                  "settings, such as the community strings or SNMPv3 security strings, match the "
                  "settings in the Vornex configuration file.",
                  "||SNMP Error\r\n\r\n\r\nA SNMP authorization error occurred with "
                  "127.0.0.1:16999.\r\n\r\nReview the SNMPv3 view-based access controls and "
                  "confirm the user's read-view permits access to the full MIB."}));
    EXPECT_EQ(presenter.shown[0].owner, owner);
    EXPECT_EQ(presenter.last().owner, owner);
}

TEST(ResultCodes, ComposeAndSplit) {
    EXPECT_EQ(snmp_result_from_error_status(2), snmp_local_failure);
    EXPECT_EQ(snmp_error_status(snmp_result_from_error_status(18)), 18);
    EXPECT_EQ(snmp_transport_status(snmp_result_from_error_status(18)), 0u);
    EXPECT_EQ(snmp_transport_status(snmp_stat_timeout), 2u);
    const std::pair<int, const char*> names[] = {
        {1, "Too Big"}, {18, "Inconsistent name"}, {0, ""}, {19, ""}, {-1, ""}};
    for (const auto& [status, name] : names)
        EXPECT_EQ(snmp_error_name(status), name) << status;
}

} // namespace
} // namespace vornex
