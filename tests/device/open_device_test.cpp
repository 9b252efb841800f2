// Opening and identifying a device against the simulator, v1 and v3, with every refusal.
#include "config/device_config.h"
#include "device/box.h"
#include "recording_presenter.h"
#include "sim_process.h"
#include "snmp/snmp_access.h"
#include "snmp/snmp_library.h"
#include "test_device.h"

#include <cstring>
#include <gtest/gtest.h>
#include <net-snmp/net-snmp-includes.h>

namespace vornex {
namespace {

using test::RecordingPresenter;
using test::sim_config;
using test::sim_v3_config;
using test::SimProcess;

const char* const sys_object_id = "1.3.6.1.2.1.1.2.0";

class OpenDevice : public ::testing::Test {
protected:
    static void SetUpTestSuite() { sim = SimProcess::start("v3").release(); }
    static void TearDownTestSuite() {
        delete sim;
        sim = nullptr;
    }
    void SetUp() override {
        ASSERT_NE(sim, nullptr);
        sim->clear_faults();
        sim->set_value(sys_object_id, "o:1.3.6.1.4.1.823.4150");
        sim->set_value("1.3.6.1.2.1.1.5.0", "s:r4150-v3");
        sim->clear_requests();
    }
    void TearDown() override { EXPECT_EQ(snmp_open_session_count(), 0); }

    // Opens with the given configuration and expects exactly one message.
    std::string refusal(const device_config& config) {
        presenter.clear();
        auto box = AM_New_Box(presenter, {}, config, test::quick_timings);
        EXPECT_EQ(box, nullptr);
        EXPECT_EQ(presenter.shown.size(), 1u);
        return presenter.shown.empty() ? "" : presenter.shown.back().text;
    }

    static SimProcess* sim;
    RecordingPresenter presenter;
};

SimProcess* OpenDevice::sim = nullptr;

TEST_F(OpenDevice, Version1OpensACompleteBox) {
    auto box = AM_New_Box(presenter, {}, sim_config(*sim));
    ASSERT_NE(box, nullptr);
    EXPECT_TRUE(presenter.shown.empty());
    // Host, sysName, model and root are in CliIdentify.OpensTheDeviceLikeTheProgram.
    EXPECT_EQ(snmp_open_session_count(), 2);
    ASSERT_NE(box->get_session, box->set_session);
    // The working sessions carry the device's retries and time-outs.
    EXPECT_EQ(std::tuple(box->get_session->retries, box->get_session->timeout,
                         box->set_session->retries, box->set_session->timeout),
              std::tuple(11, 12'000'000, 3, 45'000'000));
    // Identification is the two reads of the probe, nothing more.
    EXPECT_EQ(sim->requests(),
              (std::vector<std::string>{"GET 1.3.6.1.2.1.1.2.0", "GET 1.3.6.1.2.1.1.5.0"}));

    // Reads go with the read community, writes with the write community.
    const std::vector<oid> name = box->object({1, 16, 4, 1, 0});
    EXPECT_EQ(my_snmp_set_int(presenter, box->set_session, name.data(), name.size(), 2), snmp_ok);
    EXPECT_EQ(sim->value("R.1.16.4.1.0"), "i:2");
    EXPECT_EQ(my_snmp_set_int(presenter, box->get_session, name.data(), name.size(), 1),
              snmp_result_from_error_status(2)); // a read-only community may not write
    EXPECT_EQ(sim->value("R.1.16.4.1.0"), "i:2");
    sim->set_value("R.1.16.4.1.0", "i:1");
    free_box(box);
}

TEST_F(OpenDevice, EveryVersion3CombinationOpens) {
    struct combination {
        const char* user;
        int auth;
        int priv;
        int level;
    };
    for (const combination& c : {combination{"noauth", auth_none, priv_none, SNMP_SEC_LEVEL_NOAUTH},
                                 {"md5", auth_md5, priv_none, SNMP_SEC_LEVEL_AUTHNOPRIV},
                                 {"sha", auth_sha, priv_none, SNMP_SEC_LEVEL_AUTHNOPRIV},
                                 {"md5des", auth_md5, priv_des, SNMP_SEC_LEVEL_AUTHPRIV},
                                 {"md5aes", auth_md5, priv_aes, SNMP_SEC_LEVEL_AUTHPRIV},
                                 {"shades", auth_sha, priv_des, SNMP_SEC_LEVEL_AUTHPRIV},
                                 {"shaaes", auth_sha, priv_aes, SNMP_SEC_LEVEL_AUTHPRIV},
                                 // Without authentication there is no privacy, whatever is set.
                                 {"noauth", auth_none, priv_aes, SNMP_SEC_LEVEL_NOAUTH}}) {
        SCOPED_TRACE(c.user);
        auto box = AM_New_Box(presenter, {}, sim_v3_config(*sim, c.user, c.auth, c.priv),
                              test::quick_timings);
        ASSERT_NE(box, nullptr);
        EXPECT_TRUE(presenter.shown.empty());
        EXPECT_EQ(box->sys_name, "r4150-v3");
        EXPECT_EQ(std::pair(box->get_session->securityLevel, box->set_session->securityLevel),
                  std::pair(c.level, c.level));
        std::int32_t map = 0;
        EXPECT_EQ(get_device_integer(*box, {1, 16, 4, 1, 0}, map), snmp_ok);
        EXPECT_EQ(map, 1);
        // An absent object answers an exception value here: it reads as over SNMPv1.
        EXPECT_EQ(
            SnmpGet(*box).add({1, 16, 4, 1, 0}, asn_integer).add({1, 99, 1, 0}, asn_integer).send(),
            snmp_result_from_error_status(2));
    }
}

// The probe's time-out (its words: Reports.ProbeErrors), or for a wrong key the
// communication failure the SNMPv3 layer reports.
TEST_F(OpenDevice, WrongCredentialsFailAtTheProbe) {
    device_config wrong_community = sim_config(*sim);
    wrong_community.get_community = "nobody";
    EXPECT_EQ(refusal(wrong_community)
                  .rfind("!!Communication Error\r\n\r\n\r\nA communication timeout occurred with " +
                             sim->peer() + ".\r\n\r\nVerify the network",
                         0),
              0u);
    device_config wrong_key = sim_v3_config(*sim, "shaaes", auth_sha, priv_aes);
    wrong_key.auth_key = "not-the-pass-phrase";
    EXPECT_EQ(refusal(wrong_key).rfind("!!Communication Error\r\n\r\n\r\nA communication ", 0), 0u);
}

TEST_F(OpenDevice, IdentificationRefusals) {
    const std::string host = sim->peer();
    sim->set_value(sys_object_id, "o:1.3.6.1.4.1.823.4150.1");
    EXPECT_EQ(refusal(sim_config(*sim)),
              "!Error\r\n\r\n\r\nThe device at " + host +
                  " did not respond with a valid system object ID.\r\n\r\nThe system object ID "
                  "does not match the format used by Vivi Dudider.  Please verify the IP.");

    // The root's full 128 sub-identifiers: read whole, and refused by its length.
    std::string long_id = "o:1.3.6.1.4.1.823.4150";
    for (int i = 8; i < 128; ++i)
        long_id += ".1";
    sim->set_value(sys_object_id, long_id);
    EXPECT_EQ(refusal(sim_config(*sim)).find("did not respond with a valid system object ID"),
              std::string("!Error\r\n\r\n\r\nThe device at " + host + " ").size());
    // Longer still: the SNMP library itself cannot decode such an answer, so the device
    // reads as one that does not answer properly.
    sim->set_value(sys_object_id, long_id + ".1");
    EXPECT_EQ(refusal(sim_config(*sim))
                  .rfind("!!Communication Error\r\n\r\n\r\nA communication "
                         "timeout occurred with ",
                         0),
              0u);

    sim->set_value(sys_object_id, "o:1.3.6.1.4.1.8072.3.2.10");
    EXPECT_EQ(refusal(sim_config(*sim)),
              "!Error\r\n\r\n\r\nUnknown device (eID:8072) at " + host +
                  ".\r\n\r\nThe reported enterprise ID does not belong to Vivi Dudider.\r\n\r\n"
                  "Please verify the IP address.");

    sim->set_value(sys_object_id, "o:1.3.6.1.4.1.823.4100.1.2");
    EXPECT_EQ(refusal(sim_config(*sim)),
              "!Error\r\n\r\n\r\nUnknown device (mID:4100) at " + host +
                  ".\r\n\r\nThe reported MIB ID is not recognized.\r\n\r\nPlease verify the "
                  "device IP address and that the device is supported by this version of the "
                  "Vornex program.");
}

TEST_F(OpenDevice, TenSubIdentifierRootAndLongSysName) {
    sim->set_value(sys_object_id, "o:1.3.6.1.4.1.823.4150.7.9");
    sim->set_value("1.3.6.1.2.1.1.5.0", "s:0123456789abcdefghijKLMNOP");
    auto box = AM_New_Box(presenter, {}, sim_config(*sim), test::quick_timings);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->root_len, 10u);
    EXPECT_EQ(box->sys_name, "0123456789abcdefghijK");
}

// The only place that asserts a probe's error-status report word for word.
TEST_F(OpenDevice, ProbeFailuresAfterTheFirstRead) {
    // The sysName read fails: the probe error names the status, and no session stays open.
    sim->fail_prefix("1.3.6.1.2.1.1.5.0", 5);
    EXPECT_EQ(refusal(sim_config(*sim)),
              "!!SNMP Error\r\n\r\n\r\nA SNMP error occurred with " + sim->peer() +
                  ".\r\n\r\nSNMP error: Generic Error\r\n\r\nVerify the Vornex configuration file "
                  "is accessing the intended device and that the SNMP configuration is correct.");
}

class SingleReads : public OpenDevice {
protected:
    void SetUp() override {
        OpenDevice::SetUp();
        box = AM_New_Box(presenter, {}, sim_config(*sim), test::quick_timings);
        ASSERT_NE(box, nullptr);
        sim->clear_requests();
    }
    void TearDown() override {
        free_box(box);
        OpenDevice::TearDown();
    }
    snmp_result get(std::initializer_list<oid> suffix, u_char type, void* buffer,
                    std::size_t& length) {
        const std::vector<oid> name = box->object(suffix);
        return my_snmp_get(presenter, box->get_session, name.data(), name.size(), type, buffer,
                           length);
    }
    std::unique_ptr<Box> box;
};

TEST_F(SingleReads, WhatDoesNotFitIsCutOrNotCopied) {
    sim->set_value("R.3.1.3.1.3.1.1", "s:ABCDEFGH");
    char text[9];
    std::memset(text, 'x', sizeof text);
    // Room for the value's length (cut to leave room for the end), then for its end too.
    for (const std::string kept : {"ABCDEFG", "ABCDEFGH"}) {
        std::size_t length = kept.size() + 1;
        ASSERT_EQ(get({3, 1, 3, 1, 3, 1, 1}, asn_octet_string, text, length), snmp_ok);
        EXPECT_EQ(std::pair(length, std::string(text)), std::pair(kept.size(), kept));
    }

    // An object identifier is not cut: it is left out.
    oid room[4] = {7, 7, 7, 7};
    std::size_t length = sizeof room;
    const std::vector<oid> name{1, 3, 6, 1, 2, 1, 1, 2, 0};
    ASSERT_EQ(my_snmp_get(presenter, box->get_session, name.data(), name.size(), asn_object_id,
                          room, length),
              snmp_ok);
    EXPECT_EQ(std::pair(length, room[0]), std::pair(8 * sizeof(oid), oid{7}));
}

TEST_F(SingleReads, WrongTypeTimeoutAndMissingObject) {
    std::int32_t value = 0;
    std::size_t length = sizeof value;
    sim->wrong_type("R.1.16.4.1.0");
    EXPECT_EQ(get({1, 16, 4, 1, 0}, asn_integer, &value, length), snmp_local_failure);
    sim->clear_faults();

    sim->drop_next(2); // the request and its one retry
    EXPECT_EQ(get({1, 16, 4, 1, 0}, asn_integer, &value, length), snmp_stat_timeout);
    length = sizeof value;
    EXPECT_EQ(get({1, 99, 1, 0}, asn_integer, &value, length), snmp_result_from_error_status(2));

    // A type the layer does not handle is an internal error.
    length = sizeof value;
    EXPECT_EQ(get({1, 16, 4, 1, 0}, 0x41, &value, length), snmp_local_failure);
    EXPECT_TRUE(presenter.shown.empty()); // types differ: no internal error for this one
}

TEST_F(SingleReads, MultiObjectGetKeepsPositionsAndTypes) {
    SnmpGet get(*box);
    get.add({1, 2, 1, 1, 0}, asn_integer)    // serial 1
        .add({1, 2, 1, 3, 0}, asn_integer)   // the version text, asked as INTEGER
        .add({1, 16, 4, 1, 0}, asn_integer); // active map
    ASSERT_EQ(get.send(), snmp_ok);
    EXPECT_TRUE(get.integer(0).has_value());
    EXPECT_FALSE(get.integer(1).has_value());
    EXPECT_EQ(get.integer(2), 1);
    EXPECT_EQ(sim->requests().size(), 1u);
}

TEST_F(SingleReads, MultiObjectSetIsAllOrNothing) {
    sim->set_value("R.3.1.3.1.3.1.1", "s:OLD");
    SnmpSet set(*box);
    set.add_string({3, 1, 3, 1, 3, 1, 1}, "NEW").add_integer({1, 2, 1, 1, 0}, 5); // read-only
    // A v1 agent refuses a read-only object with noSuchName.
    EXPECT_EQ(set.send(setting_configuration), snmp_result_from_error_status(2));
    EXPECT_EQ(sim->value("R.3.1.3.1.3.1.1"), "s:OLD");
    EXPECT_FALSE(presenter.shown.empty());

    EXPECT_EQ(SnmpSet(*box).add_string({3, 1, 3, 1, 3, 1, 1}, "NEW").send(setting_configuration),
              snmp_ok);
    EXPECT_EQ(sim->value("R.3.1.3.1.3.1.1"), "s:NEW");
}

} // namespace
} // namespace vornex
